// Addresses as the client reads them: split into parts, and merged into the
// address of the previous request so that redirects can be relative.
//
// The reading is deliberately plain: nothing is percent-decoded or encoded,
// backslashes before the query become "/", and the fragment is dropped.
#pragma once

#include <string>

namespace net {

struct TUri {
  std::u16string protocol;  // scheme, as written ("http", "HTTPS", ...)
  std::u16string host;      // without brackets for an IPv6 literal
  std::u16string port;      // text, empty when the address has none
  std::u16string path;      // from the leading "/" up to and including the last "/"
  std::u16string document;  // the rest after the last "/"
  std::u16string params;    // the query, after "?", without it
  std::u16string username;
  std::u16string password;
  bool ipv6 = false;        // host came in brackets
};

// Reads an address. With "://" it is absolute (path at least "/"); without
// it is relative and protocol, host and port stay empty.
TUri ParseUri(std::u16string text);

// Resolves "." and ".." segments of a path that begins with "/" or is
// relative; the result keeps a trailing "/" and never climbs above the root.
std::u16string ResolveDotSegments(const std::u16string& path);

// Case-insensitive ASCII comparison, for schemes, host names and tokens.
bool SameText(std::u16string_view a, std::u16string_view b);

}  // namespace net
