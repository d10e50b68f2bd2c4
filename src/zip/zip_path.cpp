// Joining entry names with the destination directory, and the path tests.
#include "zip/zip_path.h"

#include "base/exception.h"
#include "base/text.h"
#include "zip/zip_errors.h"

namespace zip {
namespace {

constexpr std::u16string_view kLongPrefix = u"\\\\?\\";
constexpr std::u16string_view kLongUncPrefix = u"\\\\?\\UNC\\";

bool IsSeparator(char16_t c, PathStyle style) {
  return c == Delimiter(style) || (style == PathStyle::Windows && c == u'/');
}

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// Splits on the style's separators, dropping empty components.
std::vector<std::u16string_view> Components(std::u16string_view path, PathStyle style) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i], style)) {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

[[noreturn]] void ThrowUnsafe(std::u16string_view name) {
  throw EZipUnsafeEntry(
      base::Format(u"Entry \"%s\" would be written outside the destination directory", {name}));
}

}  // namespace

bool HasInvalidPathChars(std::u16string_view text) {
  if (text.starts_with(kLongUncPrefix)) {
    text.remove_prefix(kLongUncPrefix.size());
  } else if (text.starts_with(kLongPrefix)) {
    text.remove_prefix(kLongPrefix.size());
  }
  for (char16_t c : text) {
    if (c < 0x20 || c == u'"' || c == u'<' || c == u'>' || c == u'|') return true;
  }
  return false;
}

std::u16string ToStyleSeparators(std::u16string_view name, PathStyle style) {
  std::u16string result(name);
  for (char16_t& c : result) {
    if (c == u'/' || c == u'\\') c = Delimiter(style);
  }
  return result;
}

bool IsEscapingName(std::u16string_view name, PathStyle style) {
  if (name.empty()) return false;
  if (name[0] == u'\\' || name[0] == u'/') return true;  // also covers "\\?\"
  if (name.size() >= 2 && name[1] == u':') return true;
  for (std::u16string_view part : Components(name, style)) {
    if (part == u"..") return true;
    // Windows drops trailing dots and blanks from a component, so "... " and
    // ". ." would reach the file system as ".." or worse.
    if (style == PathStyle::Windows) {
      std::size_t end = part.size();
      while (end > 0 && (part[end - 1] == u'.' || part[end - 1] == u' ')) --end;
      if (end == 0 && part != u".") return true;
    }
  }
  return false;
}

std::u16string CombineEntryPath(std::u16string_view path, std::u16string_view name, PathStyle style,
                                bool keepDirectories) {
  std::u16string relative = ToStyleSeparators(name, style);
  if (!keepDirectories) {
    const std::size_t last = relative.find_last_of(Delimiter(style));
    if (last != std::u16string::npos) relative.erase(0, last + 1);
  }
  if (relative.empty()) return std::u16string(path);
  if (path.empty()) {
    if (IsEscapingName(relative, style)) ThrowUnsafe(name);
    return relative;
  }
  if (HasInvalidPathChars(path) || HasInvalidPathChars(relative)) {
    throw base::EArgumentException(u"Invalid characters in path");
  }
  if (IsEscapingName(relative, style)) ThrowUnsafe(name);
  const char16_t last = path.back();
  if (last == u'\\' || last == u'/' || last == u':') return std::u16string(path) + relative;
  return std::u16string(path) + Delimiter(style) + relative;
}

std::u16string DirectoryPart(std::u16string_view path, PathStyle style) {
  const std::size_t last =
      style == PathStyle::Windows ? path.find_last_of(u"\\:") : path.find_last_of(u'/');
  if (last == std::u16string_view::npos) return {};
  // A root keeps its delimiter: "C:\x" lies in "C:\", "/x" in "/".
  if (style == PathStyle::Windows && last == 2 && path[1] == u':' && path[2] == u'\\') {
    return std::u16string(path.substr(0, 3));
  }
  if (style == PathStyle::Posix && last == 0) return u"/";
  return std::u16string(path.substr(0, last));
}

void CheckFullPath(std::u16string_view fullPath, std::size_t limit, PathStyle style) {
  if (HasInvalidPathChars(fullPath)) throw base::EArgumentException(u"Invalid characters in path");
  if (fullPath.size() >= limit) throw base::EPathTooLongException(u"The specified path is too long");
  if (style == PathStyle::Windows) {
    std::u16string_view rest = fullPath;
    if (rest.starts_with(kLongUncPrefix)) {
      rest.remove_prefix(kLongUncPrefix.size());
    } else if (rest.starts_with(kLongPrefix)) {
      rest.remove_prefix(kLongPrefix.size());
    }
    const std::size_t colon = rest.find(u':');
    const bool driveColon = colon == 1 && IsAsciiLetter(rest[0]);
    if (colon != std::u16string_view::npos &&
        (!driveColon || rest.find(u':', colon + 1) != std::u16string_view::npos)) {
      throw base::ENotSupportedException(u"The path format is not supported");
    }
  }
}

std::vector<std::u16string> PathLevels(std::u16string_view fullPath, PathStyle style) {
  std::vector<std::u16string> levels;
  const char16_t delimiter = Delimiter(style);
  std::size_t start = 0;  // where the search for the next delimiter begins
  std::u16string root;
  if (style == PathStyle::Windows) {
    if (fullPath.size() >= 2 && fullPath[1] == u':') {
      root = std::u16string(fullPath.substr(0, 2)) + u'\\';
      start = 3;
    } else if (fullPath.starts_with(u"\\\\")) {
      // \\server\share is one level: nothing above it can be made.
      std::size_t end = fullPath.find(u'\\', 2);
      if (end != std::u16string_view::npos) end = fullPath.find(u'\\', end + 1);
      if (end == std::u16string_view::npos) end = fullPath.size();
      root = std::u16string(fullPath.substr(0, end));
      start = end + 1;
    }
  } else if (!fullPath.empty() && fullPath[0] == u'/') {
    root = u"/";
    start = 1;
  }
  if (!root.empty()) levels.push_back(root);
  while (start < fullPath.size()) {
    std::size_t end = fullPath.find(delimiter, start);
    if (end == std::u16string_view::npos) end = fullPath.size();
    if (end > start) levels.emplace_back(fullPath.substr(0, end));
    start = end + 1;
  }
  return levels;
}

bool IsWithinDirectory(std::u16string_view base, std::u16string_view fullPath, PathStyle style) {
  const auto baseParts = Components(base, style);
  const auto parts = Components(fullPath, style);
  if (parts.size() < baseParts.size()) return false;
  // Both must be rooted alike: "/a" is not within "a".
  if (!base.empty() && !fullPath.empty() && IsSeparator(base[0], style) != IsSeparator(fullPath[0], style)) {
    return false;
  }
  for (std::size_t i = 0; i < baseParts.size(); ++i) {
    const std::u16string_view a = baseParts[i];
    const std::u16string_view b = parts[i];
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
      const bool same = style == PathStyle::Windows ? AsciiUpper(a[k]) == AsciiUpper(b[k]) : a[k] == b[k];
      if (!same) return false;
    }
  }
  return true;
}

}  // namespace zip
