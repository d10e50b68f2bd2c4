// Reading archives: the end record search, the central directory, local
// headers, data streams and entry names, on archives held in memory.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>

#include "base/encoding.h"
#include "base/exception.h"
#include "base/stream.h"
#include "zip/zip_errors.h"
#include "zip/zip_file.h"
#include "zip/zip_streams.h"
#include "support/zip_builder.h"

namespace {

using zip::TZipFile;
using zip::TZipHeader;
using zip::TZipMode;
using zip_testing::Archive;
using zip_testing::Build;
using zip_testing::Entry;

// An archive opened from memory.
struct Opened {
  explicit Opened(const std::string& bytes, const base::TEncoding* encoding = nullptr) {
    stream.Write(bytes.data(), bytes.size());
    stream.SetPosition(0);
    file.SetEncoding(encoding);
    file.Open(stream, TZipMode::zmRead);
  }
  base::TMemoryStream stream;
  TZipFile file;
};

// Runs f and returns the message of the error of kind E it raises.
template <class E>
std::u16string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& error) {
    return error.Message();
  } catch (const std::exception& other) {
    return u"wrong kind: " + std::u16string(other.what(), other.what() + std::strlen(other.what()));
  }
  return u"no error";
}

std::u16string OpenError(const std::string& bytes) {
  return MessageOf<zip::EZipException>([&] { Opened opened(bytes); });
}

std::string ReadAll(base::TStream& stream, std::size_t limit = 1 << 24) {
  std::string out;
  char buffer[4096];
  while (out.size() < limit) {
    const std::size_t n = stream.Read(buffer, sizeof buffer);
    if (n == 0) break;
    out.append(buffer, n);
  }
  return out;
}

std::string EntryData(TZipFile& file, int index) {
  TZipHeader local;
  auto data = file.Read(index, local);
  return ReadAll(*data).substr(0, file.FileInfo(static_cast<std::size_t>(index)).UncompressedSize);
}

std::u16string NameOf(TZipFile& file, int index) {
  TZipHeader local;
  auto data = file.Read(index, local);
  return file.EntryName(local, file.FileInfo(static_cast<std::size_t>(index)));
}

TEST(ZipReadTest, OpensAnArchiveOfOnlyAnEndRecord) {
  Opened opened(Build({}));
  EXPECT_EQ(opened.file.FileCount(), 0u);
  EXPECT_EQ(opened.file.Mode(), TZipMode::zmRead);
}

TEST(ZipReadTest, ReadsStoredAndDeflateEntriesInDirectoryOrder) {
  Archive archive;
  std::string big;
  for (unsigned i = 0; i < 300000; ++i) big += static_cast<char>('a' + (i * 7919u) % 26u);
  archive.entries = {Entry{.name = "one.txt", .data = "first"},
                     Entry{.name = "two.bin", .data = big, .method = 8},
                     Entry{.name = "empty", .data = "", .method = 8}};
  Opened opened(Build(archive));
  ASSERT_EQ(opened.file.FileCount(), 3u);
  EXPECT_EQ(opened.file.FileInfo(1).FileName, "two.bin");
  EXPECT_EQ(EntryData(opened.file, 0), "first");
  EXPECT_EQ(EntryData(opened.file, 1), big);
  EXPECT_EQ(EntryData(opened.file, 2), "");
  // Entries can be read again, in any order.
  EXPECT_EQ(EntryData(opened.file, 0), "first");
  TZipHeader local;
  auto data = opened.file.Read(1, local);
  EXPECT_EQ(local.FileName, "two.bin");
  EXPECT_EQ(local.UncompressedSize, big.size());
  EXPECT_EQ(local.MadeByVersion, 0u);  // not in a local header
  EXPECT_EQ(local.LocalHeaderOffset, 0u);
}

