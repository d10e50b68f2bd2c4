// ZIP archives for test fixtures.
#include "zip_builder.h"

#include <zlib.h>

#include <stdexcept>

namespace testing_support {
namespace {

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::string RawDeflate(const std::string& data) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

ZipEntry UnixEntry(std::string name, std::string data, std::uint32_t mode) {
  ZipEntry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  entry.madeBySystem = 3;
  entry.externalAttributes = (0100000u | mode) << 16;
  return entry;
}

std::string BuildZip(const std::vector<ZipEntry>& entries) {
  std::string archive;
  std::string central;
  for (const ZipEntry& entry : entries) {
    const std::string stored = entry.deflate ? RawDeflate(entry.data) : entry.data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
    const auto offset = static_cast<std::uint32_t>(archive.size());
    const std::uint16_t method = entry.deflate ? 8 : 0;

    Put32(archive, 0x04034B50);
    Put16(archive, 20);
    Put16(archive, entry.flag);
    Put16(archive, method);
    Put32(archive, entry.dosTime);
    Put32(archive, crc);
    Put32(archive, static_cast<std::uint32_t>(stored.size()));
    Put32(archive, static_cast<std::uint32_t>(entry.data.size()));
    Put16(archive, static_cast<std::uint32_t>(entry.name.size()));
    Put16(archive, 0);
    archive += entry.name;
    archive += stored;

    Put32(central, 0x02014B50);
    Put16(central, (static_cast<std::uint32_t>(entry.madeBySystem) << 8) | 20);
    Put16(central, 20);
    Put16(central, entry.flag);
    Put16(central, method);
    Put32(central, entry.dosTime);
    Put32(central, crc);
    Put32(central, static_cast<std::uint32_t>(stored.size()));
    Put32(central, static_cast<std::uint32_t>(entry.data.size()));
    Put16(central, static_cast<std::uint32_t>(entry.name.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, entry.externalAttributes);
    Put32(central, offset);
    central += entry.name;
  }
  const auto centralOffset = static_cast<std::uint32_t>(archive.size());
  archive += central;
  Put32(archive, 0x06054B50);
  Put16(archive, 0);
  Put16(archive, 0);
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put16(archive, static_cast<std::uint32_t>(entries.size()));
  Put32(archive, static_cast<std::uint32_t>(central.size()));
  Put32(archive, centralOffset);
  Put16(archive, 0);
  return archive;
}

}  // namespace testing_support
