// Lower-casing with the platform's Unicode rules.
#include "sys/casing.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "sys/codepage.h"

namespace {

struct CasingCase {
  const char* name;
  friend void PrintTo(const CasingCase& c, std::ostream* os) { *os << c.name; }
  std::u16string text;
  std::u16string lower;
};

class LowerCase : public ::testing::TestWithParam<CasingCase> {};

TEST_P(LowerCase, LowersEveryCharacter) {
  EXPECT_EQ(sys::LowerCase(GetParam().text), GetParam().lower) << sys::ToUtf8(GetParam().lower);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, LowerCase,
    ::testing::Values(CasingCase{"Ascii", u"PACK.Setup.EXE", u"pack.setup.exe"},
                      CasingCase{"Latin1", u"ÄÖÜÉÀÇ", u"äöüéàç"},
                      CasingCase{"LatinExtended", u"ŁŚŽĆ", u"łśžć"},
                      CasingCase{"Greek", u"ΑΒΓΔ", u"αβγδ"},
                      CasingCase{"Cyrillic", u"ПРИВЕТ", u"привет"},
                      CasingCase{"FullWidth", u"ＡＢＣ", u"ａｂｃ"},
                      CasingCase{"Uncased", u"中文安装123-_!", u"中文安装123-_!"},
                      CasingCase{"Empty", u"", u""}),
    [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32
// Characters outside the basic plane come as surrogate pairs; they are cased
// as the one character they are.
TEST(LowerCase, SurrogatePairsAsOneCharacter) {
  EXPECT_EQ(sys::LowerCase(u"\U00010400x"), u"\U00010428x");  // Deseret
  const std::u16string lone = {static_cast<char16_t>(0xDC00), u'A'};
  const std::u16string loweredLone = {static_cast<char16_t>(0xDC00), u'a'};
  EXPECT_EQ(sys::LowerCase(lone), loweredLone);
}
#endif

}  // namespace
