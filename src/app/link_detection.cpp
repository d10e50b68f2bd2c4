// Reading page text and finding the download marker.
#include "app/link_detection.h"

#include "sys/codepage.h"

namespace app {
namespace {

bool IsBlank(char16_t c) { return c >= 0x0001 && c <= 0x0020; }

// Combining marks that attach to the character before them (the main
// non-spacing blocks); reading moves over a character and its marks at once.
bool IsNonSpacingMark(char16_t c) {
  struct Range {
    char16_t first, last;
  };
  static constexpr Range kMarks[] = {
      {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
      {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670},
      {0x06D6, 0x06DC}, {0x06DF, 0x06E4}, {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0711, 0x0711},
      {0x0730, 0x074A}, {0x07A6, 0x07B0}, {0x0900, 0x0902}, {0x093C, 0x093C}, {0x0941, 0x0948},
      {0x094D, 0x094D}, {0x0951, 0x0957}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E},
      {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x20D0, 0x20FF}, {0x302A, 0x302D}, {0x3099, 0x309A},
      {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
  };
  for (const Range& range : kMarks) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

// The index after the whole character at i: a surrogate pair, or a
// character with the non-spacing marks that follow it.
std::size_t NextChar(std::u16string_view s, std::size_t i) {
  if (s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
    i += 2;
  } else {
    ++i;
  }
  while (i < s.size() && IsNonSpacingMark(s[i])) ++i;
  return i;
}

std::size_t SkipBlanks(std::u16string_view s, std::size_t i) {
  while (i < s.size() && IsBlank(s[i])) i = NextChar(s, i);
  return i;
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    text.push_back(static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a));
  }
  return text;
}

}  // namespace

PageEncoding PageSourceEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return PageEncoding::Utf8Mark;
  if (bytes.starts_with("\xFF\xFE")) return PageEncoding::Utf16LEMark;
  if (bytes.starts_with("\xFE\xFF")) return PageEncoding::Utf16BEMark;
  return PageEncoding::Ansi;
}

std::u16string DecodePageSource(std::string_view bytes) {
  switch (PageSourceEncoding(bytes)) {
    case PageEncoding::Utf8Mark:
      return sys::FromUtf8(bytes.substr(3));
    case PageEncoding::Utf16LEMark:
      return DecodeUtf16(bytes.substr(2), false);
    case PageEncoding::Utf16BEMark:
      return DecodeUtf16(bytes.substr(2), true);
    case PageEncoding::Ansi:
      break;
  }
  return sys::DecodeBytes(sys::kCodePageAnsi, bytes).value_or(std::u16string());
}

std::u16string TrimBlanks(std::u16string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] <= u' ') ++first;
  while (last > first && text[last - 1] <= u' ') --last;
  return std::u16string(text.substr(first, last - first));
}

bool HasDownloadMarker(std::u16string_view pageText) {
  if (pageText.find(u"|||") == std::u16string_view::npos) return false;
  std::u16string lowered(pageText);
  for (char16_t& c : lowered) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 0x20);
  }
  return lowered.find(u"http://") != std::u16string::npos;
}

std::u16string TextBetween(std::u16string_view text, std::u16string_view startMarker,
                           std::u16string_view endMarker) {
  const std::size_t start = text.find(startMarker);
  if (start == std::u16string_view::npos) return {};
  const std::u16string_view candidate = text.substr(start + startMarker.size());
  const std::size_t end = candidate.find(endMarker);
  if (end == std::u16string_view::npos || end == 0) return {};
  return std::u16string(candidate.substr(0, end));
}

std::u16string LastUrlSegment(std::u16string_view s) {
  std::u16string last;
  bool any = false;
  std::size_t i = SkipBlanks(s, 0);
  while (i < s.size()) {
    std::u16string item;
    if (s[i] == u'"') {
      i = NextChar(s, i);
      while (i < s.size()) {
        if (s[i] == u'"') {
          if (i + 1 < s.size() && s[i + 1] == u'"') {
            item.push_back(u'"');
            i += 2;
            continue;
          }
          i = NextChar(s, i);
          break;
        }
        const std::size_t next = NextChar(s, i);
        item.append(s.substr(i, next - i));
        i = next;
      }
    } else {
      const std::size_t start = i;
      while (i < s.size() && !IsBlank(s[i]) && s[i] != u'/') i = NextChar(s, i);
      item.assign(s.substr(start, i - start));
    }
    last = std::move(item);
    any = true;
    i = SkipBlanks(s, i);
    if (i < s.size() && s[i] == u'/') {
      const std::size_t next = NextChar(s, i);
      if (next >= s.size()) last.clear();
      i = SkipBlanks(s, next);
    }
  }
  return any ? last : std::u16string();
}

bool IsPlainFileName(std::u16string_view name) {
  if (name == u"." || name == u"..") return false;
  // "/" splits addresses, but a quoted item can still hold one, and Windows
  // takes it as a delimiter as well.
  return name.find_first_of(u"/\\") == std::u16string_view::npos;
}

}  // namespace app
