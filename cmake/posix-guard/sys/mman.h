// Stands in front of the system's <sys/mman.h>: code shared with Windows may not use it.
#if defined(KOLVEX7_LINUX_ONLY)
#include_next <sys/mman.h>
#else
#error "<sys/mman.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
