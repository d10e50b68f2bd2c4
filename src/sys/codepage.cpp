// Code-page conversion. The UTF-8 codecs are portable; the code pages are
// the platform's, included at the end.
#include "sys/codepage.h"

#include <cstdint>

namespace sys {
namespace {

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

// Decodes one UTF-8 sequence at bytes[i]; returns false for an invalid one
// and leaves i at the first byte after what was consumed.
bool DecodeOne(std::string_view bytes, std::size_t& i, char32_t& c) {
  const auto b0 = static_cast<unsigned char>(bytes[i++]);
  if (b0 < 0x80) {
    c = b0;
    return true;
  }
  int extra = 0;
  char32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, c = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, c = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, c = b0 & 0x07, minimum = 0x10000;
  } else {
    return false;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= bytes.size()) return false;
    const auto b = static_cast<unsigned char>(bytes[i]);
    if ((b & 0xC0) != 0x80) return false;
    c = (c << 6) | (b & 0x3F);
    ++i;
  }
  return c >= minimum && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::u16string FromUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t start = i;
    char32_t c = 0;
    if (DecodeOne(bytes, i, c)) {
      AppendCodePoint(out, c);
    } else {
      out.push_back(u'\uFFFD');
      i = start + 1;
    }
  }
  return out;
}

std::optional<std::u16string> FromUtf8Strict(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    char32_t c = 0;
    if (!DecodeOne(bytes, i, c)) return std::nullopt;
    AppendCodePoint(out, c);
  }
  return out;
}

}  // namespace sys

#ifdef _WIN32
#include "sys/win32/codepage.inc"
#else
#include "sys/posix/codepage.inc"
#endif
