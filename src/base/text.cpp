// Small text helpers.
#include "base/text.h"

namespace base {

std::u16string Format(std::u16string_view pattern, std::initializer_list<std::u16string_view> args) {
  std::u16string out;
  auto next = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == u'%' && i + 1 < pattern.size()) {
      const char16_t kind = pattern[i + 1];
      if (kind == u'%') {
        out.push_back(u'%');
        ++i;
        continue;
      }
      if (kind == u's' || kind == u'd') {
        if (next != args.end()) out.append(*next++);
        ++i;
        continue;
      }
    }
    out.push_back(pattern[i]);
  }
  return out;
}

std::u16string IntToText(std::int64_t value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string AsciiText(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

}  // namespace base
