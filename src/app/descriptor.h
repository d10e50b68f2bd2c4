// The package descriptor pack.db: a scrambled list of 32 fields.
//
// The file ends with a 4-byte little-endian signed length N, preceded by N
// bytes of payload: hexadecimal digit pairs, each pair XOR a fixed 8-byte key
// giving one byte of the plain text. The plain text, in the active ANSI code
// page, holds 32 fields separated by backticks. Whatever lies before the
// payload is not read.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

inline constexpr std::array<std::uint8_t, 8> DescriptorKey = {0x5C, 0xE1, 0x07, 0x9A, 0x3D, 0x48, 0xB6, 0xF2};
inline constexpr std::size_t kDescriptorFieldCount = 32;
inline constexpr char16_t kFieldSeparator = u'`';

inline constexpr std::size_t kPackageIdField = 2;
inline constexpr std::size_t kCheckField = 13;  // itself hexadecimal pairs; checked, not used
inline constexpr std::size_t kInstallerNameField = 15;
inline constexpr std::size_t kBannerUrlField = 21;
inline constexpr std::size_t kPortalUrlField = 30;

// Payload pairs to plain bytes. EConvertError "'$xy' is not a valid integer
// value" for the first pair that is not two hexadecimal digits (the pair
// shown as ANSI text); an odd last byte is not used. Field 13 goes through
// here too, turned back into ANSI bytes.
std::string UnscrambleText(std::string_view payload);
// The inverse, in upper-case digits: for authoring descriptors.
std::string ScrambleText(std::string_view plain);

// The fields between separators; an empty text gives no field at all.
std::vector<std::u16string> SplitFields(std::u16string_view text, char16_t separator);

// Where a successful read puts the four values, set in ascending field
// order, so a failure at field 13 leaves only the package id set.
struct DescriptorTargets {
  std::u16string* packageId;
  std::u16string* installerName;
  std::u16string* bannerUrl;
  std::u16string* portalUrl;
};

// Reads a descriptor file exactly as the program reads pack.db. A missing
// or damaged file is rejected through `reject` with the user's text ("文件不存在："
// + path, or "文件已经被破坏，无法打开"); every other failure is raised (file
// open, "Stream read error", "Out of memory", "Integer overflow", conversion).
void ReadDescriptorFile(const std::u16string& path, const DescriptorTargets& targets,
                        const std::function<void(const std::u16string& text)>& reject);

// The bytes of a descriptor file holding these fields, in the ANSI code page.
std::string BuildDescriptorFile(const std::vector<std::u16string>& fields);

}  // namespace app
