// Reading page text and finding the download marker in it.
#include <gtest/gtest.h>

#include "app/link_detection.h"
#include "sys/codepage.h"
#include "toolkit/controls.h"

namespace {

struct SegmentCase {
  std::u16string address;
  std::u16string fileName;
};

// Names the case by its address in test listings.
void PrintTo(const SegmentCase& c, std::ostream* os) { *os << '"' << sys::ToUtf8(c.address) << '"'; }

class LastUrlSegmentTest : public ::testing::TestWithParam<SegmentCase> {};

TEST_P(LastUrlSegmentTest, TakesTheLastItem) {
  EXPECT_EQ(app::LastUrlSegment(GetParam().address), GetParam().fileName);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, LastUrlSegmentTest,
    ::testing::Values(SegmentCase{u"http://host/dir/pkg.zip", u"pkg.zip"},
                      SegmentCase{u"http://host/dir/", u""},
                      SegmentCase{u"http://host/get.php?id=5", u"get.php?id=5"},
                      SegmentCase{u"http://host/a.zip?v=1/2", u"2"},
                      SegmentCase{u"http://host/my file.zip", u"file.zip"},
                      SegmentCase{u"http://host/dir\\pkg.zip", u"dir\\pkg.zip"},
                      SegmentCase{u"http://host", u"host"},
                      SegmentCase{u"", u""},
                      SegmentCase{u" \t\r\n ", u""},
                      // A line break inside the marker splits like a space.
                      SegmentCase{u"http://host/a\r\nb.zip", u"b.zip"},
                      // Blanks around the address do not reach the name.
                      SegmentCase{u"  http://host/pkg.zip  ", u"pkg.zip"},
                      SegmentCase{u"http://host/ pkg.zip", u"pkg.zip"},
                      SegmentCase{u"http://host/pkg.zip /", u""}));

INSTANTIATE_TEST_SUITE_P(
    Quotes, LastUrlSegmentTest,
    ::testing::Values(SegmentCase{u"http://host/\"my file.zip\"", u"my file.zip"},
                      SegmentCase{u"http://host/\"say \"\"hi\"\".zip\"", u"say \"hi\".zip"},
                      SegmentCase{u"http://host/\"open ended.zip", u"open ended.zip"},
                      // A quote inside an item is an ordinary character.
                      SegmentCase{u"http://host/a\"b.zip", u"a\"b.zip"},
                      // What follows a closing quote directly begins the next item.
                      SegmentCase{u"http://host/\"a\"b.zip", u"b.zip"},
                      // A quoted item can hold a slash.
                      SegmentCase{u"http://host/\"x/y.zip\"", u"x/y.zip"}));

INSTANTIATE_TEST_SUITE_P(
    WholeCharacters, LastUrlSegmentTest,
    ::testing::Values(
        // A surrogate pair stays whole.
        SegmentCase{u"http://host/\U0001F4E6.zip", u"\U0001F4E6.zip"},
        // A slash followed by a combining mark is one character: the item
        // after it still starts behind both.
        SegmentCase{u"http://host/dir/\u0338pkg.zip", u"pkg.zip"},
        // Combining marks after a letter belong to it.
        SegmentCase{u"http://host/cafe\u0301.zip", u"cafe\u0301.zip"},
        // A blank with a combining mark is skipped with it.
        SegmentCase{u"http://host/a \u0301b.zip", u"b.zip"}));

TEST(TextBetween, FindsTheAddress) {
  struct Case {
    std::u16string text, expected;
  };
  const Case cases[] = {
      {u"x|||http://h/p.zip*y", u"http://h/p.zip"},
      {u"|||a*|||b*", u"a"},             // the first marker counts
      {u"||||a*", u"|a"},                // four bars: the address begins with the fourth
      {u"|||a**", u"a"},                 // the first asterisk ends it
      {u"|||*a*", u""},                  // an asterisk right away: empty
      {u"|||no end", u""},               // no asterisk: empty
      {u"||| a b *", u" a b "},          // blanks are kept
      {u"|||<b>h&amp;x</b>*", u"<b>h&amp;x</b>"},
  };
  for (const Case& c : cases) EXPECT_EQ(app::TextBetween(c.text, u"|||", u"*"), c.expected);
}

TEST(HasDownloadMarker, NeedsBarsAndAnHttpAddressSomewhere) {
  struct Case {
    std::u16string text;
    bool detected;
  };
  const Case cases[] = {
      {u"|||http://h/p.zip*", true},
      {u"<html>no marker http://h</html>", false},
      {u"|||https://h/p.zip*", false},                                    // no "http://" anywhere
      {u"<!DOCTYPE html SYSTEM \"http://w3\">|||https://h/p.zip*", true},  // "http://" elsewhere
      {u"|||HTTP://H/P.ZIP*", true},                                      // capitals match
      {u"|||\uFF28TTP://h*", false},                                      // only ASCII letters fold
      {u"||http://h/p.zip*", false},                                      // two bars are not a marker
  };
  for (const Case& c : cases) EXPECT_EQ(app::HasDownloadMarker(c.text), c.detected) << sys::ToUtf8(c.text);
}

// The page text as the window derives it: decode, the text control's
// normalisation, trimming.
std::u16string PageText(const std::string& source) {
  toolkit::Memo memo(u"Memo1");
  memo.SetText(app::DecodePageSource(source));
  return app::TrimBlanks(memo.Text());
}

TEST(PageText, ByteOrderMarksDecideTheEncoding) {
  EXPECT_EQ(PageText("\xEF\xBB\xBF" "caf\xC3\xA9"), u"café");
  EXPECT_EQ(PageText(std::string("\xFF\xFE" "a\0b\0", 6)), u"ab");
  EXPECT_EQ(PageText(std::string("\xFE\xFF" "\0a\0b", 6)), u"ab");
  // Without a mark: the ANSI code page, here 936 (on POSIX it always is).
  if (sys::ActiveAnsiCodePage() == 936) {
    EXPECT_EQ(PageText("\xD6\xD0\xCE\xC4"), u"中文");
  }
}

TEST(PageText, LineBreaksBecomeCrLfAndTheTextEndsAtItsFirstNul) {
  EXPECT_EQ(PageText("a\nb\rc\r\nd"), u"a\r\nb\r\nc\r\nd");
  EXPECT_EQ(PageText(std::string("  keep\0|||http://h/p.zip*", 26)), u"keep");
  // UTF-16 without a mark is read as ANSI: ASCII text ends at once.
  const std::string utf16(" \0|\0|\0|\0h\0", 10);
  EXPECT_FALSE(app::HasDownloadMarker(PageText(utf16)));
}

TEST(PageText, MarkerWithLineBreakKeepsCrLfInTheAddress) {
  const std::u16string text = PageText("<p>|||http://h/a\nb.zip*</p>");
  EXPECT_EQ(app::TextBetween(text, u"|||", u"*"), u"http://h/a\r\nb.zip");
}

TEST(IsPlainFileName, RefusesNamesThatLeaveTheDirectory) {
  EXPECT_TRUE(app::IsPlainFileName(u"pkg.zip"));
  EXPECT_TRUE(app::IsPlainFileName(u""));
  EXPECT_TRUE(app::IsPlainFileName(u"..pkg.zip"));
  EXPECT_FALSE(app::IsPlainFileName(u"."));
  EXPECT_FALSE(app::IsPlainFileName(u".."));
  EXPECT_FALSE(app::IsPlainFileName(u"dir\\pkg.zip"));
  EXPECT_FALSE(app::IsPlainFileName(u"../pkg.zip"));
}

}  // namespace
