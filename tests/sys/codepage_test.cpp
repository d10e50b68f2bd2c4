// Code-page decoding: the lenient code pages (936, 437, the active ANSI one)
// and strict UTF-8, as the descriptor, the page text and ZIP names use them.
#include "sys/codepage.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

#include "base/encoding.h"
#include "base/exception.h"

namespace {

struct DecodeCase {
  const char* name;
  friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
  unsigned codePage;
  std::string bytes;
  std::u16string text;
};

class DecodeTable : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTable, GivesTheText) {
  const DecodeCase& c = GetParam();
  const auto text = sys::DecodeBytes(c.codePage, c.bytes);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, DecodeTable,
    ::testing::Values(
        DecodeCase{"Cp936Chinese", 936, "\xD6\xD0\xCE\xC4", u"中文"},
        DecodeCase{"Cp936MixedWithAscii", 936, "pid=\xB0\xB2\xD7\xB0" "1.exe", u"pid=安装1.exe"},
        // The second byte 0x60 is a backtick only on its own.
        DecodeCase{"Cp936TrailByteIsBacktick", 936, "\x81\x60" "`", u"\u4E63`"},
        DecodeCase{"Cp936Euro", 936, "\x80", u"\u20AC"},
        DecodeCase{"Cp936Empty", 936, "", u""},
        DecodeCase{"Cp437HighBytes", 437, "\x80\x81\xE1\xB0\xDB\xFF", u"Çüß░█\u00A0"},
        DecodeCase{"Cp437Ascii", 437, "readme.txt", u"readme.txt"},
        DecodeCase{"Cp437Empty", 437, "", u""},
        DecodeCase{"Utf8Mixed", sys::kCodePageUtf8, "h\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", u"hé中😀"},
        DecodeCase{"Utf8Empty", sys::kCodePageUtf8, "", u""}),
    [](const auto& info) { return std::string(info.param.name); });

// Unmapped bytes of the lenient code pages become one substitute character
// each; the rest of the text survives.
TEST(LenientCodePage, UnmappedBytesAreSubstituted) {
  // 0x81 opens a double-byte character that the end of the text cuts off.
  const auto cut = sys::DecodeBytes(936, "AB\x81");
  ASSERT_TRUE(cut.has_value());
  EXPECT_EQ(cut->substr(0, 2), u"AB");
  EXPECT_LE(cut->size(), 3u);

  // A lead byte followed by a byte that cannot end a character.
  const auto broken = sys::DecodeBytes(936, "A\x81\x7F" "Z");
  ASSERT_TRUE(broken.has_value());
  EXPECT_EQ(broken->front(), u'A');
  EXPECT_EQ(broken->back(), u'Z');
}

TEST(LenientCodePage, ActiveAnsiCodePageDecodesLikeItsNumber) {
  const std::string bytes = "\xD6\xD0\xCE\xC4 abc \x80";
  EXPECT_EQ(sys::DecodeBytes(sys::kCodePageAnsi, bytes), sys::DecodeBytes(sys::ActiveAnsiCodePage(), bytes));
}

#ifndef _WIN32
TEST(LenientCodePage, PosixStandsInCodePage936ForTheAnsiCodePage) {
  EXPECT_EQ(sys::ActiveAnsiCodePage(), 936u);
}
#endif

TEST(LenientCodePage, EncodesAndDecodesBack) {
  const std::u16string text = u"安装程序 setup.exe";
  const auto bytes = sys::EncodeText(936, text);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, "\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2 setup.exe");
  EXPECT_EQ(sys::DecodeBytes(936, *bytes), text);
}

TEST(LenientCodePage, UnencodableTextDoesNotComeBackUnchanged) {
  // packtool relies on this to refuse fields the program would misread.
  const std::u16string text = u"a😀b";
  const auto bytes = sys::EncodeText(936, text);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_NE(sys::DecodeBytes(936, *bytes), text);
}

struct InvalidUtf8Case {
  const char* name;
  friend void PrintTo(const InvalidUtf8Case& c, std::ostream* os) { *os << c.name; }
  std::string bytes;
};

