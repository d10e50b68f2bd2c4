// A page's source read as the portal window reads a completed document.
#pragma once

#include <string>
#include <string_view>

namespace packtool {

struct PageText {
  std::u16string decoded;  // the source decoded (byte-order mark, else ANSI)
  std::u16string held;     // as the text control holds it: CR LF, ending at the first NUL
  std::u16string text;     // held without its leading and trailing blanks: what is searched
};

// Raises what the window's text control raises for a text it cannot take.
PageText ReadPageText(std::string_view source);

}  // namespace packtool
