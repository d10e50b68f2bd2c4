// Files and directories: the operations the program performs on the file
// system, with the sharing rules and failure modes of the Windows calls it was
// designed around.
//
// Paths are UTF-16 text. On Windows they go to the ...W functions unchanged;
// on POSIX they are turned into UTF-8 and the path delimiter is "/". Sharing
// modes have no meaning on POSIX and are accepted there without effect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sys/result.h"

namespace sys {

#ifdef _WIN32
inline constexpr char16_t kPathDelimiter = u'\\';
#else
inline constexpr char16_t kPathDelimiter = u'/';
#endif

// What File::CreateForUnpacking returns for a link: a code of this layer's
// own, which no system call yields (their codes are positive).
inline constexpr ErrorCode kErrorIsLink = -40;

enum class Access { Read, Write, ReadWrite };
// Which other openers may share the file while it is open (FILE_SHARE_*).
enum class Share { None, Read, Write, ReadWrite };
enum class Disposition {
  OpenExisting,  // fails when there is no such file
  CreateAlways,  // creates the file, or empties an existing one
};
enum class SeekFrom { Begin, Current, End };

// An open file; closed when destroyed. Move-only.
class File {
 public:
  File() = default;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // CreateAlways on POSIX refuses an existing file that has no write bit for
  // anyone, as Windows refuses one with the read-only attribute (whoever the
  // user is, root included).
  static Result<File> Open(const std::u16string& path, Access access,
                           Share share, Disposition disposition);
  // Open(path, ReadWrite, share, CreateAlways) for a file being unpacked,
  // asking the file system about path at most once before the create (on
  // POSIX only when the name exists already): a symbolic
  // link at its last component (on Windows any reparse point) is refused
  // with kErrorIsLink and never followed; an existing read-only file is
  // refused as Open refuses it.
  static Result<File> CreateForUnpacking(const std::u16string& path, Share share);

  bool IsOpen() const;
  void Close();

  // Reads up to count bytes at the current position; 0 at the end of the file.
  Result<std::size_t> Read(void* buffer, std::size_t count);
  // Writes up to count bytes; the result tells how many were taken.
  Result<std::size_t> Write(const void* buffer, std::size_t count);
  // Moves the position and returns the new one. A position before the start
  // of the file is refused and the position stays where it was.
  Result<std::int64_t> Seek(std::int64_t offset, SeekFrom from);
  Result<std::int64_t> Size() const;
  // Makes the current position the end of the file (growing or cutting it).
  ErrorCode SetEndOfFile();

  // The platform handle (HANDLE or file descriptor), for sibling sys files.
  std::intptr_t Handle() const { return handle_; }

 private:
  explicit File(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = -1;
};

// True when path names an existing entry that is not a directory (links are
// followed).
bool FileExists(const std::u16string& path);
// True when path names an existing directory.
bool DirectoryExists(const std::u16string& path);

ErrorCode RemoveFile(const std::u16string& path);
// Moves a file; fails when the destination exists (MoveFileW without flags).
ErrorCode RenameFile(const std::u16string& from, const std::u16string& to);
// Creates one directory level.
ErrorCode MakeDirectory(const std::u16string& path);

// The absolute form of path: relative to the current directory, "." and ".."
// resolved, no file system access (GetFullPathNameW).
Result<std::u16string> FullPathName(const std::u16string& path);

// Full path of the running executable.
std::u16string ExecutablePath();

// The system's text for an error code, without trailing full stops, blanks
// and line breaks.
std::u16string ErrorText(ErrorCode error);

// The error code of the last failed system call on this thread.
ErrorCode LastError();

}  // namespace sys
