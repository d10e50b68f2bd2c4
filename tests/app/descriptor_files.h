// Descriptor files for tests, built byte by byte from the file format rather
// than with the program's own writer, so that a fault shared by the reader
// and the writer still shows.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace descriptor_files {

inline constexpr unsigned char kKey[8] = {0x5C, 0xE1, 0x07, 0x9A, 0x3D, 0x48, 0xB6, 0xF2};

enum class Digits { Upper, Lower, Mixed };

// The payload for plain bytes: each byte XOR the key, as two hexadecimal
// digits.
inline std::string Scramble(std::string_view plain, Digits digits = Digits::Upper) {
  static constexpr char kUpper[] = "0123456789ABCDEF";
  static constexpr char kLower[] = "0123456789abcdef";
  std::string payload;
  for (std::size_t k = 0; k < plain.size(); ++k) {
    const unsigned value = static_cast<unsigned char>(plain[k]) ^ kKey[k % 8];
    const bool lowerHigh = digits == Digits::Lower || (digits == Digits::Mixed && k % 2 == 0);
    const bool lowerLow = digits == Digits::Lower || (digits == Digits::Mixed && k % 2 == 1);
    payload.push_back((lowerHigh ? kLower : kUpper)[value >> 4]);
    payload.push_back((lowerLow ? kLower : kUpper)[value & 0xF]);
  }
  return payload;
}

// The 4 length bytes: signed 32-bit, little-endian.
inline std::string LengthBytes(std::int32_t n) {
  const auto u = static_cast<std::uint32_t>(n);
  return {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF), static_cast<char>((u >> 16) & 0xFF),
          static_cast<char>((u >> 24) & 0xFF)};
}

// prefix + payload + N.
inline std::string File(std::string_view payload, std::int32_t n, std::string_view prefix = {}) {
  return std::string(prefix) + std::string(payload) + LengthBytes(n);
}

inline std::string File(std::string_view payload) {
  return File(payload, static_cast<std::int32_t>(payload.size()));
}

// A plain text of count fields joined by backticks; fields not given are
// empty. The bytes are the ANSI code page's.
inline std::string Fields(const std::map<int, std::string>& given, int count = 32) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text.push_back('`');
    if (auto it = given.find(i); it != given.end()) text += it->second;
  }
  return text;
}

// A complete, valid descriptor with these fields.
inline std::string Descriptor(const std::map<int, std::string>& given) { return File(Scramble(Fields(given))); }

}  // namespace descriptor_files
