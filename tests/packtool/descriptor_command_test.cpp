// packtool descriptor create / show, run as the built binary: the output
// lines, the texts on standard error and the exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/descriptor.h"
#include "app/descriptor_files.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "sys/codepage.h"
#include "sys/file.h"

namespace {

using descriptor_files::Descriptor;
using descriptor_files::Fields;
using descriptor_files::File;
using descriptor_files::Scramble;
using testing_support::ProcessResult;
using testing_support::TempDir;
using testing_support::WriteFile;
using Args = std::vector<std::u16string>;

ProcessResult PackTool(const Args& args) {
  return testing_support::RunProcess(testing_support::SiblingProgram(u"packtool"), args);
}

std::string ShowOutput(const std::string& packageId, const std::string& installerName, const std::string& bannerUrl,
                       const std::string& portalUrl) {
  return "PackageId: " + packageId + "\nInstallerName: " + installerName + "\nBannerUrl: " + bannerUrl +
         "\nPortalUrl: " + portalUrl + "\n";
}

TEST(DescriptorCommand, CreateThenShowGivesTheFourValues) {
  TempDir dir;
  const std::u16string out = dir.Text("pack.db");
  const ProcessResult created =
      PackTool({u"descriptor", u"create", out, u"--field", u"2=pid-42", u"--field", u"13=5CE1", u"--field",
                u"15=setup.exe", u"--field", u"21=http://banner.test/b.html", u"--field",
                u"30=http://portal.test/p?a=1&b=2", u"--field", u"31= last "});
  EXPECT_EQ(created.exitCode, 0) << created.err;
  EXPECT_EQ(created.out, "");
  EXPECT_EQ(created.err, "");
  // The file is the payload and its length, nothing else.
  EXPECT_EQ(testing_support::ReadFile(dir.Path() / "pack.db"),
            Descriptor({{2, "pid-42"},
                        {13, "5CE1"},
                        {15, "setup.exe"},
                        {21, "http://banner.test/b.html"},
                        {30, "http://portal.test/p?a=1&b=2"},
                        {31, " last "}}));

  const ProcessResult shown = PackTool({u"descriptor", u"show", out});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, ShowOutput("pid-42", "setup.exe", "http://banner.test/b.html", "http://portal.test/p?a=1&b=2"));
  EXPECT_EQ(shown.err, "");
}

TEST(DescriptorCommand, NoFieldsGiveAnEmptyDescriptor) {
  TempDir dir;
  const ProcessResult created = PackTool({u"descriptor", u"create", dir.Text("pack.db")});
  EXPECT_EQ(created.exitCode, 0) << created.err;
  EXPECT_EQ(testing_support::ReadFile(dir.Path() / "pack.db"), File(Scramble(std::string(31, '`'))));
  const ProcessResult shown = PackTool({u"descriptor", u"show", dir.Text("pack.db")});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, ShowOutput("", "", "", ""));
}

TEST(DescriptorCommand, NonAsciiTextRoundTripsInTheAnsiCodePage) {
  if (sys::ActiveAnsiCodePage() != 936) {
    GTEST_SKIP() << "needs code page 936 as the ANSI code page (active code page " << sys::ActiveAnsiCodePage() << ")";
  }
  TempDir dir;
  const std::u16string out = dir.Text("包.db");
  const ProcessResult created = PackTool({u"descriptor", u"create", out, u"--field", u"2= 软件&1 ", u"--field",
                                          u"15=安装 程序.exe", u"--field", u"30=http://门户.test/"});
  ASSERT_EQ(created.exitCode, 0) << created.err;
  // The program reads it back unchanged.
  std::u16string packageId, installerName, bannerUrl, portalUrl;
  app::ReadDescriptorFile(out, {&packageId, &installerName, &bannerUrl, &portalUrl},
                          [](const std::u16string& text) { ADD_FAILURE() << sys::ToUtf8(text); });
  EXPECT_EQ(packageId, u" 软件&1 ");
  EXPECT_EQ(installerName, u"安装 程序.exe");
  EXPECT_EQ(portalUrl, u"http://门户.test/");

  const ProcessResult shown = PackTool({u"descriptor", u"show", out});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, ShowOutput(" \xE8\xBD\xAF\xE4\xBB\xB6&1 ", "\xE5\xAE\x89\xE8\xA3\x85 \xE7\xA8\x8B\xE5\xBA\x8F.exe",
                                  "", "http://\xE9\x97\xA8\xE6\x88\xB7.test/"));
}

TEST(DescriptorCommand, TextTheAnsiCodePageCannotHoldIsRefused) {
  TempDir dir;
  const ProcessResult created =
      PackTool({u"descriptor", u"create", dir.Text("pack.db"), u"--field", u"2=a\U0001F600b"});
  EXPECT_EQ(created.exitCode, 1);
  EXPECT_NE(created.err, "");
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "pack.db"));
}

