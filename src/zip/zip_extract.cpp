// TZipFile, the writing half: where each entry goes, the directories it
// needs, its data, and its time and attributes.
#include <zlib.h>

#include <algorithm>

#include "base/exception.h"
#include "base/file_stream.h"
#include "base/text.h"
#include "sys/file.h"
#include "sys/file_meta.h"
#include "zip/zip_errors.h"
#include "zip/zip_file.h"

namespace zip {
namespace {

constexpr PathStyle kStyle = kNativePathStyle;

bool EndsWithSeparator(std::u16string_view path) {
  return !path.empty() && (path.back() == Delimiter(kStyle) || (kStyle == PathStyle::Windows && path.back() == u'/'));
}

// The full form of a path, as the path tests want it: a failure is the
// system's text as ENotSupportedException. (The full-path operation works on
// text alone, so a missing file never makes it fail.)
std::u16string FullPath(const std::u16string& path) {
  auto full = sys::FullPathName(path);
  if (!full) throw base::ENotSupportedException(sys::ErrorText(full.Error()));
  return *full;
}

std::u16string WithoutTrailingSeparator(std::u16string path) {
  while (path.size() > 1 && EndsWithSeparator(path)) {
    if (kStyle == PathStyle::Windows && path.size() == 3 && path[1] == u':') break;  // "C:\"
    path.pop_back();
  }
  return path;
}

void CheckDrive(const std::u16string& fullPath) {
  if (kStyle != PathStyle::Windows) return;
  if (fullPath.size() >= 2 && fullPath[1] == u':') {
    std::u16string root = fullPath.substr(0, 2) + u'\\';
    if (!sys::DirectoryExists(root)) throw base::EDirectoryNotFoundException(u"The drive cannot be found");
  }
}

// FullPath of a path that begins with the destination (base, as the caller
// gave it), from the destination's full form (baseFull) instead of the
// working directory. On POSIX the resolution is lexical and goes left to
// right, so resolving the destination first and the rest on top of it
// gives the same text as resolving the whole; a relative destination
// spares the working directory look-ups, three for every file. Other paths,
// and every path on Windows, whose resolution has rules of its own, take
// the system's resolution as they are.
std::u16string FullPathBelow(const std::u16string& base, const std::u16string& baseFull,
                             const std::u16string& path) {
  if constexpr (kStyle == PathStyle::Posix) {
    std::u16string_view stem = base;
    while (!stem.empty() && stem.back() == u'/') stem.remove_suffix(1);
    const bool below = !stem.empty() && base.front() != u'/' && path.starts_with(stem) &&
                       (path.size() == stem.size() || path[stem.size()] == u'/');
    if (below && baseFull.starts_with(u'/')) return FullPath(baseFull + path.substr(stem.size()));
  }
  return FullPath(path);
}

[[noreturn]] void ThrowThroughLink(std::u16string_view name) {
  throw EZipUnsafeEntry(base::Format(u"Entry \"%s\" would be written through a symbolic link", {name}));
}

}  // namespace

void TZipFile::ExtractZipFile(const std::u16string& ZipFileName, const std::u16string& Path,
                              const base::TEncoding* Encoding, const TZipProgress& ZipProgress) {
  TZipFile archive;  // its destructor closes the file on every path
  archive.SetEncoding(Encoding);
  archive.SetProgress(ZipProgress);
  archive.Open(ZipFileName, TZipMode::zmRead);
  archive.ExtractAll(Path);
  archive.Close();
}

void TZipFile::ExtractAll(const std::u16string& Path) {
  if (mode_ != TZipMode::zmRead) throw EZipException(u"File must be open for reading");
  for (std::size_t i = 0; i < headers_.size(); ++i) Extract(static_cast<int>(i), Path, true);
}

std::u16string TZipFile::BaseDirectory(const std::u16string& Path) {
  if (baseFullPath_.empty() || Path != basePath_) {
    basePath_ = Path;
    knownDirectories_.clear();
    auto full = sys::FullPathName(Path.empty() ? std::u16string(u".") : Path);
    baseFullPath_ = WithoutTrailingSeparator(full ? *full : Path);
  }
  return baseFullPath_;
}

void TZipFile::MakeDirectories(const std::u16string& directory, const std::u16string& entryName) {
  if (HasInvalidPathChars(directory)) throw base::EArgumentException(u"Invalid characters in path");
  const std::u16string full = WithoutTrailingSeparator(FullPathBelow(basePath_, baseFullPath_, directory));
  CheckFullPath(full, kMaxDirectoryPath, kStyle);
  CheckDrive(full);
  if (knownDirectories_.contains(full)) return;
  const std::size_t baseDepth = PathLevels(baseFullPath_, kStyle).size();
  const std::vector<std::u16string> levels = PathLevels(full, kStyle);
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const std::u16string& level = levels[i];
    if (knownDirectories_.contains(level)) continue;
    // A level that cannot be made is not reported: creating the file in it
    // fails next, with the system's reason.
    if (i < baseDepth) {
      // What lies above the destination is the caller's choice, links
      // included.
      if (!sys::DirectoryExists(level) && (sys::MakeDirectory(level) != 0 || !sys::DirectoryExists(level))) return;
    } else {
      // Below the destination only this extraction makes directories, and a
      // link there could lead anywhere: it is refused, not followed. One
      // look-up tells a link, a directory and nothing apart; a directory
      // just made needs no second look.
      switch (sys::KindOf(level)) {
        case sys::PathKind::Link: ThrowThroughLink(entryName);
        case sys::PathKind::Directory: break;
        case sys::PathKind::File: return;
        case sys::PathKind::Missing:
          if (sys::MakeDirectory(level) != 0 && !sys::DirectoryExists(level)) return;
          break;
      }
    }
    knownDirectories_.insert(level);
  }
}

