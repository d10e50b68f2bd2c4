// Fuzzes the reading of a portal page as the portal window does it: the
// saved source decoded, held by the text control, trimmed, searched for the
// download marker, the package address cut out and its last segment taken
// as the package file name. Nothing may crash, and each step keeps what it
// promises about its result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "app/link_detection.h"
#include "base/exception.h"
#include "toolkit/controls.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

bool IsBlank(char16_t c) { return c >= 0x0001 && c <= 0x0020; }

std::u16string Lowered(std::u16string_view text) {
  std::u16string lowered(text);
  for (char16_t& c : lowered) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 0x20);
  }
  return lowered;
}

void CheckFileName(std::u16string_view address) {
  const std::u16string name = app::LastUrlSegment(address);
  Check(name.size() <= address.size(), "a segment is no longer than its address");
  if (address.find(u'"') == std::u16string_view::npos) {
    // Unquoted, the segment is a piece of the address between delimiters.
    Check(address.find(name) != std::u16string_view::npos, "an unquoted segment is part of the address");
    Check(name.find(u'/') == std::u16string::npos, "an unquoted segment holds no /");
    for (char16_t c : name) Check(!IsBlank(c), "an unquoted segment holds no blank");
    // Blanks after the last "/" are skipped as the space between items, so
    // only a "/" that is the very last character leaves no file name.
    if (!address.empty() && address.back() == u'/') Check(name.empty(), "an address ending with / has no file name");
  }
  if (app::IsPlainFileName(name)) {
    Check(name.find_first_of(u"/\\") == std::u16string::npos, "a plain name holds no separator");
    Check(name != u"." && name != u"..", "a plain name is no dot directory");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string source = app::DecodePageSource(bytes);

  toolkit::Memo memo(u"Memo1");
  try {
    memo.SetText(source);
  } catch (const base::EInvalidOperation&) {
    return 0;
  }
  const std::u16string& held = memo.Text();
  Check(held.find(u'\0') == std::u16string::npos, "the control holds no NUL");
  for (std::size_t i = 0; i < held.size(); ++i) {
    if (held[i] == u'\r') Check(i + 1 < held.size() && held[i + 1] == u'\n', "CR only before LF");
    if (held[i] == u'\n') Check(i > 0 && held[i - 1] == u'\r', "LF only after CR");
  }

  const std::u16string text = app::TrimBlanks(held);
  Check(held.find(text) != std::u16string::npos, "trimming keeps a piece of the text");
  if (!text.empty()) Check(text.front() > u' ' && text.back() > u' ', "trimmed ends are no blanks");

  const bool marked = app::HasDownloadMarker(text);
  Check(marked == (text.find(u"|||") != std::u16string::npos && Lowered(text).find(u"http://") != std::u16string::npos),
        "a marker is ||| with http:// somewhere");

  const std::u16string address = app::TextBetween(text, u"|||", u"*");
  if (!address.empty()) {
    const std::size_t start = text.find(u"|||");
    Check(text.compare(start + 3, address.size() + 1, address + u"*") == 0,
          "the address follows the first ||| up to the next *");
    Check(address.find(u'*') == std::u16string::npos, "the address holds no *");
  }
  CheckFileName(address);
  // The page text as an address too: far more shapes than a marker cuts out.
  CheckFileName(std::u16string_view(text).substr(0, 4096));
  return 0;
}