TEST(DescriptorCommand, UnwritableOutputFails) {
  TempDir dir;
  const std::u16string out = dir.Text("no-dir") + sys::kPathDelimiter + u"pack.db";
  const ProcessResult created = PackTool({u"descriptor", u"create", out});
  EXPECT_EQ(created.exitCode, 1);
  EXPECT_EQ(created.err.rfind("Cannot create file \"" + sys::ToUtf8(out) + "\". ", 0), 0u) << created.err;
}

// Where the program would show a box, show prints that text alone on
// standard error and exits 1.
struct ShowFailure {
  const char* name;
  std::string bytes;  // empty: no file at all
  std::u16string text;
  friend void PrintTo(const ShowFailure& c, std::ostream* os) { *os << c.name; }
};

class DescriptorShowFailure : public ::testing::TestWithParam<ShowFailure> {};

TEST_P(DescriptorShowFailure, PrintsTheProgramsTextAndExitsOne) {
  TempDir dir;
  const std::u16string path = dir.Text("pack.db");
  if (!GetParam().bytes.empty()) WriteFile(dir.Path() / "pack.db", GetParam().bytes);
  std::u16string expected = GetParam().text;
  if (expected.empty()) expected = u"文件不存在：" + path;
  const ProcessResult shown = PackTool({u"descriptor", u"show", path});
  EXPECT_EQ(shown.exitCode, 1);
  EXPECT_EQ(shown.out, "");
  EXPECT_EQ(shown.err, sys::ToUtf8(expected) + "\n");
}

std::map<int, std::string> WithField13(std::string text) {
  return {{2, "pid"}, {13, std::move(text)}, {15, "setup.exe"}};
}

INSTANTIATE_TEST_SUITE_P(
    Files, DescriptorShowFailure,
    ::testing::Values(ShowFailure{"Missing", "", u""},
                      ShowFailure{"ThirtyOneFields", File(Scramble(Fields({}, 31))), u"文件已经被破坏，无法打开"},
                      ShowFailure{"NegativeLength", File(Scramble(Fields({})), -1), u"文件已经被破坏，无法打开"},
                      ShowFailure{"ThreeBytes", "abc", u"Stream read error."},
                      ShowFailure{"LengthBeyondTheFile", File("1D", 3), u"Stream read error."},
                      ShowFailure{"LengthOverflows", File("1D", 2147483634), u"Integer overflow."},
                      ShowFailure{"PayloadBadPair", File("1Dx!"), u"'$x!' is not a valid integer value."},
                      ShowFailure{"Field13", Descriptor(WithField13("zz")), u"'$zz' is not a valid integer value."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DescriptorCommand, ShowOfADirectoryIsAMissingFile) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "pack.db");
  const ProcessResult shown = PackTool({u"descriptor", u"show", dir.Text("pack.db")});
  EXPECT_EQ(shown.exitCode, 1);
  EXPECT_EQ(shown.err, sys::ToUtf8(u"文件不存在：" + dir.Text("pack.db")) + "\n");
}

struct UsageCase {
  const char* name;
  Args args;  // "OUT" stands for a file in the test's directory
  friend void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }
};

class UsageError : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageError, ExitsTwoWithTheUsage) {
  TempDir dir;
  Args args = GetParam().args;
  for (auto& arg : args) {
    if (arg == u"OUT") arg = dir.Text("pack.db");
  }
  const ProcessResult result = PackTool(args);
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("usage:"), std::string::npos) << result.err;
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "pack.db"));
}

INSTANTIATE_TEST_SUITE_P(
    Words, UsageError,
    ::testing::Values(UsageCase{"Nothing", {}},
                      UsageCase{"UnknownCommand", {u"frobnicate"}},
                      UsageCase{"DescriptorAlone", {u"descriptor"}},
                      UsageCase{"UnknownSubcommand", {u"descriptor", u"edit", u"OUT"}},
                      UsageCase{"CreateWithoutOut", {u"descriptor", u"create"}},
                      UsageCase{"FieldWithoutValue", {u"descriptor", u"create", u"OUT", u"--field"}},
                      UsageCase{"StrayWord", {u"descriptor", u"create", u"OUT", u"2=x"}},
                      UsageCase{"FieldWithoutEquals", {u"descriptor", u"create", u"OUT", u"--field", u"2"}},
                      UsageCase{"FieldNumberMissing", {u"descriptor", u"create", u"OUT", u"--field", u"=x"}},
                      UsageCase{"FieldNumber32", {u"descriptor", u"create", u"OUT", u"--field", u"32=x"}},
                      UsageCase{"FieldNumberNegative", {u"descriptor", u"create", u"OUT", u"--field", u"-1=x"}},
                      UsageCase{"FieldNumberNotDecimal", {u"descriptor", u"create", u"OUT", u"--field", u"x2=x"}},
                      UsageCase{"FieldWithBacktick", {u"descriptor", u"create", u"OUT", u"--field", u"2=a`b"}},
                      UsageCase{"ShowWithoutFile", {u"descriptor", u"show"}},
                      UsageCase{"ShowTwoFiles", {u"descriptor", u"show", u"OUT", u"OUT"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
