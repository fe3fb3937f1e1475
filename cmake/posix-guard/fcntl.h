// Stands in front of the system's <fcntl.h>: code shared with Windows may not use it.
#if defined(KOLVEX7_LINUX_ONLY)
#include_next <fcntl.h>
#else
#error "<fcntl.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
