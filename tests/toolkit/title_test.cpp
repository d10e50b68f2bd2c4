// The application title and the text of the general error report.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "sys/codepage.h"
#include "toolkit/application.h"

namespace {

struct TitleCase {
  const char* name;
  friend void PrintTo(const TitleCase& c, std::ostream* os) { *os << c.name; }
  std::u16string exePath;
  std::u16string title;
};

class DeriveTitle : public ::testing::TestWithParam<TitleCase> {};

TEST_P(DeriveTitle, FromTheExecutablePath) {
  EXPECT_EQ(toolkit::DeriveTitle(GetParam().exePath), GetParam().title) << sys::ToUtf8(GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DeriveTitle,
    ::testing::Values(TitleCase{"CutAtTheFirstDot", u"C:\\Apps\\Setup.new.exe", u"Setup"},
                      TitleCase{"AllCapitals", u"C:\\ABC.exe", u"Abc"},
                      TitleCase{"DotsInTheDirectory", u"D:\\Tools\\PACK.Setup.EXE", u"Pack"},
                      TitleCase{"FirstCharacterKept", u"d:\\x\\myInstaller.exe", u"myinstaller"},
                      TitleCase{"NoDirectory", u"ABC.exe", u"Abc"},
                      TitleCase{"NoExtension", u"C:\\x\\NOEXT", u"Noext"},
                      TitleCase{"NameStartsWithDot", u"C:\\x\\.Setup.exe", u""},
                      TitleCase{"DirectoryWithDot", u"C:\\Pack.d\\SETUP.exe", u"Setup"},
                      TitleCase{"NonAsciiCapitals", u"C:\\x\\ÄBC.exe", u"Äbc"},
                      TitleCase{"Cyrillic", u"C:\\x\\УСТАНОВКА.exe", u"Установка"},
                      TitleCase{"Chinese", u"C:\\下载\\安装程序.exe", u"安装程序"},
                      TitleCase{"Empty", u"", u""}),
    [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32
TEST(DeriveTitlePosix, SlashIsTheDelimiter) {
  EXPECT_EQ(toolkit::DeriveTitle(u"/opt/Pack.d/SETUP.bin"), u"Setup");
  EXPECT_EQ(toolkit::DeriveTitle(u"/home/u/packstub-console"), u"packstub-console");
  EXPECT_EQ(toolkit::DeriveTitle(u"/x/ÄÖÜ.exe"), u"Äöü");
}

TEST(DeriveTitlePosix, FirstCharacterOutsideTheBasicPlane) {
  // The first character is a surrogate pair and stays as it is; the next
  // one is lowered.
  EXPECT_EQ(toolkit::DeriveTitle(u"/x/\U00010400\U00010400.exe"), u"\U00010400\U00010428");
}
#endif

struct ReportCase {
  const char* name;
  friend void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }
  std::u16string message;
  std::u16string text;
};

class ErrorReportText : public ::testing::TestWithParam<ReportCase> {};

TEST_P(ErrorReportText, AddsAFullStopAfterCharactersAboveIt) {
  EXPECT_EQ(toolkit::ErrorReportText(GetParam().message), GetParam().text) << sys::ToUtf8(GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    LastCharacter, ErrorReportText,
    ::testing::Values(ReportCase{"Empty", u"", u""},
                      ReportCase{"FullStop", u"Done.", u"Done."},
                      ReportCase{"ClosingParenthesis", u"failed (code 5)", u"failed (code 5)"},
                      ReportCase{"ExclamationMark", u"Stop!", u"Stop!"},
                      ReportCase{"Blank", u"trailing ", u"trailing "},
                      ReportCase{"Comma", u"a,", u"a,"},
                      ReportCase{"Hyphen", u"a-", u"a-"},
                      ReportCase{"LineBreak", u"a\n", u"a\n"},
                      ReportCase{"Letter", u"Stream read error", u"Stream read error."},
                      ReportCase{"Digit", u"code 5", u"code 5."},
                      ReportCase{"Slash", u"http://host/", u"http://host/."},
                      ReportCase{"Colon", u"reason:", u"reason:."},
                      ReportCase{"Quote", u"Cannot open file \"a\"", u"Cannot open file \"a\""},
                      ReportCase{"Chinese", u"文件已经被破坏", u"文件已经被破坏."},
                      ReportCase{"ConversionText", u"'$zz' is not a valid integer value",
                                 u"'$zz' is not a valid integer value."}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
