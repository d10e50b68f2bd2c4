// Fuzzes the cookie store with Set-Cookie values as the answer reader hands
// them over (one per line, without the line end) and the Cookie values
// built from it. Each value is stored for www.example.com, path /a/, at a
// fixed time, so that every run of an input is the same.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "net/cookie_store.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

std::size_t Pairs(const std::u16string& header) {
  if (header.empty()) return 0;
  std::size_t count = 1;
  for (std::size_t at = header.find(u"; "); at != std::u16string::npos; at = header.find(u"; ", at + 2)) ++count;
  return count;
}

void CheckHeader(const std::u16string& header) {
  for (char16_t c : header) {
    Check(c != u'\r' && c != u'\n' && c != u'\0', "a Cookie value stays on its line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using Clock = net::TCookieStore::Clock;
  const Clock::time_point now = Clock::from_time_t(1700000000);
  net::TCookieStore store;
  std::size_t values = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != '\n') continue;
    std::size_t end = i;
    if (end > start && data[end - 1] == '\r') --end;
    std::u16string value;
    for (std::size_t j = start; j < end; ++j) value.push_back(data[j]);
    store.Store(value, u"www.example.com", u"/a/", now);
    ++values;
    Clock::time_point when;
    (void)net::ParseCookieDate(value, when);
    start = i + 1;
  }
  Check(store.Count() <= values, "one cookie at most per value");

  const std::u16string secure = store.CookieHeader(u"www.example.com", u"/a/b", true, now);
  const std::u16string plain = store.CookieHeader(u"www.example.com", u"/a/b", false, now);
  CheckHeader(secure);
  CheckHeader(plain);
  Check(Pairs(secure) >= Pairs(plain), "https gets every cookie http gets");
  Check(Pairs(secure) <= store.Count(), "no cookie sent twice");
  CheckHeader(store.CookieHeader(u"example.com", u"/", true, now));
  CheckHeader(store.CookieHeader(u"www.example.com", u"/", true, now + std::chrono::hours(24 * 365 * 100)));
  Check(store.CookieHeader(u"unrelated.test", u"/a/b", true, now).empty(), "no cookie for an unrelated host");
  return 0;
}
