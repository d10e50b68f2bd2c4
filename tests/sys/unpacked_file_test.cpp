// The calls that write an unpacked file: creating it without following a
// link, telling what a path names, and giving the written file its time and
// attributes.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "support/temp_dir.h"
#include "sys/codepage.h"
#include "sys/file.h"
#include "sys/file_meta.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(CreateForUnpacking, CreatesAndEmptiesFiles) {
  TempDir dir;
  WriteFile(dir.Path() / "old", "an older content");
  for (const char* name : {"new", "old"}) {
    auto file = sys::File::CreateForUnpacking(dir.Text(name), sys::Share::None);
    ASSERT_TRUE(file) << name;
    ASSERT_EQ(*file->Write("data", 4), 4u);
    file->Close();
    EXPECT_EQ(ReadFile(dir.Path() / name), "data");
  }
}

TEST(CreateForUnpacking, RefusesReadOnlyFilesAndDirectories) {
  TempDir dir;
  WriteFile(dir.Path() / "locked", "keep");
#ifdef _WIN32
  ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(dir.Text("locked").c_str()),
                                 FILE_ATTRIBUTE_READONLY));
#else
  fs::permissions(dir.Path() / "locked", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
#endif
  fs::create_directory(dir.Path() / "folder");
  for (const char* name : {"locked", "folder"}) {
    auto file = sys::File::CreateForUnpacking(dir.Text(name), sys::Share::None);
    EXPECT_FALSE(file) << name;
    EXPECT_GT(file.Error(), 0) << name;  // the system's code, not the link's
  }
  EXPECT_EQ(ReadFile(dir.Path() / "locked"), "keep");
  // Opening a directory for writing fails as well through Open.
  EXPECT_FALSE(sys::File::Open(dir.Text("folder"), sys::Access::Write, sys::Share::None,
                               sys::Disposition::OpenExisting));
}

TEST(KindOf, TellsNothingDirectoriesAndFiles) {
  TempDir dir;
  WriteFile(dir.Path() / "file", "x");
  fs::create_directory(dir.Path() / "folder");
  EXPECT_EQ(sys::KindOf(dir.Text("missing")), sys::PathKind::Missing);
  EXPECT_EQ(sys::KindOf(dir.Text("file")), sys::PathKind::File);
  EXPECT_EQ(sys::KindOf(dir.Text("folder")), sys::PathKind::Directory);
}

#ifndef _WIN32
TEST(CreateForUnpacking, NeverFollowsALink) {
  TempDir dir;
  WriteFile(dir.Path() / "target", "keep");
  fs::create_symlink(dir.Path() / "target", dir.Path() / "link");
  fs::create_symlink(dir.Path() / "nowhere", dir.Path() / "dangling");
  for (const char* name : {"link", "dangling"}) {
    EXPECT_EQ(sys::KindOf(dir.Text(name)), sys::PathKind::Link) << name;
    auto file = sys::File::CreateForUnpacking(dir.Text(name), sys::Share::None);
    EXPECT_FALSE(file) << name;
    EXPECT_EQ(file.Error(), sys::kErrorIsLink) << name;
  }
  EXPECT_EQ(ReadFile(dir.Path() / "target"), "keep");
  EXPECT_FALSE(fs::exists(dir.Path() / "nowhere"));
}

TEST(FinishUnpackedFile, SetsTimeAndModeOnTheOpenFileAndClosesIt) {
  TempDir dir;
  struct Case {
    const char* name;
    sys::UnpackedFileMetadata metadata;
    fs::perms perms;
  };
  const sys::LocalDateTime time{.year = 2021, .month = 7, .day = 14, .hour = 9, .minute = 30, .second = 42};
  const Case cases[] = {
      {"readonly", {time, 0x21, std::nullopt}, fs::perms::owner_read | fs::perms::group_read |
                                                              fs::perms::others_read},
      {"archive", {time, 0x20, std::nullopt}, fs::perms::unknown},
      {"script", {std::nullopt, std::nullopt, 04750}, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec},
  };
  for (const Case& c : cases) {
    auto file = sys::File::CreateForUnpacking(dir.Text(c.name), sys::Share::None);
    ASSERT_TRUE(file) << c.name;
    ASSERT_EQ(*file->Write("x", 1), 1u);
    const fs::perms created = fs::status(dir.Path() / c.name).permissions();
    sys::FinishUnpackedFile(*file, dir.Text(c.name), c.metadata);
    EXPECT_FALSE(file->IsOpen()) << c.name;
    const fs::perms now = fs::status(dir.Path() / c.name).permissions();
    EXPECT_EQ(now, c.perms == fs::perms::unknown ? created : c.perms) << c.name;  // never a set-id bit
    if (c.metadata.time) {
      std::tm local{};
      local.tm_year = 2021 - 1900;
      local.tm_mon = 6;
      local.tm_mday = 14;
      local.tm_hour = 9;
      local.tm_min = 30;
      local.tm_sec = 42;
      local.tm_isdst = -1;
      const auto written = fs::last_write_time(dir.Path() / c.name);
      const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
          std::chrono::file_clock::to_sys(written).time_since_epoch());
      EXPECT_EQ(seconds.count(), static_cast<long long>(std::mktime(&local))) << c.name;
    }
  }
}
#endif

}  // namespace
