// Unpacking archives to disk: paths, directories, replacement, the copy,
// times, attributes, the refusals, and the errors of a damaged archive.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>

#ifdef _WIN32
#include <windows.h>
#endif

#include "base/encoding.h"
#include "base/exception.h"
#include "sys/codepage.h"
#include "sys/file.h"
#include "support/local_time.h"
#include "support/temp_dir.h"
#include "zip/zip_errors.h"
#include "zip/zip_file.h"
#include "support/zip_builder.h"

namespace fs = std::filesystem;

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using zip::TZipFile;
using zip_testing::Archive;
using zip_testing::Build;
using zip_testing::Entry;

class ZipExtractTest : public ::testing::Test {
 protected:
  // Writes the archive beside the destination and unpacks it there with the
  // program's decoder.
  void Extract(const Archive& archive) { ExtractBytes(Build(archive)); }
  void ExtractBytes(const std::string& bytes) {
    WriteFile(temp_.Path() / "package.zip", bytes);
    TZipFile::ExtractZipFile(temp_.Text("package.zip"), Destination(), decoder_.get());
  }
  // The error an extraction raises; kind E is required.
  template <class E>
  std::u16string ErrorOf(const Archive& archive) {
    try {
      Extract(archive);
    } catch (const E& error) {
      return error.Message();
    } catch (const std::exception& other) {
      return u"wrong kind: " + sys::FromUtf8(other.what());
    }
    return u"no error";
  }
  std::u16string Destination() const { return temp_.Text("dl") + sys::kPathDelimiter; }
  fs::path Out(const fs::path& relative) const { return temp_.Path() / "dl" / relative; }

  TempDir temp_;
  std::unique_ptr<base::TEncoding> decoder_ = base::TEncoding::GetEncoding(936);
};

TEST_F(ZipExtractTest, UnpacksNestedEntriesWithoutDirectoryEntries) {
  Archive archive;
  archive.entries = {Entry{.name = "a/b/c.txt", .data = "deep", .method = 8},
                     Entry{.name = "top.txt", .data = "top"},
                     Entry{.name = "a\\win.txt", .data = "backslash"},
                     Entry{.name = "empty/", .data = ""},
                     Entry{.name = "", .data = ""},
                     Entry{.name = "zero", .data = "", .method = 8}};
  Extract(archive);
  EXPECT_EQ(ReadFile(Out("a/b/c.txt")), "deep");
  EXPECT_EQ(ReadFile(Out("top.txt")), "top");
  EXPECT_EQ(ReadFile(Out("a/win.txt")), "backslash");
  EXPECT_TRUE(fs::is_directory(Out("empty")));
  EXPECT_TRUE(fs::is_regular_file(Out("zero")));
  EXPECT_EQ(fs::file_size(Out("zero")), 0u);
  // Nothing else: the empty name made no file.
  std::size_t count = 0;
  for (auto it = fs::recursive_directory_iterator(Out("")); it != fs::recursive_directory_iterator(); ++it) ++count;
  EXPECT_EQ(count, 7u);  // a, a/b, a/b/c.txt, top.txt, a/win.txt, empty, zero
}

TEST_F(ZipExtractTest, UnpacksAnEmptyArchiveToNothing) {
  Extract(Archive{});
  EXPECT_FALSE(fs::exists(Out("")));
}

TEST_F(ZipExtractTest, WritesExactlyTheUncompressedSize) {
  std::string big(3 * 1048576 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 131) >> 7);
  Archive archive;
  archive.entries = {Entry{.name = "big.bin", .data = big, .method = 8},
                     // The stored data goes on into the next header: only
                     // the size counts (and the CRC-32 is that of those bytes).
                     Entry{.name = "short", .data = "0123456789", .overrideSize = true, .uncompressedSize = 4,
                           .overrideCrc = true, .crc = zip_testing::Crc32("0123")}};
  std::vector<std::uint64_t> positions;
  WriteFile(temp_.Path() / "package.zip", Build(archive));
  TZipFile::ExtractZipFile(temp_.Text("package.zip"), Destination(), nullptr,
                           [&](const std::u16string& name, const zip::TZipHeader&, std::uint64_t position) {
                             if (name == u"big.bin") positions.push_back(position);
                           });
  EXPECT_EQ(ReadFile(Out("big.bin")), big);
  EXPECT_EQ(ReadFile(Out("short")), "0123");
  EXPECT_EQ(positions, (std::vector<std::uint64_t>{1048576, 2097152, 3145728, big.size()}));
}