class InvalidUtf8 : public ::testing::TestWithParam<InvalidUtf8Case> {};

TEST_P(InvalidUtf8, IsRejectedWhole) {
  const std::string& bytes = GetParam().bytes;
  EXPECT_FALSE(sys::FromUtf8Strict(bytes).has_value());
  EXPECT_FALSE(sys::DecodeBytes(sys::kCodePageUtf8, bytes).has_value());
  // Inside valid text as well.
  EXPECT_FALSE(sys::FromUtf8Strict("ok" + bytes + "ok").has_value());
  EXPECT_FALSE(sys::DecodeBytes(sys::kCodePageUtf8, "ok" + bytes + "ok").has_value());
}

TEST_P(InvalidUtf8, LenientFormSubstitutes) {
  const std::u16string text = sys::FromUtf8("<" + GetParam().bytes + ">");
  EXPECT_EQ(text.front(), u'<');
  EXPECT_EQ(text.back(), u'>');
  EXPECT_NE(text.find(u'\uFFFD'), std::u16string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, InvalidUtf8,
    ::testing::Values(InvalidUtf8Case{"OverlongSlash2", "\xC0\xAF"},
                      InvalidUtf8Case{"OverlongSlash3", "\xE0\x80\xAF"},
                      InvalidUtf8Case{"OverlongSlash4", "\xF0\x80\x80\xAF"},
                      InvalidUtf8Case{"OverlongNul", "\xC0\x80"},
                      InvalidUtf8Case{"HighSurrogate", "\xED\xA0\x80"},
                      InvalidUtf8Case{"LowSurrogate", "\xED\xBF\xBF"},
                      InvalidUtf8Case{"AboveU10FFFF", "\xF4\x90\x80\x80"},
                      InvalidUtf8Case{"TruncatedThree", "\xE4\xB8"},
                      InvalidUtf8Case{"TruncatedTwo", "\xC3"},
                      InvalidUtf8Case{"LoneContinuation", "\x80"},
                      InvalidUtf8Case{"InvalidLeadFF", "\xFF"},
                      InvalidUtf8Case{"FiveByteForm", "\xF8\x88\x80\x80\x80"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8, LargestValuesDecode) {
  EXPECT_EQ(sys::FromUtf8Strict("\xF4\x8F\xBF\xBF"), std::u16string(u"\U0010FFFF"));
  EXPECT_EQ(sys::FromUtf8Strict("\xEF\xBF\xBF"), std::u16string(u"\uFFFF"));
  EXPECT_EQ(sys::FromUtf8Strict(std::string("\0", 1)), std::u16string(1, u'\0'));
}

TEST(Utf8, EncodesSurrogatePairsAndReplacesLoneOnes) {
  EXPECT_EQ(sys::ToUtf8(u"é中😀"), "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
  const std::u16string lone = {u'a', static_cast<char16_t>(0xD800), u'b', static_cast<char16_t>(0xDC00)};
  EXPECT_EQ(sys::ToUtf8(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Encoding, Utf8DecoderRaisesOnInvalidBytes) {
  EXPECT_EQ(base::TEncoding::UTF8().GetString("\xE4\xB8\xAD"), u"中");
  try {
    base::TEncoding::UTF8().GetString("\xC0\xAF");
    FAIL() << "invalid UTF-8 was accepted";
  } catch (const base::EEncodingError& e) {
    EXPECT_EQ(e.Message(), u"No mapping for the Unicode character exists in the target multi-byte code page");
  }
}

TEST(Encoding, CodePageDecoders) {
  EXPECT_EQ(base::TEncoding::CodePage437().GetString("\x80"), u"Ç");
  const auto cp936 = base::TEncoding::GetEncoding(936);
  EXPECT_EQ(cp936->CodePage(), 936u);
  EXPECT_EQ(cp936->GetString("\xD6\xD0"), u"中");
  EXPECT_THROW(base::TEncoding::GetEncoding(12345), base::EEncodingError);
}

}  // namespace
