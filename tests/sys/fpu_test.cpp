// The floating-point environment: after masking, faults give infinities and
// NaNs instead of traps.
#include "sys/fpu.h"

#include <gtest/gtest.h>

#include <cmath>

#ifdef _WIN32
#include <float.h>
#else
#include <fenv.h>
#endif

namespace {

// Unmasks division by zero and invalid operation, as a foreign DLL or a
// debugger may leave the environment.
void UnmaskSomeExceptions() {
#ifdef _WIN32
  unsigned int current = 0;
  _controlfp_s(&current, 0, _EM_ZERODIVIDE | _EM_INVALID);
#else
  feenableexcept(FE_DIVBYZERO | FE_INVALID);
#endif
}

bool AllMasked() {
#ifdef _WIN32
  unsigned int current = 0;
  _controlfp_s(&current, 0, 0);
  return (current & _MCW_EM) == _MCW_EM;
#else
  return fegetexcept() == 0;
#endif
}

TEST(FloatingPoint, MaskingTurnsFaultsIntoValues) {
  UnmaskSomeExceptions();
  ASSERT_FALSE(AllMasked());
  sys::MaskFloatingPointExceptions();
  EXPECT_TRUE(AllMasked());

  volatile double zero = 0.0;
  volatile double one = 1.0;
  EXPECT_TRUE(std::isinf(one / zero));
  EXPECT_TRUE(std::isnan(zero / zero));
  EXPECT_TRUE(std::isinf(1e308 * (one * 1e308)));
}

}  // namespace