TEST_F(ZipExtractTest, ReplacesFilesAndKeepsTheLaterOfTwoEntries) {
  fs::create_directories(Out(""));
  WriteFile(Out("f.txt"), "an older and longer content");
  Archive archive;
  archive.entries = {Entry{.name = "f.txt", .data = "new"}, Entry{.name = "twice", .data = "first"},
                     Entry{.name = "twice", .data = "second"}};
  Extract(archive);
  EXPECT_EQ(ReadFile(Out("f.txt")), "new");
  EXPECT_EQ(ReadFile(Out("twice")), "second");
}

TEST_F(ZipExtractTest, MakesReadOnlyEntriesReadOnly) {
  Archive archive;
  archive.entries = {Entry{.name = "ro.txt", .data = "locked", .externalAttributes = 0x21},
                     Entry{.name = "rw.txt", .data = "open", .externalAttributes = 0x20}};
  Extract(archive);
  EXPECT_EQ(ReadFile(Out("ro.txt")), "locked");
  // The second extraction fails at the read-only file.
  const std::u16string message = ErrorOf<base::EFCreateError>(archive);
  const std::u16string prefix = u"Cannot create file \"" + temp_.Text(fs::path("dl") / "ro.txt") + u"\". ";
  EXPECT_EQ(message.substr(0, prefix.size()), prefix) << sys::ToUtf8(message);
  EXPECT_GT(message.size(), prefix.size());
}

TEST_F(ZipExtractTest, SetsTheLocalModificationTime) {
  Archive archive;
  archive.entries = {Entry{.name = "dated", .data = "x", .dosTime = zip_testing::DosStamp(2021, 7, 4, 13, 45, 30)},
                     Entry{.name = "undated", .data = "y", .dosTime = 0}};
  const auto before = fs::file_time_type::clock::now() - std::chrono::seconds(5);
  Extract(archive);
  EXPECT_EQ(testing_support::WriteSeconds(Out("dated")), testing_support::LocalSeconds(2021, 7, 4, 13, 45, 30));
  // Month 0: the time the system gave it stays.
  EXPECT_GT(fs::last_write_time(Out("undated")), before);
}

TEST_F(ZipExtractTest, DecodesCodePage936NamesWithAndWithoutTheFlag) {
  Archive archive;
  // 表 is B1 ED; 数 is CA FD; 表 with a trail byte 5C: 郎 is C0 C9, 乗 is 81 5C
  // (a lead and a backslash byte, one character).
  archive.entries = {Entry{.name = "\xB1\xED/\xCA\xFD.txt", .data = "gbk"},
                     Entry{.name = "\x81\x5C.txt", .data = "trail"},
                     Entry{.name = "\xE5\x90\x8D.txt", .data = "utf8", .flag = 0x0800}};
  Extract(archive);
  EXPECT_EQ(ReadFile(Out(fs::path(u"\u8868") / u"\u6570.txt")), "gbk");
  EXPECT_EQ(ReadFile(Out(fs::path(u"\u4E57.txt"))), "trail");
  EXPECT_EQ(ReadFile(Out(fs::path(u"\u540D.txt"))), "utf8");
}

TEST_F(ZipExtractTest, StopsAtAnUnsupportedMethodAfterWrittenEntries) {
  Archive archive;
  archive.entries = {Entry{.name = "1", .data = "one"}, Entry{.name = "2", .data = "two"},
                     Entry{.name = "3.bz2", .data = "x", .method = 12, .compressed = "BZh"},
                     Entry{.name = "4", .data = "four"}};
  EXPECT_EQ(ErrorOf<base::EListError>(archive), u"Item not found");
  EXPECT_EQ(ReadFile(Out("1")), "one");
  EXPECT_EQ(ReadFile(Out("2")), "two");
  EXPECT_FALSE(fs::exists(Out("3.bz2")));
  EXPECT_FALSE(fs::exists(Out("4")));
}

