// Text decoders for byte strings in a code page, as handed to the ZIP reader
// for entry names.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace base {

class TEncoding {
 public:
  // A decoder for a code page; EEncodingError "Invalid code page" when the
  // system lacks it.
  static std::unique_ptr<TEncoding> GetEncoding(unsigned codePage);
  // Shared decoders, created on first use.
  static const TEncoding& UTF8();
  static const TEncoding& CodePage437();

  unsigned CodePage() const { return codePage_; }

  // Lenient for code pages, strict for UTF-8. EEncodingError "No mapping for
  // the Unicode character exists in the target multi-byte code page" when
  // UTF-8 is invalid or non-empty bytes give no character.
  std::u16string GetString(std::string_view bytes) const;
  std::string GetBytes(std::u16string_view text) const;

 private:
  explicit TEncoding(unsigned codePage) : codePage_(codePage) {}
  unsigned codePage_;
};

}  // namespace base
