// Lower-casing; the platform halves are included at the end.
#include "sys/casing.h"

#ifdef _WIN32
#include "sys/win32/casing.inc"
#else
#include "sys/posix/casing.inc"
#endif