TEST_F(ZipExtractTest, WritesWhatThereIsOfATruncatedLastEntry) {
  std::string data(200000, 'q');
  for (std::size_t i = 0; i < data.size(); i += 3) data[i] = static_cast<char>(i);
  for (std::uint16_t method : {0, 8}) {
    Archive archive;
    archive.entries = {Entry{.name = "whole", .data = "complete"}, Entry{.name = "cut", .data = data, .method = method}};
    std::string bytes = Build(archive);
    // Keep the central directory and the end record; cut the last data in
    // half by moving them down over it.
    const std::size_t directorySize = 2 * 46 + 5 + 3 + 22;
    const std::string tail = bytes.substr(bytes.size() - directorySize);
    const std::size_t cutAt = bytes.size() - directorySize - (method == 0 ? data.size() / 2 : 1000);
    std::string damaged = bytes.substr(0, cutAt) + tail;
    // Re-point the end record at the moved directory.
    damaged.replace(damaged.size() - 6, 4, zip_testing::Le32(static_cast<std::uint32_t>(cutAt)));
    try {
      ExtractBytes(damaged);
      ADD_FAILURE() << "no error, method " << method;
    } catch (const base::EReadError& error) {
      EXPECT_EQ(error.Message(), u"Stream read error");
    }
    EXPECT_EQ(ReadFile(Out("whole")), "complete");
    const std::string partial = ReadFile(Out("cut"));
    EXPECT_LT(partial.size(), data.size());
    EXPECT_EQ(partial, data.substr(0, partial.size()));
  }
}

TEST_F(ZipExtractTest, RefusesEntriesThatWouldLeaveTheDestination) {
  const std::string escapes[] = {"../outside.txt", "a/../../outside.txt", "/tmp/abs.txt", "..\\outside.txt",
                                 "C:/outside.txt", "a\\..\\..\\outside.txt"};
  for (const std::string& name : escapes) {
    Archive archive;
    archive.entries = {Entry{.name = "first.txt", .data = "kept"}, Entry{.name = name, .data = "evil"},
                       Entry{.name = "after.txt", .data = "never"}};
    const std::u16string message = ErrorOf<zip::EZipUnsafeEntry>(archive);
    EXPECT_EQ(message, u"Entry \"" + sys::FromUtf8(name) + u"\" would be written outside the destination directory");
    EXPECT_EQ(ReadFile(Out("first.txt")), "kept");
    EXPECT_FALSE(fs::exists(Out("after.txt")));
    EXPECT_FALSE(fs::exists(temp_.Path() / "outside.txt"));
  }
  // A sibling whose name begins like the destination is no part of it.
  EXPECT_FALSE(fs::exists(temp_.Path() / "dl2"));
  Archive sibling;
  sibling.entries = {Entry{.name = "../dl2/x", .data = "evil"}};
  EXPECT_EQ(ErrorOf<zip::EZipUnsafeEntry>(sibling),
            u"Entry \"../dl2/x\" would be written outside the destination directory");
  EXPECT_FALSE(fs::exists(temp_.Path() / "dl2"));
}

// A relative destination is resolved against the working directory, in
// whatever spelling it comes: the same files, the same refusals and the same
// path-length limits as its full form.
TEST_F(ZipExtractTest, UnpacksIntoARelativeDestinationAsIntoItsFullForm) {
  struct WorkingDirectory {
    explicit WorkingDirectory(const fs::path& to) : previous(fs::current_path()) { fs::current_path(to); }
    ~WorkingDirectory() { fs::current_path(previous); }
    fs::path previous;
  };
  fs::create_directories(temp_.Path() / "work" / "x");
  const WorkingDirectory inside(temp_.Path() / "work");
  const fs::path out = temp_.Path() / "work" / "dl";
  // The longest directory name that still fits below the full destination.
  const std::size_t fits = 247 - (temp_.Text(fs::path("work") / "dl") + sys::kPathDelimiter).size();
  const std::uint16_t unix = 0x031E;
  for (const char* spelling : {"dl", "dl/", "./dl//", "x/../dl", "x/.././dl/."}) {
    const std::u16string destination = sys::FromUtf8(spelling);
    std::error_code ignored;
    fs::remove_all(out, ignored);
    Archive archive;
    archive.entries = {Entry{.name = "a/b/c.txt", .data = "deep", .method = 8},
                       Entry{.name = "top.sh", .data = "#!/bin/sh\n", .madeBy = unix,
                             .externalAttributes = 0100750u << 16, .dosTime = zip_testing::DosStamp(2021, 7, 4, 13, 45, 30)},
                       Entry{.name = "empty/", .data = ""},
                       Entry{.name = std::string(fits, 'd') + "/f", .data = "fits"}};
    WriteFile(temp_.Path() / "package.zip", Build(archive));
    TZipFile::ExtractZipFile(temp_.Text("package.zip"), destination, nullptr);
    EXPECT_EQ(ReadFile(out / "a" / "b" / "c.txt"), "deep") << spelling;
    EXPECT_EQ(ReadFile(out / "top.sh"), "#!/bin/sh\n") << spelling;
    EXPECT_TRUE(fs::is_directory(out / "empty")) << spelling;
    EXPECT_EQ(ReadFile(out / std::string(fits, 'd') / "f"), "fits") << spelling;
    EXPECT_EQ(testing_support::WriteSeconds(out / "top.sh"), testing_support::LocalSeconds(2021, 7, 4, 13, 45, 30))
        << spelling;
#ifndef _WIN32
    EXPECT_EQ(static_cast<unsigned>(fs::status(out / "top.sh").permissions()) & 0777u, 0750u) << spelling;
#endif
    EXPECT_FALSE(fs::exists(temp_.Path() / "work" / "x" / "dl")) << spelling;

    Archive tooLong;
    tooLong.entries = {Entry{.name = std::string(fits + 1, 'e') + "/f", .data = "x"}};
    WriteFile(temp_.Path() / "package.zip", Build(tooLong));
    EXPECT_THROW(TZipFile::ExtractZipFile(temp_.Text("package.zip"), destination, nullptr),
                 base::EPathTooLongException)
        << spelling;
    Archive escaping;
    escaping.entries = {Entry{.name = "a/../../up.txt", .data = "evil"}};
    WriteFile(temp_.Path() / "package.zip", Build(escaping));
    EXPECT_THROW(TZipFile::ExtractZipFile(temp_.Text("package.zip"), destination, nullptr), zip::EZipUnsafeEntry)
        << spelling;
    EXPECT_FALSE(fs::exists(temp_.Path() / "work" / "up.txt")) << spelling;
  }
}

