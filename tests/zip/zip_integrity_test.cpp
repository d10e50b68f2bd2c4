// Packages that must not pass for unpacked: an entry whose bytes do not
// match its CRC-32, an encrypted entry, and a central directory that cannot
// be read whole. Each fixture holds one fault; the table says what is on
// disk after the error and the error's exact text.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <vector>

#include "base/encoding.h"
#include "sys/codepage.h"
#include "support/temp_dir.h"
#include "support/zip_builder.h"
#include "zip/zip_errors.h"
#include "zip/zip_file.h"

namespace fs = std::filesystem;

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;
using zip_testing::Archive;
using zip_testing::Entry;

const Entry kBefore{.name = "before.txt", .data = "kept"};
const Entry kAfter{.name = "after.txt", .data = "never reached", .method = 8};
const std::string kInstaller = "MZ an installer's bytes, long enough to be worth compressing: aaaaaaaaaaaaaaaaaaaaaa";

struct FaultCase {
  const char* name;
  Archive archive;
  std::map<std::string, std::string> written;  // files on disk afterwards
  std::vector<std::string> absent;             // names that must not be there
  std::u16string message;
};

// Test listings name a case, not its bytes.
void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// An entry between a written one and one that must not be reached.
Archive Around(Entry faulty) {
  Archive archive;
  archive.entries = {kBefore, std::move(faulty), kAfter};
  return archive;
}

Archive CountBelowRecords() {
  Archive archive;
  archive.entries = {kBefore, Entry{.name = "hidden.txt", .data = "left out by the count"}, kAfter};
  archive.overrideCount = true;
  archive.count = 2;
  return archive;
}

Archive Zip64() {
  Archive archive;
  archive.entries = {kBefore, kAfter};
  archive.zip64 = true;
  return archive;
}

// The central record of "b.txt" points at the first entry's local header.
Archive LocalHeaderElsewhere() {
  return Around(Entry{.name = "b.txt", .data = "other content", .overrideLocalHeaderOffset = true,
                      .localHeaderOffset = 0});
}

const std::u16string kDamaged = u"\" is damaged: its checksum does not match";

std::vector<FaultCase> Cases() {
  const std::map<std::string, std::string> onlyBefore = {{"before.txt", "kept"}};
  return {
      {"StoredWrongCrc", Around(Entry{.name = "setup.exe", .data = kInstaller, .overrideCrc = true, .crc = 0x1234}),
       onlyBefore, {"setup.exe", "after.txt"}, u"Entry \"setup.exe" + kDamaged},
      {"DeflateWrongCrc",
       Around(Entry{.name = "setup.exe", .data = kInstaller, .method = 8, .overrideCrc = true, .crc = 0x1234}),
       onlyBefore, {"setup.exe", "after.txt"}, u"Entry \"setup.exe" + kDamaged},
      {"DataDescriptorWrongCrc",
       Around(Entry{.name = "setup.exe", .data = kInstaller, .method = 8, .overrideCrc = true, .crc = 0x1234,
                    .dataDescriptor = true}),
       onlyBefore, {"setup.exe", "after.txt"}, u"Entry \"setup.exe" + kDamaged},
      // Compressed size 10, uncompressed 4: four bytes are copied, and their
      // CRC-32 is not the entry's.
      {"StoredSizesDisagree",
       Around(Entry{.name = "sizes.txt", .data = "0123456789", .overrideSize = true, .uncompressedSize = 4}),
       onlyBefore, {"sizes.txt", "after.txt"}, u"Entry \"sizes.txt" + kDamaged},
      {"LocalHeaderElsewhere", LocalHeaderElsewhere(), onlyBefore, {"b.txt", "after.txt"}, u"Entry \"b.txt" + kDamaged},
      {"EncryptedStored", Around(Entry{.name = "x", .data = "ciphertext", .flag = 0x0001}), onlyBefore,
       {"x", "after.txt"}, u"Entry \"x\" is encrypted"},
      {"EncryptedDeflate", Around(Entry{.name = "dir/secret.txt", .data = "ciphertext", .method = 8, .flag = 0x0001}),
       onlyBefore, {"dir/secret.txt", "after.txt"}, u"Entry \"dir/secret.txt\" is encrypted"},
      {"CountBelowRecords", CountBelowRecords(), {}, {"before.txt", "hidden.txt", "after.txt"},
       u"The archive's list of files is damaged: its count of 2 files does not match the list"},
      {"Zip64EndRecord", Zip64(), {}, {"before.txt", "after.txt"},
       u"The archive is in the ZIP64 format (more than 65,535 files or more than 4 GiB), which cannot be unpacked"},
  };
}

class ZipIntegrityTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  fs::path Out(const std::string& relative) const { return temp_.Path() / "dl" / relative; }
  void Extract(const Archive& archive) {
    WriteFile(temp_.Path() / "package.zip", zip_testing::Build(archive));
    zip::TZipFile::ExtractZipFile(temp_.Text("package.zip"), temp_.Text("dl") + sys::kPathDelimiter,
                                  decoder_.get());
  }
  TempDir temp_;
  std::unique_ptr<base::TEncoding> decoder_ = base::TEncoding::GetEncoding(936);
};

TEST_P(ZipIntegrityTest, RefusesWithItsTextAfterTheEntriesBefore) {
  const FaultCase& c = GetParam();
  std::u16string message = u"no error";
  try {
    Extract(c.archive);
  } catch (const zip::EZipException& error) {
    message = error.Message();
  }
  EXPECT_EQ(message, c.message) << sys::ToUtf8(message);
  for (const auto& [name, content] : c.written) EXPECT_EQ(ReadFile(Out(name)), content) << name;
  for (const std::string& name : c.absent) EXPECT_FALSE(fs::exists(Out(name))) << name;
  if (c.written.empty()) {
    EXPECT_FALSE(fs::exists(Out(""))) << "nothing at all is written";
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, ZipIntegrityTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

TEST_F(ZipIntegrityTest, UnpacksEntriesWithADataDescriptor) {
  Archive archive;
  archive.entries = {Entry{.name = "setup.exe", .data = kInstaller, .method = 8, .dataDescriptor = true},
                     Entry{.name = "stored.txt", .data = "stored after a descriptor", .dataDescriptor = true},
                     Entry{.name = "empty", .data = "", .method = 8, .dataDescriptor = true}, kBefore};
  Extract(archive);
  EXPECT_EQ(ReadFile(Out("setup.exe")), kInstaller);
  EXPECT_EQ(ReadFile(Out("stored.txt")), "stored after a descriptor");
  EXPECT_EQ(ReadFile(Out("empty")), "");
  EXPECT_EQ(ReadFile(Out("before.txt")), "kept");
}

TEST_F(ZipIntegrityTest, RefusesAnEncryptedEntryBeforeItsMethod) {
  // Strong and AES encryption use methods of their own: the entry is still
  // reported as encrypted, not as an unknown method.
  Archive archive;
  archive.entries = {Entry{.name = "aes.bin", .data = "x", .method = 99, .flag = 0x0001, .compressed = "noise"}};
  std::u16string message = u"no error";
  try {
    Extract(archive);
  } catch (const zip::EZipEncryptedEntry& error) {
    message = error.Message();
  }
  EXPECT_EQ(message, u"Entry \"aes.bin\" is encrypted");
}

}  // namespace
