// The cookie store's matching rules.
#include <gtest/gtest.h>

#include "net/cookie_store.h"
#include "sys/codepage.h"

namespace {

using Clock = net::TCookieStore::Clock;

std::string Header(const net::TCookieStore& store, const char16_t* host, const char16_t* path, bool secure,
                   Clock::time_point now) {
  return sys::ToUtf8(store.CookieHeader(host, path, secure, now));
}

TEST(CookieStore, MatchesDomainPathAndSecurity) {
  const Clock::time_point now = Clock::now();
  net::TCookieStore store;
  store.Store(u"host=1", u"www.example.com", u"/a/b/", now);
  store.Store(u"dom=2; Domain=.Example.com; Path=/", u"www.example.com", u"/a/b/", now);
  store.Store(u"sec=3; Secure; Path=/", u"www.example.com", u"/", now);
  store.Store(u"deep=4; Path=/a/b/c", u"www.example.com", u"/", now);
  store.Store(u"foreign=5; Domain=other.com", u"www.example.com", u"/", now);
  store.Store(u"novalue", u"www.example.com", u"/", now);
  store.Store(u"bad=x\ry", u"www.example.com", u"/", now);
  EXPECT_EQ(store.Count(), 4u);

  struct Case {
    const char16_t* host;
    const char16_t* path;
    bool secure;
    const char* expected;
  } cases[] = {
      {u"www.example.com", u"/a/b/f.zip", false, "host=1; dom=2"},
      {u"WWW.example.com", u"/a/b/c/x", true, "deep=4; host=1; dom=2; sec=3"},
      {u"www.example.com", u"/a/bc", false, "dom=2"},
      {u"example.com", u"/a/b/x", false, "dom=2"},
      {u"sub.www.example.com", u"/a/b/x", false, "dom=2"},
      {u"badexample.com", u"/", false, ""},
      {u"other.com", u"/", false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Header(store, c.host, c.path, c.secure, now), c.expected) << sys::ToUtf8(c.host) << sys::ToUtf8(c.path);
  }
}

TEST(CookieStore, ReplacesAndExpires) {
  const Clock::time_point now = Clock::now();
  net::TCookieStore store;
  store.Store(u"a=1; Path=/", u"h", u"/", now);
  store.Store(u"b=1; Path=/; Max-Age=10", u"h", u"/", now);
  store.Store(u"a=2; Path=/", u"h", u"/", now);
  EXPECT_EQ(Header(store, u"h", u"/", false, now), "a=2; b=1");
  EXPECT_EQ(Header(store, u"h", u"/", false, now + std::chrono::seconds(11)), "a=2");
  store.Store(u"a=gone; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT", u"h", u"/", now);
  EXPECT_EQ(Header(store, u"h", u"/", false, now), "b=1");
  store.Store(u"b=gone; Path=/; Max-Age=0", u"h", u"/", now);
  EXPECT_EQ(store.Count(), 0u);
  // Max-Age wins over Expires.
  store.Store(u"c=1; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT; Max-Age=60", u"h", u"/", now);
  EXPECT_EQ(Header(store, u"h", u"/", false, now), "c=1");
}

// Dates and ages beyond the clock's range (it ends in 2262) keep the
// cookie for as long as the clock goes; they must not wrap round into the
// past and drop it, nor into a near future.
TEST(CookieStore, KeepsCookiesWhoseExpiryIsBeyondTheClock) {
  const Clock::time_point now = Clock::from_time_t(1700000000);
  const Clock::time_point farFuture = Clock::from_time_t(1700000000) + std::chrono::hours(24 * 365 * 200);
  const char16_t* const cases[] = {
      u"a=1; Path=/; Expires=Fri, 31 Dec 9999 23:59:59 GMT",
      u"a=1; Path=/; Expires=Sun, 06 Nov 2994 08:49:37 GMT",
      u"a=1; Path=/; Max-Age=99999999999",
      u"a=1; Path=/; Max-Age=99999999999999999999",
  };
  for (const char16_t* setCookie : cases) {
    net::TCookieStore store;
    store.Store(setCookie, u"h", u"/", now);
    EXPECT_EQ(Header(store, u"h", u"/", false, farFuture), "a=1") << sys::ToUtf8(setCookie);
  }
}

TEST(CookieDate, HoldsDatesBeyondTheClockAtItsEnds) {
  Clock::time_point when;
  ASSERT_TRUE(net::ParseCookieDate(u"Fri, 31 Dec 9999 23:59:59 GMT", when));
  EXPECT_EQ(when, Clock::time_point::max());
  ASSERT_TRUE(net::ParseCookieDate(u"Mon, 01 Jan 1601 00:00:00 GMT", when));
  EXPECT_EQ(when, Clock::time_point::min());
}

TEST(CookieDate, ReadsTheUsualForms) {
  const std::pair<const char16_t*, std::int64_t> cases[] = {
      {u"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
      {u"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
      {u"Sun Nov  6 08:49:37 1994", 784111777},
  };
  for (const auto& [text, seconds] : cases) {
    Clock::time_point when;
    ASSERT_TRUE(net::ParseCookieDate(text, when)) << sys::ToUtf8(text);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(when.time_since_epoch()).count(), seconds);
  }
  Clock::time_point when;
  EXPECT_FALSE(net::ParseCookieDate(u"yesterday", when));
  EXPECT_FALSE(net::ParseCookieDate(u"31 Foo 2020 10:00:00", when));
}

}  // namespace