TEST_F(ZipExtractTest, DecidesOnTheDecodedNameNotOnItsBytes) {
  // 0x5C is the trail byte of the first character: as bytes this reads
  // ".\x81\..\x"-like, decoded it holds no separator at all.
  Archive archive;
  archive.entries = {Entry{.name = "..\x81\x5C.txt", .data = "fine"}};
  Extract(archive);
  EXPECT_EQ(ReadFile(Out(fs::path(u"..\u4E57.txt"))), "fine");
}

TEST_F(ZipExtractTest, RefusesInvalidCharactersAndOverlongPaths) {
  Archive invalid;
  invalid.entries = {Entry{.name = "a|b", .data = "x"}};
  EXPECT_EQ(ErrorOf<base::EArgumentException>(invalid), u"Invalid characters in path");

  // A directory path of 248 characters or more is refused before anything
  // is made in it.
  const std::size_t used = Destination().size();
  Archive longDirectory;
  longDirectory.entries = {Entry{.name = std::string(248 - used, 'd') + "/f", .data = "x"}};
  EXPECT_EQ(ErrorOf<base::EPathTooLongException>(longDirectory), u"The specified path is too long");
  Archive justShort;
  justShort.entries = {Entry{.name = std::string(247 - used, 'd') + "/f", .data = "x"}};
  Extract(justShort);
  EXPECT_EQ(ReadFile(Out(std::string(247 - used, 'd') + "/f")), "x");
}

#ifndef _WIN32
TEST_F(ZipExtractTest, AppliesUnixPermissionBitsButNeverLinksOrSpecialBits) {
  Archive archive;
  const std::uint16_t unix = 0x031E;
  archive.entries = {
      Entry{.name = "setup.sh", .data = "#!/bin/sh\n", .madeBy = unix, .externalAttributes = 0106755u << 16},
      Entry{.name = "link", .data = "/etc/passwd", .madeBy = unix, .externalAttributes = 0120777u << 16},
      Entry{.name = "plain", .data = "p", .madeBy = unix, .externalAttributes = 0100600u << 16},
      // Permission bits stored without a file type.
      Entry{.name = "untyped", .data = "u", .madeBy = unix, .externalAttributes = 0750u << 16},
      Entry{.name = "dos-ro", .data = "r", .externalAttributes = 0x01},
      Entry{.name = "dos-hidden", .data = "h", .externalAttributes = 0x02 | 0x04 | 0x20}};
  Extract(archive);
  const auto mode = [&](const char* name) {
    return static_cast<unsigned>(fs::symlink_status(Out(name)).permissions()) & 07777u;
  };
  EXPECT_EQ(mode("setup.sh"), 0755u);  // no set-group-id bit
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Out("link"))));
  EXPECT_EQ(ReadFile(Out("link")), "/etc/passwd");
  EXPECT_EQ(mode("link") & 0111u, 0u);
  EXPECT_EQ(mode("plain"), 0600u);
  EXPECT_EQ(mode("untyped"), 0750u);
  EXPECT_EQ(mode("dos-ro") & 0222u, 0u);
  EXPECT_NE(mode("dos-hidden") & 0200u, 0u);
}

