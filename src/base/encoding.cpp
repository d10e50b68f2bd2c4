// Text decoders.
#include "base/encoding.h"

#include "base/exception.h"
#include "sys/codepage.h"

namespace base {

std::unique_ptr<TEncoding> TEncoding::GetEncoding(unsigned codePage) {
  if (!sys::IsCodePageSupported(codePage)) throw EEncodingError(u"Invalid code page");
  return std::unique_ptr<TEncoding>(new TEncoding(codePage));
}

const TEncoding& TEncoding::UTF8() {
  static const TEncoding utf8(sys::kCodePageUtf8);
  return utf8;
}

const TEncoding& TEncoding::CodePage437() {
  static const TEncoding cp437(sys::kCodePage437);
  return cp437;
}

std::u16string TEncoding::GetString(std::string_view bytes) const {
  auto text = sys::DecodeBytes(codePage_, bytes);
  if (!text) throw EEncodingError(u"No mapping for the Unicode character exists in the target multi-byte code page");
  return std::move(*text);
}

std::string TEncoding::GetBytes(std::u16string_view text) const {
  auto bytes = sys::EncodeText(codePage_, text);
  if (!bytes) throw EEncodingError(u"No mapping for the Unicode character exists in the target multi-byte code page");
  return std::move(*bytes);
}

}  // namespace base
