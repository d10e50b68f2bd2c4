// Files and directories: existence, positioning, moving, deleting, full
// paths, sharing and the system's error texts.
#include "sys/file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>

#include "sys/codepage.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

sys::File OpenOrFail(const std::u16string& path, sys::Access access, sys::Share share) {
  auto file = sys::File::Open(path, access, share, sys::Disposition::OpenExisting);
  EXPECT_TRUE(file) << "error " << file.Error();
  return file ? std::move(*file) : sys::File();
}

TEST(FileExists, TellsFilesFromDirectoriesAndNothing) {
  TempDir dir;
  WriteFile(dir.Path() / "pack.db", "x");
  std::filesystem::create_directory(dir.Path() / "folder");

  EXPECT_TRUE(sys::FileExists(dir.Text("pack.db")));
  EXPECT_FALSE(sys::DirectoryExists(dir.Text("pack.db")));
  EXPECT_FALSE(sys::FileExists(dir.Text("folder")));
  EXPECT_TRUE(sys::DirectoryExists(dir.Text("folder")));
  EXPECT_FALSE(sys::FileExists(dir.Text("missing")));
  EXPECT_FALSE(sys::DirectoryExists(dir.Text("missing")));
  EXPECT_FALSE(sys::FileExists(u""));
}

TEST(FileExists, NonAsciiNames) {
  TempDir dir;
  const std::u16string name = u"安装程序.exe";
  ASSERT_EQ(sys::MakeDirectory(dir.Text() + u"下载"), 0);
  auto file = sys::File::Open(dir.Text() + u"下载" + sys::kPathDelimiter + name, sys::Access::Write,
                              sys::Share::None, sys::Disposition::CreateAlways);
  ASSERT_TRUE(file) << "error " << file.Error();
  file->Close();
  EXPECT_TRUE(sys::FileExists(dir.Text() + u"下载" + sys::kPathDelimiter + name));
  EXPECT_TRUE(sys::DirectoryExists(dir.Text() + u"下载"));
}

class Positioning : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.Path() / "data", "0123456789");
    file_ = OpenOrFail(dir_.Text("data"), sys::Access::Read, sys::Share::ReadWrite);
  }
  std::int64_t Position() {
    auto position = file_.Seek(0, sys::SeekFrom::Current);
    EXPECT_TRUE(position);
    return position ? *position : -1;
  }
  std::string ReadAll() {
    std::string out;
    char buffer[4];
    for (;;) {
      auto n = file_.Read(buffer, sizeof buffer);
      EXPECT_TRUE(n);
      if (!n || *n == 0) return out;
      out.append(buffer, *n);
    }
  }
  TempDir dir_;
  sys::File file_;
};

TEST_F(Positioning, RelativeToEachOrigin) {
  EXPECT_EQ(*file_.Seek(4, sys::SeekFrom::Begin), 4);
  EXPECT_EQ(*file_.Seek(2, sys::SeekFrom::Current), 6);
  EXPECT_EQ(*file_.Seek(-4, sys::SeekFrom::End), 6);
  EXPECT_EQ(ReadAll(), "6789");
  EXPECT_EQ(*file_.Seek(-10, sys::SeekFrom::End), 0);
  EXPECT_EQ(ReadAll(), "0123456789");
  EXPECT_EQ(*file_.Size(), 10);
}

TEST_F(Positioning, BeforeTheStartIsRefusedAndThePositionStays) {
  ASSERT_EQ(*file_.Seek(4, sys::SeekFrom::Begin), 4);
  EXPECT_FALSE(file_.Seek(-11, sys::SeekFrom::End));
  EXPECT_EQ(Position(), 4);
  EXPECT_FALSE(file_.Seek(-5, sys::SeekFrom::Current));
  EXPECT_EQ(Position(), 4);
  EXPECT_FALSE(file_.Seek(-1, sys::SeekFrom::Begin));
  EXPECT_EQ(Position(), 4);
  EXPECT_EQ(ReadAll(), "456789");
}