TEST_F(ZipExtractTest, NeverWritesThroughALink) {
  fs::create_directories(Out(""));
  fs::create_directories(temp_.Path() / "elsewhere");
  fs::create_directory_symlink(temp_.Path() / "elsewhere", Out("sub"));
  fs::create_symlink(temp_.Path() / "elsewhere" / "target", Out("file"));
  Archive throughDirectory;
  throughDirectory.entries = {Entry{.name = "sub/x.txt", .data = "evil"}};
  EXPECT_EQ(ErrorOf<zip::EZipUnsafeEntry>(throughDirectory),
            u"Entry \"sub/x.txt\" would be written through a symbolic link");
  Archive throughFile;
  throughFile.entries = {Entry{.name = "file", .data = "evil"}};
  EXPECT_EQ(ErrorOf<zip::EZipUnsafeEntry>(throughFile), u"Entry \"file\" would be written through a symbolic link");
  EXPECT_TRUE(fs::is_empty(temp_.Path() / "elsewhere"));
}
#endif

TEST_F(ZipExtractTest, ReportsArchivesThatCannotBeOpened) {
  try {
    TZipFile::ExtractZipFile(temp_.Text("missing.zip"), Destination(), nullptr);
    ADD_FAILURE() << "no error";
  } catch (const base::EFOpenError& error) {
    const std::u16string prefix = u"Cannot open file \"" + temp_.Text("missing.zip") + u"\". ";
    EXPECT_EQ(error.Message().substr(0, prefix.size()), prefix);
  }
  WriteFile(temp_.Path() / "empty.zip", "");
  try {
    TZipFile::ExtractZipFile(temp_.Text("empty.zip"), Destination(), nullptr);
    ADD_FAILURE() << "no error";
  } catch (const zip::EZipException& error) {
    EXPECT_EQ(error.Message(), u"Stream read error");
  }
  // The archive was closed again: it can be removed at once (Windows refuses
  // removing an open file).
  EXPECT_EQ(sys::RemoveFile(temp_.Text("empty.zip")), 0);
}

TEST_F(ZipExtractTest, ClosesTheArchiveAfterAnError) {
  Archive archive;
  archive.entries = {Entry{.name = "a|b", .data = "x"}};
  EXPECT_NE(ErrorOf<base::EArgumentException>(archive), u"no error");
  EXPECT_EQ(sys::RemoveFile(temp_.Text("package.zip")), 0);
}

}  // namespace

#ifdef _WIN32
namespace {

TEST_F(ZipExtractTest, AppliesWindowsPathRules) {
  Archive colon;
  colon.entries = {Entry{.name = "first", .data = "kept"}, Entry{.name = "ab:c/f.txt", .data = "x"}};
  EXPECT_EQ(ErrorOf<base::ENotSupportedException>(colon), u"The path format is not supported");
  EXPECT_EQ(ReadFile(Out("first")), "kept");

  // A device name resolves outside the destination.
  Archive device;
  device.entries = {Entry{.name = "CON", .data = "x"}};
  EXPECT_EQ(ErrorOf<zip::EZipUnsafeEntry>(device), u"Entry \"CON\" would be written outside the destination directory");

  // A name Windows refuses: the file cannot be created.
  Archive wildcard;
  wildcard.entries = {Entry{.name = "a*b", .data = "x"}};
  const std::u16string message = ErrorOf<base::EFCreateError>(wildcard);
  EXPECT_EQ(message.substr(0, 20), u"Cannot create file \"") << sys::ToUtf8(message);
}

TEST_F(ZipExtractTest, SetsHiddenAndSystemAttributesFromMsDosArchives) {
  Archive archive;
  archive.entries = {Entry{.name = "h", .data = "x", .externalAttributes = 0x02 | 0x04 | 0x08 | 0x20},
                     Entry{.name = "unix", .data = "y", .madeBy = 0x031E, .externalAttributes = 0x01}};
  Extract(archive);
  const unsigned hidden = GetFileAttributesW(reinterpret_cast<const wchar_t*>(temp_.Text(fs::path("dl") / "h").c_str()));
  EXPECT_EQ(hidden & 0x3F, 0x02u | 0x04u | 0x20u);  // the volume label bit cleared
  const unsigned unix = GetFileAttributesW(reinterpret_cast<const wchar_t*>(temp_.Text(fs::path("dl") / "unix").c_str()));
  EXPECT_EQ(unix & 0x01u, 0u);  // made on Unix: left as the system set it
}

}  // namespace
#endif
