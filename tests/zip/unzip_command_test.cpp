// packtool unzip, run as the built binary: what it writes, its exit codes,
// and the error text alone on standard error.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_process.h"
#include "support/temp_dir.h"
#include "sys/file.h"
#include "support/zip_builder.h"

namespace {

using testing_support::ProcessResult;
using testing_support::ReadFile;
using testing_support::TempDir;
using zip_testing::Archive;
using zip_testing::Entry;

ProcessResult Unzip(const std::vector<std::u16string>& args) {
  std::vector<std::u16string> words = {u"unzip"};
  words.insert(words.end(), args.begin(), args.end());
  return testing_support::RunProcess(testing_support::SiblingProgram(u"packtool"), words);
}

TEST(UnzipCommand, UnpacksAsTheProgramDoes) {
  TempDir dir;
  Archive archive;
  archive.entries = {Entry{.name = "setup/\xB0\xB2\xD7\xB0.exe", .data = "MZ", .method = 8},  // 安装 in code page 936
                     Entry{.name = "readme.txt", .data = "read me"}};
  testing_support::WriteFile(dir.Path() / "p.zip", zip_testing::Build(archive));
  // DIR without its delimiter gets one.
  const ProcessResult result = Unzip({dir.Text("p.zip"), dir.Text("out")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(ReadFile(dir.Path() / "out" / "setup" / std::filesystem::path(u"\u5B89\u88C5.exe")), "MZ");
  EXPECT_EQ(ReadFile(dir.Path() / "out" / "readme.txt"), "read me");
}

TEST(UnzipCommand, PrintsTheErrorAloneAndExitsWithOne) {
  TempDir dir;
  Archive archive;
  archive.entries = {Entry{.name = "ok", .data = "1"}, Entry{.name = "../escape", .data = "2"}};
  testing_support::WriteFile(dir.Path() / "bad.zip", zip_testing::Build(archive));
  testing_support::WriteFile(dir.Path() / "junk.zip", "not an archive at all");
  Archive damaged;
  damaged.entries = {Entry{.name = "setup.exe", .data = "MZ", .method = 8, .overrideCrc = true, .crc = 7}};
  testing_support::WriteFile(dir.Path() / "damaged.zip", zip_testing::Build(damaged));
  Archive encrypted;
  encrypted.entries = {Entry{.name = "x", .data = "noise", .flag = 0x0001}};
  testing_support::WriteFile(dir.Path() / "encrypted.zip", zip_testing::Build(encrypted));
  struct Case {
    std::u16string archive;
    std::string err;
  };
  const Case cases[] = {
      {dir.Text("bad.zip"), "Entry \"../escape\" would be written outside the destination directory\n"},
      {dir.Text("junk.zip"), "Error reading zip file\n"},
      {dir.Text("damaged.zip"), "Entry \"setup.exe\" is damaged: its checksum does not match\n"},
      {dir.Text("encrypted.zip"), "Entry \"x\" is encrypted\n"},
  };
  for (const Case& c : cases) {
    const ProcessResult result = Unzip({c.archive, dir.Text("out") + sys::kPathDelimiter});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, c.err);
  }
  EXPECT_EQ(ReadFile(dir.Path() / "out" / "ok"), "1");
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "escape"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out" / "setup.exe"));
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "out" / "x"));

  const ProcessResult usage = Unzip({dir.Text("bad.zip")});
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.err.find("packtool unzip ARCHIVE DIR"), std::string::npos) << usage.err;
}

}  // namespace
