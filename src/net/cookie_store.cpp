// The cookies a client keeps.
#include "net/cookie_store.h"

#include <algorithm>

#include "net/uri.h"

namespace net {
namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

std::u16string LowerText(std::u16string text) {
  for (char16_t& c : text) c = Lower(c);
  return text;
}

std::u16string Trim(const std::u16string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) ++begin;
  while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) --end;
  return text.substr(begin, end - begin);
}

// Times beyond what the clock can hold (counting nanoseconds, it spans the
// years 1677 to 2262 only) are taken as its ends: a cookie "until 9999" or
// with a Max-Age of centuries lives as long as the clock goes, instead of
// wrapping round to some date in the past.
TCookieStore::Clock::time_point ClockTime(std::int64_t secondsSinceEpoch) {
  using TimePoint = TCookieStore::Clock::time_point;
  using std::chrono::seconds;
  constexpr std::int64_t earliest = std::chrono::duration_cast<seconds>(TimePoint::min().time_since_epoch()).count();
  constexpr std::int64_t latest = std::chrono::duration_cast<seconds>(TimePoint::max().time_since_epoch()).count();
  if (secondsSinceEpoch >= latest) return TimePoint::max();
  if (secondsSinceEpoch <= earliest) return TimePoint::min();
  return TimePoint(seconds(secondsSinceEpoch));
}

// now + seconds, held at the clock's end in the same way.
TCookieStore::Clock::time_point SecondsLater(TCookieStore::Clock::time_point now, std::int64_t seconds) {
  using TimePoint = TCookieStore::Clock::time_point;
  const std::int64_t left = std::chrono::duration_cast<std::chrono::seconds>(TimePoint::max() - now).count();
  return seconds >= left ? TimePoint::max() : now + std::chrono::seconds(seconds);
}

bool IsIpAddress(const std::u16string& host) {
  if (host.find(u':') != std::u16string::npos) return true;
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char16_t c) { return (c >= u'0' && c <= u'9') || c == u'.'; });
}

bool DomainMatches(const std::u16string& host, const std::u16string& domain) {
  if (host == domain) return true;
  if (IsIpAddress(host) || host.size() <= domain.size()) return false;
  return host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
         host[host.size() - domain.size() - 1] == u'.';
}

bool PathMatches(const std::u16string& requestPath, const std::u16string& cookiePath) {
  if (requestPath == cookiePath) return true;
  if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  return cookiePath.back() == u'/' || requestPath[cookiePath.size()] == u'/';
}

// The directory of the request: its path without the last "/", or "/".
std::u16string DefaultPath(const std::u16string& path) {
  if (path.empty() || path.front() != u'/') return u"/";
  const std::size_t last = path.rfind(u'/');
  return last == 0 ? u"/" : path.substr(0, last);
}

int MonthNumber(const std::u16string& token) {
  static const char16_t* const months[] = {u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                           u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};
  const std::u16string lower = LowerText(token.substr(0, 3));
  for (int i = 0; i < 12; ++i) {
    if (lower == months[i]) return i + 1;
  }
  return 0;
}

// Days since 1970-01-01 of a civil date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

