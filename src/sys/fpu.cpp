// The floating-point environment.
#include "sys/fpu.h"

#ifdef _WIN32
#include <float.h>
#else
#include <fenv.h>
#endif

namespace sys {

void MaskFloatingPointExceptions() {
#ifdef _WIN32
  unsigned int current = 0;
  _controlfp_s(&current, _MCW_EM, _MCW_EM);
#else
  fedisableexcept(FE_ALL_EXCEPT);
#endif
}

}  // namespace sys
