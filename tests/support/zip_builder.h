// Builds ZIP archives in memory for test fixtures: stored or Deflate
// entries with the names, times and attributes a test chooses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct ZipEntry {
  std::string name;  // the raw name bytes
  std::string data;
  bool deflate = true;
  std::uint16_t flag = 0;         // 0x0800: the name is UTF-8
  std::uint8_t madeBySystem = 0;  // 0 MS-DOS, 3 Unix
  std::uint32_t externalAttributes = 0;
  std::uint32_t dosTime = 0x5B8A6000;  // 2025-12-10 12:00:00
};

// The archive's bytes: local headers with data, the central directory and
// the end record.
std::string BuildZip(const std::vector<ZipEntry>& entries);

// A Unix entry with the given permission bits (e.g. 0755 for an installer).
ZipEntry UnixEntry(std::string name, std::string data, std::uint32_t mode);

}  // namespace testing_support