TEST(ZipReadTest, FindsTheEndRecordNearestTheEnd) {
  Archive archive;
  archive.entries = {Entry{.name = "a", .data = "x"}};
  // A comment holding the signature: that occurrence, nearer the end, is
  // taken; its fields say 0 entries.
  archive.comment = "note " + zip_testing::Le32(0x06054B50) + std::string(18, '\0');
  Opened withSignature(Build(archive));
  EXPECT_EQ(withSignature.file.FileCount(), 0u);

  // A plain comment of the largest size that still leaves the signature in
  // the last 65,535 bytes, with bytes appended.
  archive.comment = std::string(65000, 'c');
  archive.suffix = std::string(513, 's');
  Opened longComment(Build(archive));
  EXPECT_EQ(longComment.file.FileCount(), 1u);
  EXPECT_EQ(longComment.file.Comment(), archive.comment);

  // One byte more and the signature lies outside the search.
  archive.suffix += "s";
  EXPECT_EQ(OpenError(Build(archive)), u"Error reading zip file");
}

TEST(ZipReadTest, FindsASignatureAcrossWindowBorders) {
  // The end record is placed so that its signature straddles windows, for
  // every offset within a few windows from the end.
  Archive archive;
  archive.entries = {Entry{.name = "a", .data = "x"}};
  for (std::size_t tail = 0; tail < 3200; tail += 7) {
    archive.suffix = std::string(tail, '\0');
    Opened opened(Build(archive));
    ASSERT_EQ(opened.file.FileCount(), 1u) << tail;
  }
}

TEST(ZipReadTest, SkipsASignatureWithoutRoomForItsFields) {
  Archive archive;
  archive.entries = {Entry{.name = "a", .data = "x"}};
  archive.suffix = zip_testing::Le32(0x06054B50) + "12345";
  Opened opened(Build(archive));
  EXPECT_EQ(opened.file.FileCount(), 1u);
}

TEST(ZipReadTest, RefusesDamagedArchives) {
  Archive one;
  one.entries = {Entry{.name = "a", .data = "x"}};

  struct Case {
    const char* what;
    std::string bytes;
    std::u16string message;
  };
  Archive tooMany = one;
  tooMany.overrideCount = true;
  tooMany.count = 2;
  Archive offsetBeyond = one;
  offsetBeyond.overrideDirectoryOffset = true;
  offsetBeyond.directoryOffset = 0xFFFFFFF0;
  Archive zip64 = one;
  zip64.overrideCount = true;
  zip64.count = 0xFFFF;
  zip64.overrideDirectoryOffset = true;
  zip64.directoryOffset = 0xFFFFFFFF;
  const Case cases[] = {
      {"no end record", std::string(100, 'x'), u"Error reading zip file"},
      {"four bytes", zip_testing::Le32(0x06054B50), u"Error reading zip file"},
      {"one byte", "P", u"Error reading zip file"},
      {"empty", "", u"Stream read error"},
      {"count beyond the directory", Build(tooMany), u"Invalid Zip Central Header signature"},
      {"offset beyond the file", Build(offsetBeyond), u"Invalid Zip Central Header signature"},
      {"zip64 markers", Build(zip64),
       u"The archive is in the ZIP64 format (more than 65,535 files or more than 4 GiB), which cannot be unpacked"},
  };
  for (const Case& c : cases) EXPECT_EQ(OpenError(c.bytes), c.message) << c.what;

  // A central record cut short by the end of the file, in each of its
  // parts: the directory is placed after the end record, so the cut is the
  // file's end.
  const auto centralAfterEnd = [&](const std::string& record) {
    Archive a;
    a.overrideCount = true;
    a.count = 1;
    a.overrideDirectoryOffset = true;
    a.directoryOffset = 22;
    a.overrideDirectorySize = true;
    a.directorySize = static_cast<std::uint32_t>(record.size());
    a.suffix = record;
    return Build(a);
  };
  const auto fields = [](std::uint16_t nameLength, std::uint16_t extraLength, std::uint16_t commentLength) {
    return zip_testing::Le32(0x02014B50) + std::string(24, '\0') + zip_testing::Le16(nameLength) +
           zip_testing::Le16(extraLength) + zip_testing::Le16(commentLength) + std::string(12, '\0');
  };
  const std::string cut[] = {
      zip_testing::Le32(0x02014B50) + std::string(41, '\0'),  // fields
      fields(5, 0, 0) + "abcd",                                // name
      fields(1, 4, 0) + "n" + "ext",                           // extra field
      fields(1, 0, 3) + "n" + "co",                            // comment
  };
  for (const std::string& record : cut) EXPECT_EQ(OpenError(centralAfterEnd(record)), u"Error reading zip file");
  Opened complete(centralAfterEnd(fields(1, 0, 3) + "n" + "com"));
  EXPECT_EQ(complete.file.FileInfo(0).FileComment, "com");
}

