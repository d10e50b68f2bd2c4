// Hand-made ZIP archives for the tests: every header field can be set, so a
// fixture can hold exactly the fault or quirk a test is about.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zip_testing {

struct Entry {
  std::string name;                 // raw name bytes, in both headers
  std::string data;                 // uncompressed content
  std::uint16_t method = 0;         // 0 stored, 8 Deflate, anything else as raw bytes
  std::uint16_t flag = 0;
  std::uint16_t madeBy = 0x0014;    // MS-DOS, version 2.0
  std::uint32_t externalAttributes = 0x20;
  std::uint32_t dosTime = 0x5A2B6C3D;
  std::string localExtra;
  std::string centralExtra;
  std::string localName;            // when set, the local header's name instead
  bool useLocalName = false;
  // Overrides for damaged fixtures.
  bool overrideSize = false;
  std::uint32_t uncompressedSize = 0;
  std::string compressed;           // used as is when method is neither 0 nor 8
  bool overrideCrc = false;         // both headers carry crc instead of the data's
  std::uint32_t crc = 0;
  bool overrideCompressedSize = false;  // both headers carry compressedSize
  std::uint32_t compressedSize = 0;
  // Sizes and CRC-32 after the data (flag bit 3, signature 50 4B 07 08), the
  // local header's left at 0, as archivers that stream their output write.
  bool dataDescriptor = false;
  bool overrideLocalHeaderOffset = false;  // the central record points here instead
  std::uint32_t localHeaderOffset = 0;
};

struct Archive {
  std::vector<Entry> entries;
  std::string comment;
  std::string prefix;                // bytes before the first local header
  std::string suffix;                // bytes after the end record
  bool overrideCount = false;
  std::uint16_t count = 0;
  bool overrideDirectoryOffset = false;
  std::uint32_t directoryOffset = 0;
  bool overrideDirectorySize = false;
  std::uint32_t directorySize = 0;
  std::uint16_t commentLength = 0;   // used when overrideCommentLength
  bool overrideCommentLength = false;
  // A ZIP64 end record and its locator before the end record, whose counts,
  // size and offset are then at their limits (0xFFFF, 0xFFFFFFFF).
  bool zip64 = false;
};

// Builds the archive bytes: local headers with data, central directory,
// end record, comment.
std::string Build(const Archive& archive);

// zlib's CRC-32 of data.
std::uint32_t Crc32(const std::string& data);

// Raw Deflate (window bits -15) of data.
std::string Deflate(const std::string& data);

// An Info-ZIP Unicode Path extra field for rawName holding utf8Name.
std::string UnicodePathField(const std::string& rawName, const std::string& utf8Name);

// An MS-DOS stamp.
std::uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second);

std::string Le16(std::uint32_t value);
std::string Le32(std::uint32_t value);

}  // namespace zip_testing
