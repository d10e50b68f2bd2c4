// Reading addresses.
#include "net/uri.h"

#include <vector>

namespace net {
namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Splits "?query" and "#fragment" off text: the query runs to a "#", and the
// fragment is dropped whether or not there is a query.
void SplitQuery(std::u16string& text, std::u16string& params) {
  const std::size_t mark = text.find_first_of(u"?#");
  if (mark == std::u16string::npos) return;
  if (text[mark] == u'?') {
    const std::size_t hash = text.find(u'#', mark + 1);
    params = text.substr(mark + 1, hash == std::u16string::npos ? std::u16string::npos : hash - mark - 1);
  }
  text.erase(mark);
}

// The length of a scheme and its ":" at the start of text (a letter, then
// letters, digits, "+", "-" or "."), 0 when text does not begin with one. A
// "://" further on, in a query for instance, makes no address absolute.
std::size_t SchemeColon(const std::u16string& text) {
  const auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  if (text.empty() || !letter(text[0])) return 0;
  std::size_t at = 1;
  while (at < text.size() && (letter(text[at]) || (text[at] >= u'0' && text[at] <= u'9') || text[at] == u'+' ||
                              text[at] == u'-' || text[at] == u'.')) {
    ++at;
  }
  return at < text.size() && text[at] == u':' ? at + 1 : 0;
}

}  // namespace

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

TUri ParseUri(std::u16string text) {
  TUri uri;
  // Backslashes count as slashes up to the query: Windows users paste paths.
  std::size_t start = SchemeColon(text);
  if (start > 0 && text.compare(start, 2, u"//") == 0) start += 2;
  const std::size_t queryStart = text.find_first_of(u"?#", start);
  const std::size_t stop = queryStart == std::u16string::npos ? text.size() : queryStart;
  for (std::size_t i = start; i < stop; ++i) {
    if (text[i] == u'\\') text[i] = u'/';
  }

  const std::size_t scheme = SchemeColon(text);
  if (scheme == 0 || text.compare(scheme - 1, 3, u"://") != 0) {
    SplitQuery(text, uri.params);
    const std::size_t slash = text.rfind(u'/');
    if (slash == std::u16string::npos) {
      uri.document = text;
    } else {
      uri.path = text.substr(0, slash + 1);
      uri.document = text.substr(slash + 1);
    }
    return uri;
  }

  uri.protocol = text.substr(0, scheme - 1);
  std::u16string rest = text.substr(scheme + 2);
  SplitQuery(rest, uri.params);
  const std::size_t slash = rest.find(u'/');
  std::u16string authority = rest.substr(0, slash);
  const std::u16string after = slash == std::u16string::npos ? std::u16string() : rest.substr(slash + 1);

  const std::size_t at = authority.rfind(u'@');
  if (at != std::u16string::npos) {
    const std::u16string user = authority.substr(0, at);
    const std::size_t split = user.find(u':');
    uri.username = user.substr(0, split);
    if (split != std::u16string::npos) uri.password = user.substr(split + 1);
    authority.erase(0, at + 1);
  }
  if (!authority.empty() && authority.front() == u'[') {
    const std::size_t close = authority.find(u']');
    uri.ipv6 = true;
    uri.host = authority.substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1);
    if (close != std::u16string::npos && close + 1 < authority.size() && authority[close + 1] == u':') {
      uri.port = authority.substr(close + 2);
    }
  } else {
    const std::size_t portColon = authority.find(u':');
    uri.host = authority.substr(0, portColon);
    if (portColon != std::u16string::npos) uri.port = authority.substr(portColon + 1);
  }

  const std::size_t last = after.rfind(u'/');
  if (last == std::u16string::npos) {
    uri.path = u"/";
    uri.document = after;
  } else {
    uri.path = u"/" + after.substr(0, last + 1);
    uri.document = after.substr(last + 1);
  }
  return uri;
}

std::u16string ResolveDotSegments(const std::u16string& path) {
  const bool absolute = !path.empty() && path.front() == u'/';
  std::vector<std::u16string> segments;
  std::size_t begin = absolute ? 1 : 0;
  bool trailing = false;
  while (begin <= path.size()) {
    std::size_t end = path.find(u'/', begin);
    if (end == std::u16string::npos) end = path.size();
    const std::u16string segment = path.substr(begin, end - begin);
    const bool last = end == path.size();
    if (segment == u".") {
      trailing = true;
    } else if (segment == u"..") {
      if (!segments.empty()) segments.pop_back();
      trailing = true;
    } else if (!(last && segment.empty())) {
      segments.push_back(segment);
      trailing = false;
    } else {
      trailing = true;
    }
    begin = end + 1;
  }
  std::u16string out = absolute ? u"/" : u"";
  for (std::size_t i = 0; i < segments.size(); ++i) {
    out += segments[i];
    if (i + 1 < segments.size() || trailing) out += u'/';
  }
  return out;
}

}  // namespace net
