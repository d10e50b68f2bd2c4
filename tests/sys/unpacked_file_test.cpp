// The calls that write an unpacked file: creating it without following a
// link, telling what a path names, and giving the written file its time and
// attributes.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/local_time.h"
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
      EXPECT_EQ(testing_support::WriteSeconds(dir.Path() / c.name), testing_support::LocalSeconds(2021, 7, 14, 9, 30, 42))
          << c.name;
    }
  }
}

// Conversions of the same local time are remembered, but only for the zone
// setting they were made under: after a change of TZ the same stamp is a
// different moment.
TEST(SetFileTimesFromLocal, FollowsAChangeOfTheZoneSetting) {
  struct ZoneSetting {
    ZoneSetting() {
      if (const char* value = std::getenv("TZ")) saved = value;
    }
    ~ZoneSetting() {
      if (saved) ::setenv("TZ", saved->c_str(), 1);
      else ::unsetenv("TZ");
      ::tzset();
    }
    std::optional<std::string> saved;
  } restore;
  TempDir dir;
  WriteFile(dir.Path() / "f", "x");
  const sys::LocalDateTime noon{.year = 2020, .month = 6, .day = 1, .hour = 12, .minute = 0, .second = 0};
  const auto stamp = [&] { return testing_support::WriteSeconds(dir.Path() / "f"); };
  constexpr long long kNoonUtc = 1591012800;  // 2020-06-01 12:00:00 UTC
  const struct {
    const char* zone;
    long long utc;
  } zones[] = {{"UTC0", kNoonUtc}, {"EST5", kNoonUtc + 5 * 3600}, {"EST5", kNoonUtc + 5 * 3600}, {"UTC0", kNoonUtc}};
  for (const auto& z : zones) {
    ::setenv("TZ", z.zone, 1);
    ::tzset();
    ASSERT_EQ(sys::SetFileTimesFromLocal(dir.Text("f"), noon), 0) << z.zone;
    EXPECT_EQ(stamp(), z.utc) << z.zone;
  }
  // Another stamp under the same setting is converted, not taken from the last.
  ASSERT_EQ(sys::SetFileTimesFromLocal(dir.Text("f"), {.year = 2020, .month = 6, .day = 1, .hour = 13}), 0);
  EXPECT_EQ(stamp(), kNoonUtc + 3600);
}
#endif

}  // namespace
