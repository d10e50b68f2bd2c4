// Starting files; the platform halves are included at the end.
#include "sys/shell.h"

#ifdef _WIN32
#include "sys/win32/shell.inc"
#else
#include "sys/posix/shell.inc"
#endif