TEST(ZipReadTest, RefusesMisuseOfRead) {
  TZipFile closed;
  TZipHeader local;
  EXPECT_EQ(MessageOf<zip::EZipException>([&] { closed.Read(0, local); }), u"File must be open for reading");
  EXPECT_EQ(MessageOf<zip::EZipException>([&] { closed.ExtractAll(u"/nowhere/"); }),
            u"File must be open for reading");
  Archive archive;
  archive.entries = {Entry{.name = "a", .data = "x"}};
  Opened opened(Build(archive));
  for (int index : {-1, 1, 1000}) {
    EXPECT_EQ(MessageOf<zip::EZipException>([&] { opened.file.Read(index, local); }),
              u"The specified file was not found");
  }
  opened.file.Close();
  EXPECT_EQ(opened.file.FileCount(), 0u);
  EXPECT_EQ(MessageOf<zip::EZipException>([&] { opened.file.Read(0, local); }), u"File must be open for reading");
}

TEST(ZipReadTest, RefusesBadLocalHeaders) {
  Archive archive;
  archive.entries = {Entry{.name = "a", .data = "x"}};
  std::string bytes = Build(archive);
  bytes[0] = 'Q';
  Opened badSignature(bytes);
  TZipHeader local;
  EXPECT_EQ(MessageOf<zip::EZipException>([&] { badSignature.file.Read(0, local); }),
            u"Invalid Zip Local Header signature");

  // A local header that points past the end of the archive, or whose fields
  // are cut short by it.
  Archive cut;
  cut.entries = {Entry{.name = "a", .data = "x"}};
  std::string cutBytes = Build(cut);
  // Central record's LocalHeaderOffset sits 42 bytes into it.
  const std::size_t central = cutBytes.size() - 22 - 47;
  const std::string atEnd = zip_testing::Le32(static_cast<std::uint32_t>(cutBytes.size() - 4));
  std::string beyond = cutBytes;
  beyond.replace(central + 42, 4, zip_testing::Le32(0x7FFFFFF0));
  Opened far(beyond);
  EXPECT_EQ(MessageOf<zip::EZipException>([&] { far.file.Read(0, local); }), u"Invalid Zip Local Header signature");
  std::string shortLocal = cutBytes + zip_testing::Le32(0x04034B50) + "abc";
  shortLocal.replace(central + 42, 4, zip_testing::Le32(static_cast<std::uint32_t>(cutBytes.size())));
  // The end record is no longer last: append a copy so it is found.
  shortLocal += cutBytes.substr(cutBytes.size() - 22);
  Opened truncated(shortLocal);
  EXPECT_EQ(MessageOf<zip::EZipException>([&] { truncated.file.Read(0, local); }), u"Error reading zip file");
}

TEST(ZipReadTest, RefusesMethodsWithoutHandler) {
  for (std::uint16_t method : {12, 14, 9, 99}) {
    Archive archive;
    archive.entries = {Entry{.name = "a", .data = "x", .method = method, .compressed = "raw"}};
    Opened opened(Build(archive));
    TZipHeader local;
    EXPECT_EQ(MessageOf<base::EListError>([&] { opened.file.Read(0, local); }), u"Item not found") << method;
  }
}

TEST(ZipReadTest, UsesTheLowByteOfTheMethodAndRegisteredHandlers) {
  Archive archive;
  archive.entries = {Entry{.name = "a", .data = "stored", .method = 0x0100, .compressed = "stored"}};
  Opened opened(Build(archive));
  EXPECT_EQ(EntryData(opened.file, 0), "stored");

  // A handler registered for method 99: an upper-casing one.
  struct Upper : base::TStream {
    explicit Upper(base::TStream& s) : source(s) {}
    std::size_t Read(void* b, std::size_t n) override {
      const std::size_t got = source.Read(b, n);
      for (std::size_t i = 0; i < got; ++i) static_cast<char*>(b)[i] = static_cast<char>(std::toupper(static_cast<char*>(b)[i]));
      return got;
    }
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t, base::SeekOrigin) override { return -1; }
    void SetSize(std::int64_t) override {}
    base::TStream& source;
  };
  TZipFile::RegisterCompressionHandler(99, nullptr, [](base::TStream& a, const TZipHeader&) {
    return std::unique_ptr<base::TStream>(new Upper(a));
  });
  Archive custom;
  custom.entries = {Entry{.name = "b", .data = "abc", .method = 99, .compressed = "abc"}};
  Opened withCustom(Build(custom));
  EXPECT_EQ(EntryData(withCustom.file, 0), "ABC");
  TZipFile::RegisterCompressionHandler(99, nullptr, nullptr);
  TZipHeader local;
  EXPECT_THROW(withCustom.file.Read(0, local), base::EListError);
}

