// Stands in front of the system's <dirent.h>: code shared with Windows may not use it.
#if defined(KOLVEX7_LINUX_ONLY)
#include_next <dirent.h>
#else
#error "<dirent.h> in code shared with Windows: POSIX calls belong in a Linux-only file"
#endif
