// The records of a ZIP archive as the reader keeps them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "sys/file_meta.h"

namespace zip {

// The state of a TZipFile. Only reading is supported.
enum class TZipMode { zmClosed, zmRead };

// One entry header: a central directory file header, or a local file header,
// in which case the fields a local header lacks (MadeByVersion,
// FileCommentLength, DiskNumberStart, InternalAttributes, ExternalAttributes,
// LocalHeaderOffset) are 0 and FileComment is empty. The byte arrays hold
// the raw bytes of the archive; names are decoded by TZipFile.
struct TZipHeader {
  std::uint16_t MadeByVersion = 0;
  std::uint16_t RequiredVersion = 0;
  std::uint16_t Flag = 0;
  std::uint16_t CompressionMethod = 0;
  std::uint32_t ModifiedDateTime = 0;
  std::uint32_t CRC32 = 0;
  std::uint32_t CompressedSize = 0;
  std::uint32_t UncompressedSize = 0;
  std::uint16_t FileNameLength = 0;
  std::uint16_t ExtraFieldLength = 0;
  std::uint16_t FileCommentLength = 0;
  std::uint16_t DiskNumberStart = 0;
  std::uint16_t InternalAttributes = 0;
  std::uint32_t ExternalAttributes = 0;
  std::uint32_t LocalHeaderOffset = 0;
  std::string FileName;
  std::string ExtraField;
  std::string FileComment;
};

inline constexpr std::uint32_t kEndOfCentralDirSignature = 0x06054B50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr std::uint16_t kUnicodePathTag = 0x7075;
inline constexpr std::uint16_t kUtf8NameFlag = 0x0800;
inline constexpr std::uint16_t kEncryptedFlag = 0x0001;

// Values of the high byte of MadeByVersion that extraction tells apart.
inline constexpr unsigned kMadeByMsDos = 0;
inline constexpr unsigned kMadeByUnix = 3;

// The local date and time of an MS-DOS stamp (time in the low 16 bits, date
// in the high 16), or nothing when it names no real moment: month outside 1
// to 12, a day the month lacks, hour 24 or more, minute or second 60 or more.
std::optional<sys::LocalDateTime> DosDateTime(std::uint32_t stamp);

}  // namespace zip