TEST_F(Positioning, BeyondTheEndReadsNothing) {
  EXPECT_EQ(*file_.Seek(20, sys::SeekFrom::Begin), 20);
  char c = 0;
  auto n = file_.Read(&c, 1);
  ASSERT_TRUE(n);
  EXPECT_EQ(*n, 0u);
}

TEST(FileWrite, SetEndOfFileCutsAndGrows) {
  TempDir dir;
  auto file = sys::File::Open(dir.Text("out"), sys::Access::ReadWrite, sys::Share::None,
                              sys::Disposition::CreateAlways);
  ASSERT_TRUE(file);
  ASSERT_EQ(*file->Write("abcdef", 6), 6u);
  ASSERT_EQ(*file->Seek(3, sys::SeekFrom::Begin), 3);
  EXPECT_EQ(file->SetEndOfFile(), 0);
  EXPECT_EQ(*file->Size(), 3);
  ASSERT_EQ(*file->Seek(5, sys::SeekFrom::Begin), 5);
  EXPECT_EQ(file->SetEndOfFile(), 0);
  file->Close();
  EXPECT_FALSE(file->IsOpen());
  EXPECT_EQ(ReadFile(dir.Path() / "out"), std::string("abc\0\0", 5));
}

TEST(FileOpen, CreateAlwaysEmptiesAnExistingFile) {
  TempDir dir;
  WriteFile(dir.Path() / "out", "old content");
  auto file = sys::File::Open(dir.Text("out"), sys::Access::Write, sys::Share::None, sys::Disposition::CreateAlways);
  ASSERT_TRUE(file);
  ASSERT_EQ(*file->Write("new", 3), 3u);
  file->Close();
  EXPECT_EQ(ReadFile(dir.Path() / "out"), "new");
}

TEST(FileOpen, CreateAlwaysRefusesAReadOnlyFile) {
  TempDir dir;
  WriteFile(dir.Path() / "locked", "keep");
#ifdef _WIN32
  ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(dir.Text("locked").c_str()),
                                 FILE_ATTRIBUTE_READONLY));
  ASSERT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(dir.Text("locked").c_str())) &
                FILE_ATTRIBUTE_READONLY,
            0u);
#else
  std::filesystem::permissions(dir.Path() / "locked", std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::group_read |
                                                         std::filesystem::perms::others_read);
#endif
  auto file = sys::File::Open(dir.Text("locked"), sys::Access::ReadWrite, sys::Share::None,
                              sys::Disposition::CreateAlways);
  EXPECT_FALSE(file);
  EXPECT_NE(file.Error(), 0);
  EXPECT_EQ(ReadFile(dir.Path() / "locked"), "keep");
}

TEST(FileOpen, MissingFilesAndDirectoriesFail) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path() / "folder");
  for (const std::u16string& path : {dir.Text("missing"), dir.Text("folder")}) {
    auto file = sys::File::Open(path, sys::Access::Read, sys::Share::ReadWrite, sys::Disposition::OpenExisting);
    EXPECT_FALSE(file) << sys::ToUtf8(path);
    EXPECT_NE(file.Error(), 0);
  }
  auto created = sys::File::Open(dir.Text("no-such-dir/out"), sys::Access::Write, sys::Share::None,
                                 sys::Disposition::CreateAlways);
  EXPECT_FALSE(created);
}

TEST(FileOpen, MovingAnOpenFileKeepsItOpen) {
  TempDir dir;
  WriteFile(dir.Path() / "a", "content");
  sys::File first = OpenOrFail(dir.Text("a"), sys::Access::Read, sys::Share::ReadWrite);
  sys::File second = std::move(first);
  EXPECT_FALSE(first.IsOpen());
  ASSERT_TRUE(second.IsOpen());
  char buffer[7];
  EXPECT_EQ(*second.Read(buffer, sizeof buffer), 7u);
}

