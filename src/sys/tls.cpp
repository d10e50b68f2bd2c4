// TLS over a connected socket; the backend is the platform half included at
// the end.
#include "sys/tls.h"

#ifdef _WIN32
#include "sys/win32/tls.inc"
#else
#include "sys/posix/tls.inc"
#endif
