// The terminal; the platform halves are included at the end.
#include "sys/console.h"

#ifdef _WIN32
#include "sys/win32/console.inc"
#else
#include "sys/posix/console.inc"
#endif
