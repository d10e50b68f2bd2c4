// The head of an HTTP answer.
#include "net/answer.h"

#include <limits>
#include <vector>

#include "net/uri.h"

namespace net {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

std::u16string LowerText(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = Lower(c);
  return out;
}

// A whole decimal number of 0 or more that fits 64 bits, else -1.
std::int64_t ParseLength(const std::u16string& text) {
  if (text.empty()) return -1;
  std::int64_t value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return -1;
    const int digit = c - u'0';
    if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) return -1;
    value = value * 10 + digit;
  }
  return value;
}

// Splits "Name: value"; false for a line without a colon.
// Every value of a Content-Length header (a comma list is several); false
// when one is not a whole number.
bool ParseLengthList(const std::u16string& text, std::vector<std::int64_t>& values) {
  std::size_t begin = 0;
  for (;;) {
    std::size_t end = text.find(u',', begin);
    if (end == std::u16string::npos) end = text.size();
    const std::int64_t value = ParseLength(Trim(std::u16string_view(text).substr(begin, end - begin)));
    if (value < 0) return false;
    values.push_back(value);
    if (end == text.size()) return true;
    begin = end + 1;
  }
}

bool SplitHeader(const std::u16string& line, std::u16string& name, std::u16string& value) {
  const std::size_t colon = line.find(u':');
  if (colon == std::u16string::npos) return false;
  name = Trim(std::u16string_view(line).substr(0, colon));
  value = Trim(std::u16string_view(line).substr(colon + 1));
  return true;
}

}  // namespace

std::u16string LineText(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (unsigned char c : bytes) text.push_back(c < 0x80 ? static_cast<char16_t>(c) : u'\uFFFD');
  return text;
}

void THttpAnswer::SetStatusLine(std::u16string line) {
  statusLine = std::move(line);
  statusCode = -1;
  const std::size_t space = statusLine.find(u' ');
  if (space == std::u16string::npos) return;
  std::size_t end = statusLine.find_first_of(u" .", space + 1);
  if (end == std::u16string::npos) end = statusLine.size();
  const std::u16string digits = statusLine.substr(space + 1, end - space - 1);
  if (digits.empty() || digits.size() > 9) return;
  int code = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return;
    code = code * 10 + (c - u'0');
  }
  statusCode = code;
}

void THttpAnswer::AddHeaderLine(std::u16string line) {
  std::u16string name;
  std::u16string value;
  if (SplitHeader(line, name, value)) {
    const bool first = [&] {
      for (const std::u16string& earlier : headerLines) {
        std::u16string n, v;
        if (SplitHeader(earlier, n, v) && SameText(n, name)) return false;
      }
      return true;
    }();
    if (SameText(name, u"Content-Length")) {
      // Every occurrence is looked at: two lengths that disagree leave no
      // way to tell where the body ends.
      std::vector<std::int64_t> values;
      if (!ParseLengthList(value, values)) {
        contentLengthInvalid = true;
      } else {
        for (std::int64_t length : values) {
          if (contentLength >= 0 && length != contentLength) contentLengthInvalid = true;
          if (contentLength < 0) contentLength = length;
        }
      }
    }
    if (SameText(name, u"Set-Cookie")) {
      setCookies.push_back(value);
    } else if (SameText(name, u"WWW-Authenticate")) {
      wwwAuthenticate.push_back(value);
    } else if (first) {
      if (SameText(name, u"Transfer-Encoding")) {
        transferEncoding = value;
      } else if (SameText(name, u"Content-Type")) {
        contentType = value;
      } else if (SameText(name, u"Connection")) {
        connection = value;
      } else if (SameText(name, u"Location")) {
        location = value;
      }
    }
  }
  headerLines.push_back(std::move(line));
}

std::u16string THttpAnswer::Header(std::u16string_view wanted) const {
  for (const std::u16string& line : headerLines) {
    std::u16string name;
    std::u16string value;
    if (SplitHeader(line, name, value) && SameText(name, wanted)) return value;
  }
  return {};
}

bool THttpAnswer::IsChunked() const { return LowerText(transferEncoding).find(u"chunked") != std::u16string::npos; }

bool THttpAnswer::WantsClose() const {
  std::size_t begin = 0;
  while (begin <= connection.size()) {
    std::size_t end = connection.find(u',', begin);
    if (end == std::u16string::npos) end = connection.size();
    if (SameText(Trim(std::u16string_view(connection).substr(begin, end - begin)), u"close")) return true;
    begin = end + 1;
  }
  return false;
}

std::string THttpAnswer::MultipartBoundary() const {
  const std::u16string type = LowerText(contentType);
  if (type.compare(0, 10, u"multipart/") != 0) return {};
  std::size_t at = 0;
  while ((at = type.find(u';', at)) != std::u16string::npos) {
    ++at;
    const std::size_t equals = type.find(u'=', at);
    if (equals == std::u16string::npos) break;
    if (Trim(std::u16string_view(type).substr(at, equals - at)) != u"boundary") continue;
    std::size_t end = contentType.find(u';', equals + 1);
    std::u16string value = Trim(std::u16string_view(contentType).substr(
        equals + 1, end == std::u16string::npos ? std::u16string::npos : end - equals - 1));
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.substr(1, value.size() - 2);
    std::string bytes;
    for (char16_t c : value) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return bytes;
  }
  return {};
}

}  // namespace net