namespace {

// What an entry's file is given by the archive's rules: the local time when
// it names a real moment; the MS-DOS attributes (volume label bit cleared)
// of archives made on MS-DOS-compatible systems; Unix permission bits on
// POSIX only, and only for a regular file: a link or directory entry
// written as a file keeps the permissions it was created with. Some
// archivers store the bits without a file type; those entries are plain
// files too.
sys::UnpackedFileMetadata MetadataFor(const TZipHeader& local, const TZipHeader& central) {
  sys::UnpackedFileMetadata metadata;
  metadata.time = DosDateTime(local.ModifiedDateTime);
  const unsigned host = central.MadeByVersion >> 8;
  const unsigned unixMode = central.ExternalAttributes >> 16;
  const unsigned unixType = unixMode & 0170000;
  if (host == kMadeByMsDos) {
    metadata.dosAttributes = central.ExternalAttributes & 0xFF & ~0x08u;
  } else if (kStyle == PathStyle::Posix && host == kMadeByUnix &&
             (unixType == 0100000 || (unixType == 0 && unixMode != 0))) {
    metadata.permissionBits = unixMode & 0777;
  }
  return metadata;
}

bool IsEmpty(const sys::UnpackedFileMetadata& metadata) {
  return !metadata.time && !metadata.dosAttributes && !metadata.permissionBits;
}

}  // namespace

// The tests a file's path passes before its time and attributes are set.
// Nothing changes between the updates, so one round of tests stands for the
// round before each. The file is there: it has just been written.
void TZipFile::CheckMetadataPath(const std::u16string& path) {
  const std::u16string full = FullPathBelow(basePath_, baseFullPath_, path);
  CheckFullPath(full, kMaxFilePath, kStyle);
  CheckDrive(full);
  const std::u16string directory = WithoutTrailingSeparator(DirectoryPart(full, kStyle));
  if (!knownDirectories_.contains(directory) && !sys::DirectoryExists(directory)) {
    throw base::EDirectoryNotFoundException(u"The specified path was not found");
  }
}

void TZipFile::Extract(int Index, const std::u16string& Path, bool CreateSubdirs) {
  TZipHeader local;
  // Opened for every entry, directory entries included; released on every
  // path when this function is left.
  const std::unique_ptr<base::TStream> data = Read(Index, local);
  const TZipHeader& central = headers_[static_cast<std::size_t>(Index)];
  const std::u16string name = EntryName(local, central);
  const std::u16string target = CombineEntryPath(Path, name, kStyle, CreateSubdirs);

  // The name's own rules refuse rooted names and ".." components; the full
  // path catches whatever the platform's own resolution would still make
  // of a name (a device name on Windows, for one).
  const std::u16string base = BaseDirectory(Path);
  const std::u16string fullTarget = FullPathBelow(Path, base, target);
  if (!IsWithinDirectory(base, fullTarget, kStyle)) {
    throw EZipUnsafeEntry(
        base::Format(u"Entry \"%s\" would be written outside the destination directory", {name}));
  }

  const std::u16string directory = DirectoryPart(target, kStyle);
  if (!directory.empty()) MakeDirectories(directory, name);
  if (EndsWithSeparator(target)) return;  // a directory entry: it exists now

  // The destination itself may be a link of the caller's choosing; a name
  // that comes down to it is created (and refused by the system) as it is.
  const bool isBase = WithoutTrailingSeparator(fullTarget) == base;
  sys::Result<sys::File> created =
      isBase ? sys::File::Open(target, sys::Access::ReadWrite, sys::Share::None, sys::Disposition::CreateAlways)
             : sys::File::CreateForUnpacking(target, sys::Share::None);
  if (!created) {
    if (created.Error() == sys::kErrorIsLink) ThrowThroughLink(name);
    base::ThrowCreateError(target, created.Error());
  }
  base::TFileStream out = base::TFileStream::Adopt(std::move(*created));
  std::uint32_t crc = 0;  // zlib's CRC-32 of the bytes written
  const std::uint32_t size = central.UncompressedSize;
  if (size > 0) {
    const std::size_t blockSize = std::min<std::size_t>(kCopyBufferSize, size);
    if (copyBufferSize_ < blockSize) {
      copyBuffer_.reset(new char[blockSize]);
      copyBufferSize_ = blockSize;
    }
    std::uint64_t written = 0;
    while (written < size) {
      const auto block = static_cast<std::size_t>(std::min<std::uint64_t>(blockSize, size - written));
      data->ReadBuffer(copyBuffer_.get(), block);
      crc = static_cast<std::uint32_t>(
          crc32(crc, reinterpret_cast<const Bytef*>(copyBuffer_.get()), static_cast<uInt>(block)));
      out.WriteBuffer(copyBuffer_.get(), block);
      written += block;
      if (progress_) progress_(name, central, written);
    }
  }
  // The central CRC-32 is the one a data descriptor's archive fills in too.
  // A file that is not what the package holds must not pass for it, least
  // of all an installer: it is removed again.
  if (crc != central.CRC32) {
    out.Close();
    (void)sys::RemoveFile(target);
    throw EZipDamagedEntry(base::Format(u"Entry \"%s\" is damaged: its checksum does not match", {name}));
  }
  // Time and attributes are courtesies, as on any unpacking: what the
  // system refuses leaves the file as it is.
  const sys::UnpackedFileMetadata metadata = MetadataFor(local, central);
  if (!IsEmpty(metadata)) CheckMetadataPath(target);
  sys::FinishUnpackedFile(out.File(), target, metadata);
}

}  // namespace zip
