// The cookies a client keeps: stored from "Set-Cookie" answers and sent
// back with later requests of the same client.
//
// The rules are those of RFC 6265 in its plain form: host-only cookies
// unless a Domain attribute names the host or a domain it lies in (no
// public-suffix list); Path defaulting to the directory of the request;
// Max-Age over Expires; a cookie given an expiry in the past is removed.
// Secure cookies go only over "https". Cookies are sent longest path
// first, then oldest first.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace net {

class TCookieStore {
 public:
  using Clock = std::chrono::system_clock;

  // Stores one "Set-Cookie" value received for host and the request path
  // (the directory part, ending with "/"). Values that cannot be read, or
  // whose Domain does not cover host, are ignored.
  void Store(const std::u16string& setCookie, const std::u16string& host, const std::u16string& path,
             Clock::time_point now = Clock::now());
  // The "Cookie" value for a request, empty when no cookie matches.
  // requestPath is the path of the target (without the query).
  std::u16string CookieHeader(const std::u16string& host, const std::u16string& requestPath, bool secure,
                              Clock::time_point now = Clock::now()) const;

  std::size_t Count() const { return cookies_.size(); }

 private:
  struct Cookie {
    std::u16string name;
    std::u16string value;
    std::u16string domain;  // lower case
    std::u16string path;
    bool hostOnly = true;
    bool secure = false;
    bool persistent = false;
    Clock::time_point expiry;
    std::uint64_t order = 0;
  };
  std::vector<Cookie> cookies_;
  std::uint64_t nextOrder_ = 0;
};

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT" and the forms RFC 6265
// allows); false when it cannot be read.
bool ParseCookieDate(const std::u16string& text, TCookieStore::Clock::time_point& when);

}  // namespace net