TEST(ZipReadTest, ReportsZlibErrorsOfDamagedDeflateData) {
  Archive archive;
  archive.entries = {Entry{.name = "a", .data = "x", .method = 8, .overrideSize = true, .uncompressedSize = 10}};
  std::string bytes = Build(archive);
  // Block type 3 does not exist: "data error".
  const std::size_t data = 30 + 1;
  bytes[data] = '\x07';
  Opened opened(bytes);
  TZipHeader local;
  auto stream = opened.file.Read(0, local);
  char buffer[16];
  EXPECT_EQ(MessageOf<zip::EInflateError>([&] { stream->Read(buffer, sizeof buffer); }), u"data error");
  // The error stays.
  EXPECT_EQ(MessageOf<zip::EInflateError>([&] { stream->Read(buffer, sizeof buffer); }), u"data error");
}

TEST(ZipReadTest, EndsADeflateStreamWithTheArchive) {
  // Inflating stops when the archive yields nothing more, whatever was cut.
  base::TMemoryStream source;
  const std::string deflated = zip_testing::Deflate(std::string(100000, 'z'));
  source.Write(deflated.data(), deflated.size() / 2);
  source.SetPosition(0);
  zip::TInflateStream stream(source);
  const std::string out = ReadAll(stream);
  EXPECT_GT(out.size(), 0u);
  EXPECT_LT(out.size(), 100000u);
  EXPECT_EQ(out, std::string(out.size(), 'z'));
}

TEST(ZipReadTest, DecodesNames) {
  const std::string gbk = "\xB1\xED\xB8\xF1.txt";  // 表格.txt in code page 936; 0x5C-free
  const std::u16string chinese = u"\u8868\u683C.txt";
  const std::string utf8 = "\xE8\xA1\xA8\xE6\xA0\xBC.txt";
  const std::string cp437 = "\x81\x9A";  // üÜ in code page 437
  const auto decoder936 = base::TEncoding::GetEncoding(936);

  struct Case {
    const char* what;
    Entry entry;
    const base::TEncoding* encoding;
    std::u16string expected;  // empty: the "No mapping" error
  };
  Entry unicodeMatch{.name = gbk, .localExtra = zip_testing::UnicodePathField(gbk, "\xE5\x90\x8D.txt")};
  Entry unicodeOverFlag{.name = "\xFF\xFE", .flag = 0x0800,
                        .localExtra = zip_testing::UnicodePathField("\xFF\xFE", "ok")};
  Entry unicodeMismatch{.name = gbk, .localExtra = zip_testing::UnicodePathField("other", "wrong")};
  // The first 75 70 decides, even inside another record's data.
  Entry decoy{.name = gbk,
              .localExtra = zip_testing::Le16(0x000A) + zip_testing::Le16(4) + "\x75\x70\x00\x00" +
                            zip_testing::UnicodePathField(gbk, "hidden")};
  Entry centralOnly{.name = gbk, .centralExtra = zip_testing::UnicodePathField(gbk, "central")};
  Entry shortTag{.name = "plain", .localExtra = std::string("\x01\x02\x75\x70\x05\x00\x01", 7)};
  const Case cases[] = {
      {"936 without flag", Entry{.name = gbk}, decoder936.get(), chinese},
      {"936 bytes flagged UTF-8", Entry{.name = gbk, .flag = 0x0800}, decoder936.get(), u""},
      {"UTF-8 flagged", Entry{.name = utf8, .flag = 0x0800}, decoder936.get(), chinese},
      {"no decoder: 437", Entry{.name = cp437}, nullptr, u"\u00FC\u00DC"},
      {"Unicode Path matches", unicodeMatch, decoder936.get(), u"\u540D.txt"},
      {"Unicode Path beats the flag", unicodeOverFlag, decoder936.get(), u"ok"},
      {"Unicode Path mismatch", unicodeMismatch, decoder936.get(), chinese},
      {"decoy tag", decoy, decoder936.get(), chinese},
      {"central extra is not read", centralOnly, decoder936.get(), chinese},
      {"tag without room", shortTag, nullptr, u"plain"},
  };
  for (const Case& c : cases) {
    Archive archive;
    archive.entries = {c.entry};
    Opened opened(Build(archive), c.encoding);
    if (c.expected.empty()) {
      EXPECT_EQ(MessageOf<base::EEncodingError>([&] { NameOf(opened.file, 0); }),
                u"No mapping for the Unicode character exists in the target multi-byte code page")
          << c.what;
    } else {
      EXPECT_EQ(NameOf(opened.file, 0), c.expected) << c.what;
    }
  }
}

