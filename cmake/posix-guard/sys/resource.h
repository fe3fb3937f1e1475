// Stands in front of the system's <sys/resource.h>: code shared with Windows may not use it.
#if defined(KOLVEX7_LINUX_ONLY)
#include_next <sys/resource.h>
#else
#error "<sys/resource.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
