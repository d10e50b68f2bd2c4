// TZipFile: reads a ZIP archive and unpacks its entries to disk.
//
// Reading follows the ZIP format as far as unpacking needs: the end of
// central directory record, the central directory, each entry's local
// header, and the entry's data through the handler registered for its
// compression method (stored 0 and Deflate 8 at start; Deflate through
// zlib). Not supported, and refused rather than half read: ZIP64 archives
// and encrypted entries. Archives over several disks are not supported.
// Entries with a data descriptor are read by their central record.
//
// What is written is what the package holds: every entry's bytes are
// checked against the central CRC-32 as they are copied, and the central
// directory must be read whole (its records fill exactly the size the end
// record gives it), so a damaged, encrypted or half-listed package is never
// reported as unpacked.
//
// Names are decoded from the Info-ZIP Unicode Path extra field of the local
// header when one is present and its CRC-32 matches the local name bytes,
// else as UTF-8 when the central header has the UTF-8 flag (0x0800), else
// with the decoder the caller gives (code page 437 when none).
//
// Unpacking writes below a destination directory only: an entry whose name
// is rooted or holds a ".." component is refused (EZipUnsafeEntry naming
// it), as is one that would be written through a symbolic link. No link is
// ever created. Extraction stops at the first error; the entries written
// before it stay on disk.
//
// Errors (kinds from base/exception.h unless zip_errors.h):
//   EFOpenError "Cannot open file "%s". %s"        the archive cannot be opened
//   EZipException "Stream read error"               the archive has 0 bytes
//   EZipException "Error reading zip file"          no end record in the last
//       65,535 bytes; an archive of 4 bytes or fewer; a search window, a
//       central directory field, name, extra field or comment, or a local
//       header cut short
//   EZipIncompleteDirectory "The archive is in the ZIP64 format (more than
//       65,535 files or more than 4 GiB), which cannot be unpacked"
//                                                   a count, size or offset of
//       the end record at its limit (0xFFFF, 0xFFFFFFFF)
//   EZipIncompleteDirectory "The archive's list of files is damaged: its
//       count of %d files does not match the list"  the records the count
//       says do not fill the central directory's size
//   EZipException "Invalid Zip Central Header signature"
//   EZipException "Invalid Zip Local Header signature"
//   EZipEncryptedEntry "Entry "%s" is encrypted"    general purpose flag bit 0,
//       in the central or the local header; raised by Read, before the data
//   EZipException "File must be open for reading"   Read/ExtractAll when closed
//   EZipException "The specified file was not found" an index out of range
//   EListError "Item not found"                      a method without handler
//   EEncodingError "No mapping for the Unicode character exists in the target
//       multi-byte code page"                        an invalid UTF-8 name
//   EEncodingError "Invalid count (%d)"              a Unicode Path field whose
//       size is below 5 or reaches beyond the extra field
//   EInflateError (zlib's text)                      damaged Deflate data
// and, while writing (Extract):
//   EArgumentException "Invalid characters in path"
//   EPathTooLongException "The specified path is too long"  a directory path
//       of 248 characters or more, a file path of 260 or more at the time
//       and attribute updates
//   ENotSupportedException "The path format is not supported"  (Windows) a
//       ":" that does not follow a drive letter; or the system's text when
//       the full path cannot be formed
//   EDirectoryNotFoundException "The drive cannot be found" (Windows),
//       "The specified path was not found"
//   EFileNotFoundException "The specified file was not found"
//   EFCreateError "Cannot create file "%s". %s"      the output file
//   EReadError "Stream read error"                   the data ends early
//   EWriteError "Stream write error"                 a short write
//   EZipDamagedEntry "Entry "%s" is damaged: its checksum does not match"
//       the CRC-32 of the bytes written differs from the central one; the
//       file is removed again
//   EZipUnsafeEntry                                   an escaping entry
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/encoding.h"
#include "base/file_stream.h"
#include "base/stream.h"
#include "zip/zip_header.h"
#include "zip/zip_path.h"

namespace zip {

// Makes the data stream of one entry over the archive stream, which stands
// at the entry's first data byte. The header is the entry's local header.
// The result reads the archive stream from there on and does not own it.
using TStreamConstructor =
    std::function<std::unique_ptr<base::TStream>(base::TStream& archive, const TZipHeader& header)>;

// Told after each block an entry's extraction has written: the entry's
// decoded name, its central header, and the bytes written of it so far.
using TZipProgress =
    std::function<void(const std::u16string& FileName, const TZipHeader& Header, std::uint64_t Position)>;

class TZipFile {
 public:
  // The copy buffer of extraction: this size, or the entry's when smaller.
  static constexpr std::size_t kCopyBufferSize = 1048576;

