// Fuzzes the address reader and the joining of a redirect's Location to the
// current address. The first byte picks the scheme of the current address
// and the length of its path; the rest is that path and then the Location
// (bytes taken as code units; with the top bit of the first byte as
// UTF-16LE). The current address is always 127.0.0.1 port 1, so the one
// request the client attempts for it is refused at once and nothing leaves
// the machine. The request head built for the Location must stay one
// request line and the client's own header lines, whatever the address.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/exception.h"
#include "base/stream.h"
#include "net/http_client.h"
#include "net/uri.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

std::u16string Text(const std::uint8_t* data, std::size_t size, bool utf16) {
  std::u16string text;
  if (utf16) {
    for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    for (std::size_t i = 0; i < size; ++i) text.push_back(data[i]);
  }
  return text;
}

void CheckUri(const std::u16string& address) {
  const net::TUri uri = net::ParseUri(address);
  Check(uri.document.find(u'/') == std::u16string::npos, "the document holds no /");
  if (!uri.path.empty()) Check(uri.path.back() == u'/', "a path ends with /");
  if (address.find(u"://") != std::u16string::npos && !uri.protocol.empty()) {
    Check(!uri.path.empty() && uri.path.front() == u'/', "an absolute address has a path from the root");
  }
  for (const std::u16string& path : {uri.path, u"/" + uri.path, u"/x/y/" + uri.path}) {
    const std::u16string resolved = net::ResolveDotSegments(path);
    Check(net::ResolveDotSegments(resolved) == resolved, "resolving is done in one go");
    if (!path.empty() && path.front() == u'/') {
      Check(!resolved.empty() && resolved.front() == u'/', "a rooted path stays rooted");
      if (path.back() == u'/') Check(resolved.back() == u'/', "a trailing / stays");
      Check(resolved.find(u"/../") == std::u16string::npos && resolved.find(u"/./") == std::u16string::npos,
            "no dot segment is left");
    }
  }
}

// A host name the connection refuses before anything is sent: blanks,
// control characters or anything beyond 7 bits.
bool NeverSent(const std::u16string& location) {
  const bool networkPath = location.size() >= 2 && location[0] == u'/' && location[1] == u'/';
  const std::u16string host = net::ParseUri(networkPath ? u"http:" + location : location).host;
  for (char16_t c : host) {
    if (c <= 0x20 || c >= 0x7F) return true;
  }
  return false;
}

// One request line, then header lines of the client's own, then the blank
// line.
void CheckHead(const std::string& head) {
  Check(head.size() >= 4 && head.compare(head.size() - 4, 4, "\r\n\r\n") == 0, "the head ends with a blank line");
  Check(head.find("\r\n\r\n") == head.size() - 4, "one blank line only");
  for (std::size_t i = 0; i < head.size(); ++i) {
    if (head[i] == '\r') Check(i + 1 < head.size() && head[i + 1] == '\n', "CR only before LF");
    if (head[i] == '\n') Check(i > 0 && head[i - 1] == '\r', "LF only after CR");
  }
  const std::size_t lineEnd = head.find("\r\n");
  const std::string_view requestLine(head.data(), lineEnd);
  Check(requestLine.starts_with("GET /"), "the request line asks for a path");
  Check(requestLine.ends_with(" HTTP/1.1"), "the request line ends with the version");
  const std::string_view target = requestLine.substr(4, requestLine.size() - 4 - 9);
  for (char c : target) {
    const auto u = static_cast<unsigned char>(c);
    Check(u > 0x20 && u < 0x7F, "the target is printable 7-bit text");
  }
  std::size_t at = lineEnd + 2;
  int hosts = 0;
  while (at < head.size() - 2) {
    const std::size_t end = head.find("\r\n", at);
    const std::string_view line(head.data() + at, end - at);
    const bool own = line.starts_with("Host: ") || line.starts_with("Accept: ") || line.starts_with("User-Agent: ");
    Check(own, "only the client's own header lines");
    if (line.starts_with("Host: ")) ++hosts;
    at = end + 2;
  }
  Check(hosts == 1, "one Host line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool https = data[0] & 1;
  const bool utf16 = data[0] & 0x80;
  std::size_t pathLength = (data[0] >> 1) & 0x3F;
  ++data;
  --size;
  if (pathLength > size) pathLength = size;
  const std::u16string path = Text(data, pathLength, utf16);
  const std::u16string location = Text(data + pathLength, size - pathLength, utf16);

  CheckUri(location);
  CheckUri(path);

  const std::u16string current = (https ? u"https://127.0.0.1:1/" : u"http://127.0.0.1:1/") + path;
  const net::TUri currentUri = net::ParseUri(current);
  if (currentUri.host != u"127.0.0.1" || currentUri.port != u"1") return 0;

  net::THttpClient client;
  client.ConnectTimeout = 1000;
  base::TMemoryStream sink;
  try {
    client.Get(current, sink);
    Check(false, "nothing listens on port 1");
  } catch (const base::Exception&) {
  }
  if (client.Url().host != u"127.0.0.1") return 0;
  try {
    const std::string head = client.RequestBytes(location);
    if (!NeverSent(location)) CheckHead(head);
  } catch (const base::Exception&) {
  }
  return 0;
}