// Sharing modes exist only on Windows: POSIX accepts them without effect.
TEST(FileSharing, ExclusiveOpenShutsOthersOut) {
#ifndef _WIN32
  GTEST_SKIP() << "sharing modes have no effect on POSIX";
#else
  TempDir dir;
  WriteFile(dir.Path() / "held", "x");
  sys::File holder = OpenOrFail(dir.Text("held"), sys::Access::ReadWrite, sys::Share::None);
  auto other = sys::File::Open(dir.Text("held"), sys::Access::Read, sys::Share::ReadWrite,
                               sys::Disposition::OpenExisting);
  EXPECT_FALSE(other);
  EXPECT_EQ(other.Error(), ERROR_SHARING_VIOLATION);
#endif
}

TEST(FileSharing, SharedOpenLetsOthersReadAndWriteButNotDelete) {
  TempDir dir;
  WriteFile(dir.Path() / "held", "x");
  sys::File holder = OpenOrFail(dir.Text("held"), sys::Access::ReadWrite, sys::Share::ReadWrite);
  sys::File reader = OpenOrFail(dir.Text("held"), sys::Access::Read, sys::Share::ReadWrite);
  EXPECT_TRUE(reader.IsOpen());
#ifdef _WIN32
  EXPECT_NE(sys::RemoveFile(dir.Text("held")), 0);
  EXPECT_TRUE(sys::FileExists(dir.Text("held")));
#endif
}

TEST(RemoveFile, DeletesFilesOnly) {
  TempDir dir;
  WriteFile(dir.Path() / "a", "x");
  std::filesystem::create_directory(dir.Path() / "folder");
  EXPECT_EQ(sys::RemoveFile(dir.Text("a")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "a"));
  EXPECT_NE(sys::RemoveFile(dir.Text("a")), 0);
  EXPECT_NE(sys::RemoveFile(dir.Text("folder")), 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "folder"));
}

TEST(RenameFile, MovesToAFreeName) {
  TempDir dir;
  WriteFile(dir.Path() / "pkg.zip.tmp", "zip");
  EXPECT_EQ(sys::RenameFile(dir.Text("pkg.zip.tmp"), dir.Text("pkg.zip")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "pkg.zip.tmp"));
  EXPECT_EQ(ReadFile(dir.Path() / "pkg.zip"), "zip");
}

TEST(RenameFile, RefusesAnExistingTarget) {
  TempDir dir;
  WriteFile(dir.Path() / "new", "new");
  WriteFile(dir.Path() / "old", "old");
  EXPECT_NE(sys::RenameFile(dir.Text("new"), dir.Text("old")), 0);
  EXPECT_EQ(ReadFile(dir.Path() / "new"), "new");
  EXPECT_EQ(ReadFile(dir.Path() / "old"), "old");
}

TEST(RenameFile, MissingSourceFails) {
  TempDir dir;
  EXPECT_NE(sys::RenameFile(dir.Text("none"), dir.Text("other")), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.Path() / "other"));
}

TEST(MakeDirectory, CreatesOneLevel) {
  TempDir dir;
  EXPECT_EQ(sys::MakeDirectory(dir.Text("download")), 0);
  EXPECT_TRUE(sys::DirectoryExists(dir.Text("download")));
  EXPECT_NE(sys::MakeDirectory(dir.Text("download")), 0);
  EXPECT_NE(sys::MakeDirectory(dir.Text("a/b")), 0);
}

struct FullPathCase {
  const char* name;
  friend void PrintTo(const FullPathCase& c, std::ostream* os) { *os << c.name; }
  std::u16string relative;  // "/" is replaced by the platform's delimiter
  std::u16string expected;  // below the current directory; "" is the directory itself
};

std::u16string Native(std::u16string path) {
  for (char16_t& c : path) {
    if (c == u'/') c = sys::kPathDelimiter;
  }
  return path;
}

class FullPath : public ::testing::TestWithParam<FullPathCase> {};