bool ParseCookieDate(const std::u16string& text, TCookieStore::Clock::time_point& when) {
  // Tokens separated by anything that is not a letter, digit or ":".
  std::vector<std::u16string> tokens;
  std::u16string current;
  for (char16_t c : text) {
    const bool keep = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u':';
    if (keep) {
      current.push_back(c);
    } else if (!current.empty()) {
      tokens.push_back(current);
      current.clear();
    }
  }
  if (!current.empty()) tokens.push_back(current);
  int hour = -1, minute = -1, second = -1, day = -1, month = 0, year = -1;
  for (const std::u16string& token : tokens) {
    if (hour < 0 && token.find(u':') != std::u16string::npos) {
      int parts[3] = {0, 0, 0};
      int index = 0;
      bool valid = true;
      int digits = 0;
      for (char16_t c : token) {
        if (c == u':') {
          if (++index > 2 || digits == 0) valid = false;
          digits = 0;
        } else if (c >= u'0' && c <= u'9' && digits < 2 && index <= 2) {
          parts[index] = parts[index] * 10 + (c - u'0');
          ++digits;
        } else {
          valid = false;
        }
      }
      if (valid && index == 2 && digits > 0) {
        hour = parts[0];
        minute = parts[1];
        second = parts[2];
        continue;
      }
    }
    const bool numeric = !token.empty() && token.size() <= 4 &&
                         std::all_of(token.begin(), token.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
    if (day < 0 && numeric && token.size() <= 2) {
      day = std::stoi(std::string(token.begin(), token.end()));
      continue;
    }
    if (month == 0 && MonthNumber(token) != 0 && token.size() >= 3) {
      month = MonthNumber(token);
      continue;
    }
    if (year < 0 && numeric && token.size() >= 2) {
      year = std::stoi(std::string(token.begin(), token.end()));
      continue;
    }
  }
  if (year >= 70 && year <= 99) year += 1900;
  if (year >= 0 && year <= 69) year += 2000;
  if (day < 1 || day > 31 || month == 0 || year < 1601 || hour < 0 || hour > 23 || minute > 59 || second > 59) {
    return false;
  }
  const std::int64_t seconds = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
                               hour * 3600 + minute * 60 + second;
  when = ClockTime(seconds);
  return true;
}

void TCookieStore::Store(const std::u16string& setCookie, const std::u16string& host, const std::u16string& path,
                         Clock::time_point now) {
  const std::size_t firstSemicolon = setCookie.find(u';');
  const std::u16string pair = setCookie.substr(0, firstSemicolon);
  const std::size_t equals = pair.find(u'=');
  if (equals == std::u16string::npos) return;
  Cookie cookie;
  cookie.name = Trim(pair.substr(0, equals));
  cookie.value = Trim(pair.substr(equals + 1));
  if (cookie.name.empty()) return;
  // Control characters would end the Cookie line early when sent back.
  for (const std::u16string* part : {&cookie.name, &cookie.value}) {
    for (char16_t c : *part) {
      if ((c < 0x20 && c != u'\t') || c == 0x7F) return;
    }
  }
  const std::u16string requestHost = LowerText(host);
  cookie.domain = requestHost;
  cookie.path = DefaultPath(path);
  bool haveMaxAge = false;
  std::size_t at = firstSemicolon;
  while (at != std::u16string::npos) {
    const std::size_t next = setCookie.find(u';', at + 1);
    const std::u16string attribute =
        setCookie.substr(at + 1, next == std::u16string::npos ? std::u16string::npos : next - at - 1);
    at = next;
    const std::size_t split = attribute.find(u'=');
    const std::u16string key = LowerText(Trim(attribute.substr(0, split)));
    const std::u16string value = split == std::u16string::npos ? std::u16string() : Trim(attribute.substr(split + 1));
    if (key == u"domain" && !value.empty()) {
      std::u16string domain = LowerText(value);
      if (domain.front() == u'.') domain.erase(0, 1);
      if (domain.empty() || !DomainMatches(requestHost, domain)) return;
      cookie.domain = domain;
      cookie.hostOnly = false;
    } else if (key == u"path") {
      if (!value.empty() && value.front() == u'/') cookie.path = value;
    } else if (key == u"secure") {
      cookie.secure = true;
    } else if (key == u"max-age" && !value.empty()) {
      std::size_t digits = value.front() == u'-' ? 1 : 0;
      if (digits == value.size()) continue;
      bool valid = true;
      std::int64_t seconds = 0;
      for (std::size_t i = digits; i < value.size(); ++i) {
        if (value[i] < u'0' || value[i] > u'9') valid = false;
        else if (seconds < 1000000000000LL) seconds = seconds * 10 + (value[i] - u'0');
      }
      if (!valid) continue;
      if (digits == 1) seconds = -seconds;
      haveMaxAge = true;
      cookie.persistent = true;
      cookie.expiry = seconds <= 0 ? Clock::time_point::min() : SecondsLater(now, seconds);
    } else if (key == u"expires" && !haveMaxAge) {
      Clock::time_point when;
      if (ParseCookieDate(value, when)) {
        cookie.persistent = true;
        cookie.expiry = when;
      }
    }
  }
  cookie.order = nextOrder_++;
  auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& c) {
    return c.name == cookie.name && c.domain == cookie.domain && c.path == cookie.path;
  });
  if (same != cookies_.end()) {
    cookie.order = same->order;
    cookies_.erase(same);
  }
  if (cookie.persistent && cookie.expiry <= now) return;  // an expiry in the past removes it
  cookies_.push_back(std::move(cookie));
}

std::u16string TCookieStore::CookieHeader(const std::u16string& host, const std::u16string& requestPath, bool secure,
                                          Clock::time_point now) const {
  const std::u16string requestHost = LowerText(host);
  const std::u16string path = requestPath.empty() ? u"/" : requestPath;
  std::vector<const Cookie*> chosen;
  for (const Cookie& cookie : cookies_) {
    if (cookie.persistent && cookie.expiry <= now) continue;
    if (cookie.secure && !secure) continue;
    if (cookie.hostOnly ? requestHost != cookie.domain : !DomainMatches(requestHost, cookie.domain)) continue;
    if (!PathMatches(path, cookie.path)) continue;
    chosen.push_back(&cookie);
  }
  std::stable_sort(chosen.begin(), chosen.end(), [](const Cookie* a, const Cookie* b) {
    if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
    return a->order < b->order;
  });
  std::u16string header;
  for (const Cookie* cookie : chosen) {
    if (!header.empty()) header += u"; ";
    header += cookie->name + u"=" + cookie->value;
  }
  return header;
}

}  // namespace net
