#include "app/descriptor.h"

#include <gtest/gtest.h>

namespace {

TEST(UnscrambleText, RoundTripsThroughScramble) {
  const std::string plain = "hello`world";
  EXPECT_EQ(app::UnscrambleText(app::ScrambleText(plain)), plain);
}

}  // namespace
