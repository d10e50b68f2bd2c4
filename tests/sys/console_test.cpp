// The terminal's Ctrl+C: once caught, it is remembered and reported once
// instead of ending the process. (Output to files and pipes is covered by
// the packtool tests, which catch a real process's output.)
#include "sys/console.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(Interrupts, AreRememberedAndReportedOnce) {
#ifdef _WIN32
  GTEST_SKIP() << "a console control event needs a console; the tests run without one";
#else
  sys::CatchInterrupts();
  EXPECT_FALSE(sys::TakeInterrupt());
  std::raise(SIGINT);
  EXPECT_TRUE(sys::TakeInterrupt());
  EXPECT_FALSE(sys::TakeInterrupt());
  std::raise(SIGINT);
  std::raise(SIGINT);
  EXPECT_TRUE(sys::TakeInterrupt());
  EXPECT_FALSE(sys::TakeInterrupt());
#endif
}

}  // namespace
