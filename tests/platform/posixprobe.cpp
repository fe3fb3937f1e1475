// Shared code that includes a POSIX header must not build: the posix_guard test builds this
// file as shared code and expects the guard's error.
#include <poll.h>