  TZipFile() = default;
  ~TZipFile();
  TZipFile(const TZipFile&) = delete;
  TZipFile& operator=(const TZipFile&) = delete;

  // Unpacks every entry below Path. Encoding decodes names without the
  // UTF-8 flag (the caller keeps ownership; nullptr means code page 437).
  // Raises the errors above; the archive file is closed again on every path.
  static void ExtractZipFile(const std::u16string& ZipFileName, const std::u16string& Path,
                             const base::TEncoding* Encoding, const TZipProgress& ZipProgress = {});

  // Enters a handler pair for a method number (0 to 255), replacing an
  // earlier one. Reading uses only the decompressing constructor. The table
  // is shared by every TZipFile; fill it before archives are opened.
  static void RegisterCompressionHandler(std::uint8_t method, TStreamConstructor compress,
                                         TStreamConstructor decompress);

  // Searches AHeader's extra field for an Info-ZIP Unicode Path field: at the
  // first position holding the bytes 75 70, whatever record they belong to.
  // When its CRC-32 matches AHeader's FileName bytes, AFileName is the
  // field's UTF-8 name and the result is true; otherwise AFileName is empty
  // and the result false. A tag too near the end to hold its size and
  // CRC-32 counts as no field. Raises EEncodingError for a taken field whose
  // name is not valid UTF-8 or whose size is below 5 or beyond the field.
  static bool GetUTF8PathFromExtraField(const TZipHeader& AHeader, std::u16string& AFileName);

  // The decoder for names without the UTF-8 flag; the caller keeps it alive
  // while the archive is used. nullptr means code page 437.
  void SetEncoding(const base::TEncoding* Encoding) { encoding_ = Encoding; }

  // Closes whatever is open, then opens the named archive (sharing it with
  // readers only) and reads its central directory. On failure the file is
  // closed again. Only zmRead is supported; zmClosed just closes.
  void Open(const std::u16string& ZipFileName, TZipMode OpenMode);
  // The same over a stream the caller owns and keeps alive until Close; the
  // archive starts at the stream's current position (local header offsets
  // count from there; the central directory offset from the stream's start).
  void Open(base::TStream& Stream, TZipMode OpenMode);
  // Releases the archive; the mode becomes zmClosed, the entries are gone.
  void Close();

  TZipMode Mode() const { return mode_; }
  std::size_t FileCount() const { return headers_.size(); }
  const TZipHeader& FileInfo(std::size_t Index) const { return headers_.at(Index); }
  const std::string& Comment() const { return comment_; }

  // Opens entry Index: reads its local header into LocalHeader and returns a
  // new stream of its uncompressed data, owned by the caller. The stream
  // reads the archive, so it is valid only until the next Read or Close.
  std::unique_ptr<base::TStream> Read(int Index, TZipHeader& LocalHeader);

  // The decoded name of an entry, from its local header and central record.
  std::u16string EntryName(const TZipHeader& LocalHeader, const TZipHeader& CentralHeader) const;

  // Extract(Index, Path, true) for every entry, in directory order.
  void ExtractAll(const std::u16string& Path);
  // Writes one entry below Path; with CreateSubdirs false only the last
  // component of its name is used.
  void Extract(int Index, const std::u16string& Path, bool CreateSubdirs = true);

  void SetProgress(const TZipProgress& ZipProgress) { progress_ = ZipProgress; }

 private:
  void ReadCentralDirectory();
  struct EndRecord {
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t entryCount = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
  };
  EndRecord FindEndRecord();
  void MakeDirectories(const std::u16string& directory, const std::u16string& entryName);
  void CheckMetadataPath(const std::u16string& path);
  std::u16string BaseDirectory(const std::u16string& Path);

  TZipMode mode_ = TZipMode::zmClosed;
  std::unique_ptr<base::TFileStream> file_;  // the archive opened by name
  std::unique_ptr<base::TStream> reader_;    // the buffer in front of it
  base::TStream* stream_ = nullptr;          // what entries are read from
  std::int64_t startPosition_ = 0;
  std::vector<TZipHeader> headers_;
  std::string comment_;
  const base::TEncoding* encoding_ = nullptr;
  TZipProgress progress_;

  // Extraction state, kept between entries of one destination: the copy
  // buffer, and the directories already made or found real (not links), so
  // the next entry in them needs no file system look-ups.
  std::unique_ptr<char[]> copyBuffer_;
  std::size_t copyBufferSize_ = 0;
  std::u16string basePath_;      // the Path these belong to
  std::u16string baseFullPath_;  // its full form, without a trailing delimiter
  std::unordered_set<std::u16string> knownDirectories_;
};

}  // namespace zip
