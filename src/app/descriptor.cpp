// The package descriptor.
#include "app/descriptor.h"

#include <limits>
#include <memory>
#include <new>

#include "base/exception.h"
#include "base/file_stream.h"
#include "base/text.h"
#include "sys/codepage.h"

namespace app {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Lengths from this one on overflow the size computation of a byte buffer
// with its header.
constexpr std::int32_t kLengthOverflow = 2147483634;

}  // namespace

std::string UnscrambleText(std::string_view payload) {
  const std::size_t n = payload.size() / 2;
  std::string plain;
  plain.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    const int high = HexDigit(payload[2 * k]);
    const int low = HexDigit(payload[2 * k + 1]);
    if (high < 0 || low < 0) {
      // The pair is shown as the text it is in the ANSI code page.
      const std::u16string pair = sys::DecodeBytes(sys::kCodePageAnsi, payload.substr(2 * k, 2)).value_or(u"");
      throw base::EConvertError(base::Format(u"'%s' is not a valid integer value", {u"$" + pair}));
    }
    plain.push_back(static_cast<char>((high * 16 + low) ^ DescriptorKey[k % DescriptorKey.size()]));
  }
  return plain;
}

std::string ScrambleText(std::string_view plain) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string payload;
  payload.reserve(plain.size() * 2);
  for (std::size_t k = 0; k < plain.size(); ++k) {
    const auto byte = static_cast<std::uint8_t>(plain[k]) ^ DescriptorKey[k % DescriptorKey.size()];
    payload.push_back(kDigits[byte >> 4]);
    payload.push_back(kDigits[byte & 0xF]);
  }
  return payload;
}

std::vector<std::u16string> SplitFields(std::u16string_view text, char16_t separator) {
  std::vector<std::u16string> fields;
  if (text.empty()) return fields;
  std::size_t start = 0;
  for (std::size_t at = text.find(separator); at != std::u16string_view::npos; at = text.find(separator, start)) {
    fields.emplace_back(text.substr(start, at - start));
    start = at + 1;
  }
  fields.emplace_back(text.substr(start));
  return fields;
}

void ReadDescriptorFile(const std::u16string& path, const DescriptorTargets& targets,
                        const std::function<void(const std::u16string& text)>& reject) {
  if (!sys::FileExists(path)) {
    reject(u"文件不存在：" + path);
    return;
  }
  base::TFileStream stream = base::TFileStream::OpenExisting(path, sys::Access::Read, sys::Share::ReadWrite);

  stream.Seek(-4, base::SeekOrigin::End);
  unsigned char lengthBytes[4];
  stream.ReadBuffer(lengthBytes, sizeof lengthBytes);
  const auto length = static_cast<std::int32_t>(static_cast<std::uint32_t>(lengthBytes[0]) |
                                                (static_cast<std::uint32_t>(lengthBytes[1]) << 8) |
                                                (static_cast<std::uint32_t>(lengthBytes[2]) << 16) |
                                                (static_cast<std::uint32_t>(lengthBytes[3]) << 24));

  std::string payload;
  if (length > 0) {
    stream.Seek(-(static_cast<std::int64_t>(length) + 4), base::SeekOrigin::End);
    if (length >= kLengthOverflow) throw base::EIntOverflow(u"Integer overflow");
    // Left uninitialised: a damaged length must not make the program touch
    // gigabytes of memory before the read fails.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<std::size_t>(length)]);
    if (!buffer) throw base::EOutOfMemory(u"Out of memory");
    stream.ReadBuffer(buffer.get(), static_cast<std::size_t>(length));
    payload.assign(buffer.get(), static_cast<std::size_t>(length));
  }

  const std::string plain = UnscrambleText(payload);
  const std::u16string text = sys::DecodeBytes(sys::kCodePageAnsi, plain).value_or(std::u16string());
  const std::vector<std::u16string> fields = SplitFields(text, kFieldSeparator);
  if (fields.size() != kDescriptorFieldCount) {
    reject(u"文件已经被破坏，无法打开");
    return;
  }
  *targets.packageId = fields[kPackageIdField];
  // Field 13 is checked as the bytes it was in the file, so a character of
  // two bytes counts as a pair.
  UnscrambleText(sys::EncodeText(sys::kCodePageAnsi, fields[kCheckField]).value_or(std::string()));
  *targets.installerName = fields[kInstallerNameField];
  *targets.bannerUrl = fields[kBannerUrlField];
  *targets.portalUrl = fields[kPortalUrlField];
}

std::string BuildDescriptorFile(const std::vector<std::u16string>& fields) {
  std::u16string text;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) text.push_back(kFieldSeparator);
    text += fields[i];
  }
  const std::string plain = sys::EncodeText(sys::kCodePageAnsi, text).value_or(std::string());
  const std::string payload = ScrambleText(plain);
  const auto length = static_cast<std::uint32_t>(payload.size());
  std::string file = payload;
  for (int shift = 0; shift < 32; shift += 8) file.push_back(static_cast<char>((length >> shift) & 0xFF));
  return file;
}

}  // namespace app
