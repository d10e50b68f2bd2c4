// TZipFile, the reading half: the handler table, opening an archive, the
// central directory, local headers and entry names.
#include "zip/zip_file.h"

#include <zlib.h>

#include <algorithm>
#include <array>

#include "base/exception.h"
#include "base/text.h"
#include "zip/buffered_reader.h"
#include "zip/zip_errors.h"
#include "zip/zip_streams.h"

namespace zip {
namespace {

struct HandlerPair {
  TStreamConstructor compress;
  TStreamConstructor decompress;
};

// The class-wide table, filled with stored and Deflate on first use. The
// program is single-threaded; registration happens at start-up.
std::array<HandlerPair, 256>& Handlers() {
  static std::array<HandlerPair, 256> table = [] {
    std::array<HandlerPair, 256> initial;
    initial[0].decompress = [](base::TStream& archive, const TZipHeader&) -> std::unique_ptr<base::TStream> {
      return std::make_unique<TStoredStream>(archive);
    };
    initial[8].decompress = [](base::TStream& archive, const TZipHeader&) -> std::unique_ptr<base::TStream> {
      return std::make_unique<TInflateStream>(archive);
    };
    return initial;
  }();
  return table;
}

[[noreturn]] void ThrowZip(std::u16string_view text) { throw EZipException(std::u16string(text)); }

[[noreturn]] void ThrowReadingError() { ThrowZip(u"Error reading zip file"); }

// Fields are little-endian whatever the host.
std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Reads count bytes in full; anything less is a damaged archive.
void ReadExactly(base::TStream& stream, void* buffer, std::size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    const std::size_t n = stream.Read(bytes, count);
    if (n == 0) ThrowReadingError();
    bytes += n;
    count -= n;
  }
}

std::string ReadBytes(base::TStream& stream, std::size_t count) {
  std::string bytes(count, '\0');
  if (count > 0) ReadExactly(stream, bytes.data(), count);
  return bytes;
}

// Reads up to count bytes: fewer when the stream ends first.
std::size_t ReadUpTo(base::TStream& stream, void* buffer, std::size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t n = stream.Read(bytes + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace

std::optional<sys::LocalDateTime> DosDateTime(std::uint32_t stamp) {
  const unsigned time = stamp & 0xFFFF;
  const unsigned date = stamp >> 16;
  sys::LocalDateTime result;
  result.year = 1980 + static_cast<int>(date >> 9);
  result.month = static_cast<int>((date >> 5) & 0x0F);
  result.day = static_cast<int>(date & 0x1F);
  result.hour = static_cast<int>(time >> 11);
  result.minute = static_cast<int>((time >> 5) & 0x3F);
  result.second = static_cast<int>(2 * (time & 0x1F));
  if (result.month < 1 || result.month > 12) return std::nullopt;
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (result.year % 4 == 0 && result.year % 100 != 0) || result.year % 400 == 0;
  const int days = kDays[result.month - 1] + (result.month == 2 && leap ? 1 : 0);
  if (result.day < 1 || result.day > days) return std::nullopt;
  if (result.hour >= 24 || result.minute >= 60 || result.second >= 60) return std::nullopt;
  return result;
}

TZipFile::~TZipFile() { Close(); }

void TZipFile::RegisterCompressionHandler(std::uint8_t method, TStreamConstructor compress,
                                          TStreamConstructor decompress) {
  Handlers()[method] = HandlerPair{std::move(compress), std::move(decompress)};
}

void TZipFile::Open(const std::u16string& ZipFileName, TZipMode OpenMode) {
  Close();
  if (OpenMode != TZipMode::zmRead) return;
  auto file = std::make_unique<base::TFileStream>(
      base::TFileStream::OpenExisting(ZipFileName, sys::Access::Read, sys::Share::Read));
  file_ = std::move(file);
  try {
    reader_ = std::make_unique<TBufferedReader>(*file_);
    stream_ = reader_.get();
    startPosition_ = 0;
    ReadCentralDirectory();
  } catch (...) {
    Close();
    throw;
  }
  mode_ = TZipMode::zmRead;
}

void TZipFile::Open(base::TStream& Stream, TZipMode OpenMode) {
  Close();
  if (OpenMode != TZipMode::zmRead) return;
  try {
    stream_ = &Stream;
    startPosition_ = Stream.Position();
    if (startPosition_ < 0) startPosition_ = 0;
    ReadCentralDirectory();
  } catch (...) {
    Close();
    throw;
  }
  mode_ = TZipMode::zmRead;
}

void TZipFile::Close() {
  mode_ = TZipMode::zmClosed;
  headers_.clear();
  comment_.clear();
  stream_ = nullptr;
  reader_.reset();
  file_.reset();
  startPosition_ = 0;
  // What was learnt about the destination belongs to this archive's run.
  knownDirectories_.clear();
  basePath_.clear();
  baseFullPath_.clear();
}

TZipFile::EndRecord TZipFile::FindEndRecord() {
  base::TStream& stream = *stream_;
  const std::int64_t size = stream.Size();
  if (size == 0) ThrowZip(u"Stream read error");
  if (size < 0) ThrowReadingError();
  constexpr std::int64_t kSearchLimit = 65535;
  constexpr std::int64_t kWindow = 1027;
  const std::int64_t limit = std::min(size, kSearchLimit);
  unsigned char window[kWindow];
  std::int64_t back = 4;  // distance of the window's start from the end
  while (back < limit) {
    back = back + (kWindow - 4) > limit ? limit : back + (kWindow - 4);
    const std::int64_t start = size - back;
    const auto count = static_cast<std::size_t>(back > kWindow ? kWindow : back);
    if (stream.Seek(start, base::SeekOrigin::Begin) != start) ThrowReadingError();
    ReadExactly(stream, window, count);
    for (std::size_t hit = count - 4 + 1; hit-- > 0;) {
      if (Get32(window + hit) != kEndOfCentralDirSignature) continue;
      const std::int64_t recordStart = start + static_cast<std::int64_t>(hit);
      // A signature too near the end of the file to hold the record's fields
      // is data of something else; the search goes on before it.
      if (recordStart + 22 > size) continue;
      unsigned char fields[18];
      if (hit + 22 <= count) {
        std::copy(window + hit + 4, window + hit + 22, fields);
      } else {
        if (stream.Seek(recordStart + 4, base::SeekOrigin::Begin) != recordStart + 4) ThrowReadingError();
        ReadExactly(stream, fields, sizeof fields);
      }
      EndRecord record;
      record.entriesOnDisk = Get16(fields + 4);
      record.entryCount = Get16(fields + 6);
      record.directorySize = Get32(fields + 8);
      record.directoryOffset = Get32(fields + 12);
      const std::uint16_t commentLength = Get16(fields + 16);
      if (commentLength > 0) {
        // The comment is kept for callers, never used: a length that claims
        // more than the file holds keeps what is there.
        if (stream.Seek(recordStart + 22, base::SeekOrigin::Begin) != recordStart + 22) ThrowReadingError();
        comment_.assign(commentLength, '\0');
        comment_.resize(ReadUpTo(stream, comment_.data(), commentLength));
      }
      return record;
    }
  }
  ThrowReadingError();
}

void TZipFile::ReadCentralDirectory() {
  headers_.clear();
  const EndRecord end = FindEndRecord();
  // A ZIP64 archive keeps its real counts and offsets in a record of its
  // own and leaves these at their limits; read as they stand they would
  // unpack part of the package or garbage.
  if (end.entriesOnDisk == 0xFFFF || end.entryCount == 0xFFFF || end.directorySize == 0xFFFFFFFF ||
      end.directoryOffset == 0xFFFFFFFF) {
    throw EZipIncompleteDirectory(
        u"The archive is in the ZIP64 format (more than 65,535 files or more than 4 GiB), "
        u"which cannot be unpacked");
  }
  const std::uint16_t entryCount = end.entryCount;
  const std::uint32_t directoryOffset = end.directoryOffset;
  base::TStream& stream = *stream_;
  if (stream.Seek(directoryOffset, base::SeekOrigin::Begin) < 0) ThrowReadingError();
  // A damaged count must not make the list reserve memory for nothing.
  headers_.reserve(std::min<std::size_t>(entryCount, 4096));
  for (unsigned i = 0; i < entryCount; ++i) {
    unsigned char signature[4];
    if (ReadUpTo(stream, signature, 4) < 4 || Get32(signature) != kCentralHeaderSignature) {
      ThrowZip(u"Invalid Zip Central Header signature");
    }
    unsigned char f[42];
    ReadExactly(stream, f, sizeof f);
    TZipHeader h;
    h.MadeByVersion = Get16(f + 0);
    h.RequiredVersion = Get16(f + 2);
    h.Flag = Get16(f + 4);
    h.CompressionMethod = Get16(f + 6);
    h.ModifiedDateTime = Get32(f + 8);
    h.CRC32 = Get32(f + 12);
    h.CompressedSize = Get32(f + 16);
    h.UncompressedSize = Get32(f + 20);
    h.FileNameLength = Get16(f + 24);
    h.ExtraFieldLength = Get16(f + 26);
    h.FileCommentLength = Get16(f + 28);
    h.DiskNumberStart = Get16(f + 30);
    h.InternalAttributes = Get16(f + 32);
    h.ExternalAttributes = Get32(f + 34);
    h.LocalHeaderOffset = Get32(f + 38);
    h.FileName = ReadBytes(stream, h.FileNameLength);
    h.ExtraField = ReadBytes(stream, h.ExtraFieldLength);
    h.FileComment = ReadBytes(stream, h.FileCommentLength);
    headers_.push_back(std::move(h));
  }
  // Records the count leaves out would silently not be unpacked.
  const std::int64_t consumed = stream.Position() - static_cast<std::int64_t>(directoryOffset);
  if (consumed != static_cast<std::int64_t>(end.directorySize)) {
    throw EZipIncompleteDirectory(base::Format(
        u"The archive's list of files is damaged: its count of %s files does not match the list",
        {base::IntToText(entryCount)}));
  }
}

std::unique_ptr<base::TStream> TZipFile::Read(int Index, TZipHeader& LocalHeader) {
  if (mode_ != TZipMode::zmRead) ThrowZip(u"File must be open for reading");
  if (Index < 0 || static_cast<std::size_t>(Index) >= headers_.size()) {
    ThrowZip(u"The specified file was not found");
  }
  const TZipHeader& central = headers_[static_cast<std::size_t>(Index)];
  base::TStream& stream = *stream_;
  const std::int64_t position = startPosition_ + central.LocalHeaderOffset;
  unsigned char signature[4];
  if (stream.Seek(position, base::SeekOrigin::Begin) != position || ReadUpTo(stream, signature, 4) < 4 ||
      Get32(signature) != kLocalHeaderSignature) {
    ThrowZip(u"Invalid Zip Local Header signature");
  }
  // A local header cut short by the end of the archive is refused rather
  // than read with made-up fields.
  unsigned char f[26];
  ReadExactly(stream, f, sizeof f);
  TZipHeader local;
  local.RequiredVersion = Get16(f + 0);
  local.Flag = Get16(f + 2);
  local.CompressionMethod = Get16(f + 4);
  local.ModifiedDateTime = Get32(f + 6);
  local.CRC32 = Get32(f + 10);
  local.CompressedSize = Get32(f + 14);
  local.UncompressedSize = Get32(f + 18);
  local.FileNameLength = Get16(f + 22);
  local.ExtraFieldLength = Get16(f + 24);
  local.FileName = ReadBytes(stream, local.FileNameLength);
  local.ExtraField = ReadBytes(stream, local.ExtraFieldLength);
  // Without the password the bytes are noise: refused before anything of
  // the entry is written, whatever its method.
  if (((central.Flag | local.Flag) & kEncryptedFlag) != 0) {
    throw EZipEncryptedEntry(base::Format(u"Entry \"%s\" is encrypted", {EntryName(local, central)}));
  }
  const TStreamConstructor& decompress = Handlers()[central.CompressionMethod & 0xFF].decompress;
  if (!decompress) throw base::EListError(u"Item not found");
  std::unique_ptr<base::TStream> data = decompress(stream, local);
  LocalHeader = std::move(local);
  return data;
}

bool TZipFile::GetUTF8PathFromExtraField(const TZipHeader& AHeader, std::u16string& AFileName) {
  AFileName.clear();
  const std::string& extra = AHeader.ExtraField;
  if (extra.size() < 2) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(extra.data());
  for (std::size_t at = 0; at + 2 <= extra.size(); ++at) {
    if (Get16(bytes + at) != kUnicodePathTag) continue;
    // The first tag decides, taken or not; one without room for its size,
    // version and CRC-32 counts as none.
    if (at + 9 > extra.size()) return false;
    const std::uint16_t dataSize = Get16(bytes + at + 2);
    const std::uint32_t stored = Get32(bytes + at + 5);
    const auto crc = static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(AHeader.FileName.data()),
              static_cast<uInt>(AHeader.FileName.size())));
    if (crc != stored) return false;
    const int count = static_cast<int>(dataSize) - 5;
    if (count < 0 || extra.size() - (at + 9) < static_cast<std::size_t>(count)) {
      throw base::EEncodingError(base::Format(u"Invalid count (%d)", {base::IntToText(count)}));
    }
    AFileName = base::TEncoding::UTF8().GetString(std::string_view(extra).substr(at + 9, count));
    return true;
  }
  return false;
}

std::u16string TZipFile::EntryName(const TZipHeader& LocalHeader, const TZipHeader& CentralHeader) const {
  std::u16string name;
  if (GetUTF8PathFromExtraField(LocalHeader, name)) return name;
  if (CentralHeader.Flag & kUtf8NameFlag) return base::TEncoding::UTF8().GetString(CentralHeader.FileName);
  const base::TEncoding& decoder = encoding_ != nullptr ? *encoding_ : base::TEncoding::CodePage437();
  // Plain ASCII reads the same in the code pages names come in; it spares a
  // converter per entry, which shows in archives of many small files.
  const unsigned codePage = decoder.CodePage();
  const std::string& bytes = CentralHeader.FileName;
  if ((codePage == 936 || codePage == 437) &&
      std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
    return std::u16string(bytes.begin(), bytes.end());
  }
  return decoder.GetString(bytes);
}

}  // namespace zip
