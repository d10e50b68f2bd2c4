// Hand-made ZIP archives for the tests.
#include "support/zip_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace zip_testing {

std::string Le16(std::uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

std::string Le32(std::uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

std::uint32_t Crc32(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string Deflate(const std::string& data) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

std::string UnicodePathField(const std::string& rawName, const std::string& utf8Name) {
  const auto crc = static_cast<std::uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size())));
  return Le16(0x7075) + Le16(static_cast<std::uint32_t>(5 + utf8Name.size())) + std::string(1, '\x01') +
         Le32(crc) + utf8Name;
}

std::uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second) {
  const std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
  const std::uint32_t time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
  return (date << 16) | time;
}

std::string Build(const Archive& archive) {
  std::string out = archive.prefix;
  std::string central;
  for (const Entry& e : archive.entries) {
    const std::string payload = e.method == 0 ? e.data : e.method == 8 ? Deflate(e.data) : e.compressed;
    const std::uint32_t size = e.overrideSize ? e.uncompressedSize : static_cast<std::uint32_t>(e.data.size());
    const std::uint32_t compressedSize =
        e.overrideCompressedSize ? e.compressedSize : static_cast<std::uint32_t>(payload.size());
    const std::uint32_t crc = e.overrideCrc ? e.crc : Crc32(e.data);
    const std::uint16_t flag = static_cast<std::uint16_t>(e.flag | (e.dataDescriptor ? 0x0008 : 0));
    const std::string& localName = e.useLocalName ? e.localName : e.name;
    const auto offset = static_cast<std::uint32_t>(out.size());
    const std::string localFields = e.dataDescriptor ? Le32(0) + Le32(0) + Le32(0)
                                                     : Le32(crc) + Le32(compressedSize) + Le32(size);
    out += Le32(0x04034B50) + Le16(20) + Le16(flag) + Le16(e.method) + Le32(e.dosTime) + localFields +
           Le16(static_cast<std::uint32_t>(localName.size())) +
           Le16(static_cast<std::uint32_t>(e.localExtra.size())) + localName + e.localExtra + payload;
    if (e.dataDescriptor) out += Le32(0x08074B50) + Le32(crc) + Le32(compressedSize) + Le32(size);
    central += Le32(0x02014B50) + Le16(e.madeBy) + Le16(20) + Le16(flag) + Le16(e.method) + Le32(e.dosTime) +
               Le32(crc) + Le32(compressedSize) + Le32(size) +
               Le16(static_cast<std::uint32_t>(e.name.size())) +
               Le16(static_cast<std::uint32_t>(e.centralExtra.size())) + Le16(0) + Le16(0) + Le16(0) +
               Le32(e.externalAttributes) + Le32(e.overrideLocalHeaderOffset ? e.localHeaderOffset : offset) + e.name +
               e.centralExtra;
  }
  const auto directoryOffset = static_cast<std::uint32_t>(out.size());
  out += central;
  std::uint16_t count = archive.overrideCount ? archive.count : static_cast<std::uint16_t>(archive.entries.size());
  std::uint32_t directorySize =
      archive.overrideDirectorySize ? archive.directorySize : static_cast<std::uint32_t>(central.size());
  std::uint32_t endOffset = archive.overrideDirectoryOffset ? archive.directoryOffset : directoryOffset;
  if (archive.zip64) {
    const auto zip64End = static_cast<std::uint32_t>(out.size());
    // ZIP64 end of central directory record: 56 bytes, 64-bit counts.
    out += Le32(0x06064B50) + Le32(44) + Le32(0) + Le32(0) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + Le32(count) +
           Le32(0) + Le32(count) + Le32(0) + Le32(directorySize) + Le32(0) + Le32(endOffset) + Le32(0);
    // Its locator: 20 bytes.
    out += Le32(0x07064B50) + Le32(0) + Le32(zip64End) + Le32(0) + Le32(1);
    count = 0xFFFF;
    directorySize = 0xFFFFFFFF;
    endOffset = 0xFFFFFFFF;
  }
  const std::uint16_t commentLength =
      archive.overrideCommentLength ? archive.commentLength : static_cast<std::uint16_t>(archive.comment.size());
  out += Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(count) + Le16(count) + Le32(directorySize) + Le32(endOffset) +
         Le16(commentLength) + archive.comment + archive.suffix;
  return out;
}

}  // namespace zip_testing