TEST(ZipReadTest, RefusesUnicodePathFieldsOfBadSize) {
  const std::string name = "n";
  const auto field = [&](std::uint16_t size, const std::string& rest) {
    const std::string full = zip_testing::UnicodePathField(name, "");
    return full.substr(0, 2) + zip_testing::Le16(size) + full.substr(4) + rest;
  };
  struct Case {
    std::uint16_t size;
    std::string rest;
    std::u16string message;
  };
  const Case cases[] = {
      {3, "", u"Invalid count (-2)"},
      {0, "", u"Invalid count (-5)"},
      {9, "abc", u"Invalid count (4)"},
  };
  for (const Case& c : cases) {
    TZipHeader header;
    header.FileName = name;
    header.ExtraField = field(c.size, c.rest);
    std::u16string out = u"untouched";
    EXPECT_EQ(MessageOf<base::EEncodingError>([&] { TZipFile::GetUTF8PathFromExtraField(header, out); }),
              c.message);
  }
  TZipHeader invalidUtf8;
  invalidUtf8.FileName = name;
  invalidUtf8.ExtraField = zip_testing::UnicodePathField(name, "\xC0\xAF");
  std::u16string out;
  EXPECT_THROW(TZipFile::GetUTF8PathFromExtraField(invalidUtf8, out), base::EEncodingError);
  TZipHeader none;
  none.ExtraField = "\x01\x00\x00\x00";
  out = u"x";
  EXPECT_FALSE(TZipFile::GetUTF8PathFromExtraField(none, out));
  EXPECT_TRUE(out.empty());
}

TEST(ZipReadTest, DecodesDosStamps) {
  const auto stamp = zip_testing::DosStamp(2024, 2, 29, 23, 59, 58);
  const auto time = zip::DosDateTime(stamp);
  ASSERT_TRUE(time);
  EXPECT_EQ(time->year, 2024);
  EXPECT_EQ(time->month, 2);
  EXPECT_EQ(time->day, 29);
  EXPECT_EQ(time->hour, 23);
  EXPECT_EQ(time->minute, 59);
  EXPECT_EQ(time->second, 58);
  const std::uint32_t invalid[] = {
      0,                                             // month 0
      zip_testing::DosStamp(2023, 2, 29, 0, 0, 0),   // no leap day
      zip_testing::DosStamp(2000, 13, 1, 0, 0, 0),   // month 13
      zip_testing::DosStamp(2000, 4, 31, 0, 0, 0),   // April 31
      zip_testing::DosStamp(2000, 1, 1, 24, 0, 0),   // hour 24
      zip_testing::DosStamp(2000, 1, 1, 0, 60, 0),   // minute 60
      zip_testing::DosStamp(2000, 1, 1, 0, 0, 60),   // second 60
  };
  for (std::uint32_t value : invalid) EXPECT_FALSE(zip::DosDateTime(value)) << std::hex << value;
  EXPECT_TRUE(zip::DosDateTime(zip_testing::DosStamp(2000, 2, 29, 0, 0, 0)));  // 2000 is a leap year
}

}  // namespace