TEST_P(FullPath, ResolvesAgainstTheCurrentDirectory) {
  TempDir dir;
  std::filesystem::create_directories(dir.Path() / "cur");
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path() / "cur");
  const auto full = sys::FullPathName(Native(GetParam().relative));
  // The temporary directory may itself lie behind a link: compare against
  // what the system reports as the current directory.
  const std::u16string cur = testing_support::ToText(std::filesystem::current_path());
  std::filesystem::current_path(saved);
  ASSERT_TRUE(full);
  const std::u16string parent = cur.substr(0, cur.find_last_of(sys::kPathDelimiter));
  std::u16string expected = Native(GetParam().expected);
  if (expected.starts_with(u"..")) {
    expected = parent + expected.substr(2);
  } else {
    expected = cur + expected;
  }
  EXPECT_EQ(*full, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Relative, FullPath,
    ::testing::Values(FullPathCase{"Name", u"pack.db", u"/pack.db"},
                      FullPathCase{"Dots", u"a/./b/../c", u"/a/c"},
                      FullPathCase{"LeadingDot", u"./pack.db", u"/pack.db"},
                      FullPathCase{"Parent", u"../x", u"../x"},
                      FullPathCase{"TrailingDelimiterKept", u"download/", u"/download/"},
                      FullPathCase{"Dot", u".", u""},
                      FullPathCase{"TrailingDot", u"a/.", u"/a"},
                      FullPathCase{"TrailingDotDot", u"a/b/..", u"/a"},
                      FullPathCase{"NonAscii", u"下载/安装.exe", u"/下载/安装.exe"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FullPath, AbsolutePathsStay) {
  TempDir dir;
  const std::u16string path = dir.Text("a") + sys::kPathDelimiter + u".." + sys::kPathDelimiter + u"b";
  const auto full = sys::FullPathName(path);
  ASSERT_TRUE(full);
  EXPECT_EQ(*full, dir.Text("b"));
}

TEST(ExecutablePath, NamesTheRunningTest) {
  const std::u16string path = sys::ExecutablePath();
  const std::u16string name = path.substr(path.find_last_of(sys::kPathDelimiter) + 1);
#ifdef _WIN32
  EXPECT_EQ(name, u"sys_tests.exe");
#else
  EXPECT_EQ(name, u"sys_tests");
  EXPECT_EQ(path.front(), u'/');
#endif
  EXPECT_TRUE(sys::FileExists(path));
}

TEST(ErrorText, IsTheSystemsTextWithoutTrailingStopsOrBreaks) {
#ifdef _WIN32
  const sys::ErrorCode codes[] = {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION,
                                  ERROR_ALREADY_EXISTS};
#else
  const sys::ErrorCode codes[] = {ENOENT, EACCES, EEXIST, EISDIR};
#endif
  for (const sys::ErrorCode code : codes) {
    const std::u16string text = sys::ErrorText(code);
    ASSERT_FALSE(text.empty()) << code;
    const char16_t last = text.back();
    EXPECT_NE(last, u'.') << sys::ToUtf8(text);
    EXPECT_NE(last, u'\n') << sys::ToUtf8(text);
    EXPECT_NE(last, u'\r') << sys::ToUtf8(text);
    EXPECT_NE(last, u' ') << sys::ToUtf8(text);
  }
  EXPECT_NE(sys::ErrorText(codes[0]), sys::ErrorText(codes[1]));
}

TEST(ErrorText, FailedCallsGiveTheirCode) {
  TempDir dir;
  auto file = sys::File::Open(dir.Text("missing"), sys::Access::Read, sys::Share::ReadWrite,
                              sys::Disposition::OpenExisting);
  ASSERT_FALSE(file);
#ifdef _WIN32
  EXPECT_EQ(file.Error(), ERROR_FILE_NOT_FOUND);
#else
  EXPECT_EQ(file.Error(), ENOENT);
#endif
}

}  // namespace
