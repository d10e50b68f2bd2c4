// Where an entry goes: joining an entry name with the destination directory,
// and the tests a path must pass before directories or files are made there.
//
// Everything here is pure text work and takes the path style as a parameter,
// so the Windows rules can be exercised on any host. Decisions are made on
// decoded names (UTF-16), never on raw name bytes: a code page 936 character
// may carry 0x5C, the backslash byte, as its second byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zip {

enum class PathStyle {
  Windows,  // "\" delimits; "/" is turned into "\"; drive letters and ":" rules
  Posix,    // "/" delimits; "\" in entry names is turned into "/"
};

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

constexpr char16_t Delimiter(PathStyle style) { return style == PathStyle::Windows ? u'\\' : u'/'; }

// The directory length limits of the path tests: a directory path must stay
// below 248 characters, a file path (at the time and attribute updates)
// below 260.
inline constexpr std::size_t kMaxDirectoryPath = 248;
inline constexpr std::size_t kMaxFilePath = 260;

// True when text holds U+0000 to U+001F, '"', '<', '>' or '|'. A leading
// "\\?\" or "\\?\UNC\" is not examined. '*', '?' and ':' are allowed here.
bool HasInvalidPathChars(std::u16string_view text);

// Turns both "/" and "\" of an entry name into the style's delimiter.
std::u16string ToStyleSeparators(std::u16string_view name, PathStyle style);

// True when a name (already in the style's separators) would leave the
// directory it is joined to: it is rooted (first character "\" or "/", second
// character ":", or a leading "\\?\"), or one of its components is "..".
// Whole components are compared, so "..a" and "a.." are ordinary names.
bool IsEscapingName(std::u16string_view name, PathStyle style);

// Joins the destination directory and a decoded entry name:
//  - the name's separators become the style's delimiter;
//  - an empty name gives path itself, an empty path gives the name;
//  - otherwise both are tested for invalid characters (EArgumentException
//    "Invalid characters in path") and joined with one delimiter unless path
//    ends with "\", "/" or ":".
// An escaping name (IsEscapingName) raises EZipUnsafeEntry naming the entry,
// whatever path is. With keepDirectories false only the name's last component
// is used.
std::u16string CombineEntryPath(std::u16string_view path, std::u16string_view name, PathStyle style,
                                bool keepDirectories = true);

// The directory part of a joined path: the text before its last delimiter
// (or, in Windows style, its last ":"). A root keeps its delimiter ("C:\",
// "/"). Empty when there is no delimiter.
std::u16string DirectoryPart(std::u16string_view path, PathStyle style);

// The tests a full (absolute) path must pass before directories are made in
// it (limit kMaxDirectoryPath) or a file's times and attributes are set
// (limit kMaxFilePath):
//  - EArgumentException "Invalid characters in path";
//  - EPathTooLongException "The specified path is too long" at limit
//    characters or more;
//  - in Windows style, ENotSupportedException "The path format is not
//    supported" for a ":" anywhere but right after a leading drive letter.
// The drive's existence needs the file system and is tested by the caller.
void CheckFullPath(std::u16string_view fullPath, std::size_t limit, PathStyle style);

// The path's levels from the top down, each a path of its own: "C:\a\b" gives
// "C:\", "C:\a", "C:\a\b"; "/a/b" gives "/", "/a", "/a/b". A trailing
// delimiter is dropped; the two leading components of a UNC path form its
// first level.
std::vector<std::u16string> PathLevels(std::u16string_view fullPath, PathStyle style);

// True when fullPath is base itself or lies below it, comparing whole
// components (so "/dl" does not contain "/dl2"); both are full paths without
// "." or ".." components. Windows style ignores the case of ASCII letters.
bool IsWithinDirectory(std::u16string_view base, std::u16string_view fullPath, PathStyle style);

}  // namespace zip
