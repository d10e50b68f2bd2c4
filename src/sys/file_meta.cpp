// File metadata for unpacked files; the platform halves are included at the
// end, since nothing here is shared between them.
#include "sys/file_meta.h"

#ifdef _WIN32
#include "sys/win32/file_meta.inc"
#else
#include "sys/posix/file_meta.inc"
#endif
