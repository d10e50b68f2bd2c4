// Conversion between byte strings in a code page and UTF-16 text.
//
// Code pages (936, 437, the active ANSI one) decode leniently: a byte
// sequence without a mapping becomes a substitute character, and decoding
// fails only when non-empty bytes give no character at all. UTF-8 decodes
// strictly: any invalid sequence fails the whole conversion.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sys {

inline constexpr unsigned kCodePageAnsi = 0;  // the system's active ANSI code page
inline constexpr unsigned kCodePage437 = 437;
inline constexpr unsigned kCodePage936 = 936;
inline constexpr unsigned kCodePageUtf8 = 65001;

// GetACP() on Windows. POSIX has no such setting; 936 stands in, since the
// descriptors and pages this program meets are made on Chinese systems.
unsigned ActiveAnsiCodePage();

bool IsCodePageSupported(unsigned codePage);

std::optional<std::u16string> DecodeBytes(unsigned codePage, std::string_view bytes);
// Characters without a mapping become the code page's default character.
std::optional<std::string> EncodeText(unsigned codePage, std::u16string_view text);

// Portable UTF-8 <-> UTF-16, used where text meets the terminal and POSIX
// paths. Invalid input becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view bytes);
// Strict: nullopt for any invalid sequence (overlong forms, surrogates,
// values above U+10FFFF, truncated sequences).
std::optional<std::u16string> FromUtf8Strict(std::string_view bytes);

}  // namespace sys
