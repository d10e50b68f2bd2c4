// Reading a portal page's source text and finding the download marker in it.
//
// The marker is "|||", the package address, "*"; a page counts as carrying
// it only when "http://" (ASCII letters in any case) occurs somewhere in its
// text too. The marker is matched in the page's source, decoded and
// normalised as the portal window's text control holds it.
#pragma once

#include <string>
#include <string_view>

namespace app {

// Source bytes to text: a byte-order mark (EF BB BF UTF-8, FF FE UTF-16LE,
// FE FF UTF-16BE) decides, and is not part of the text; without one the
// bytes are in the active ANSI code page.
std::u16string DecodePageSource(std::string_view bytes);

// Which of those decodings applies to the bytes.
enum class PageEncoding { Utf8Mark, Utf16LEMark, Utf16BEMark, Ansi };
PageEncoding PageSourceEncoding(std::string_view bytes);

// The text without its leading and trailing characters U+0000 to U+0020.
std::u16string TrimBlanks(std::u16string_view text);

bool HasDownloadMarker(std::u16string_view pageText);

// The part of text after the first start marker, up to the next end
// marker; empty when the end marker is missing or comes right away.
std::u16string TextBetween(std::u16string_view text, std::u16string_view startMarker,
                           std::u16string_view endMarker);

// The last "/"-separated item of an address, read as a delimited list:
// blanks (U+0001 to U+0020) split too, an item beginning with a double quote
// runs to its closing quote (two quotes standing for one). Empty when there
// is no item, or when the address ends with "/".
std::u16string LastUrlSegment(std::u16string_view address);

// False for a package file name that would lead outside the download
// directory: one holding "/" or "\", or "." or "..".
bool IsPlainFileName(std::u16string_view name);

}  // namespace app
