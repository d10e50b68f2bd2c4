// A stream over a file, opened the way the program's callers name it.
#pragma once

#include <string>

#include "base/stream.h"
#include "sys/file.h"

namespace base {

class TFileStream : public TStream {
 public:
  // Opens an existing file; EFOpenError "Cannot open file "%s". %s" (the
  // full path and the system's reason) when it cannot.
  static TFileStream OpenExisting(const std::u16string& path, sys::Access access, sys::Share share);
  // Creates the file or empties an existing one, for reading and writing;
  // EFCreateError "Cannot create file "%s". %s" when it cannot.
  static TFileStream Create(const std::u16string& path, sys::Share share);
  // A stream over a file opened by the caller.
  static TFileStream Adopt(sys::File file) { return TFileStream(std::move(file)); }

  TFileStream(TFileStream&&) = default;
  TFileStream& operator=(TFileStream&&) = default;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  // EOSError with the system's text when the file cannot take the size.
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override;

  sys::File& File() { return file_; }
  void Close() { file_.Close(); }

 private:
  explicit TFileStream(sys::File file) : file_(std::move(file)) {}
  sys::File file_;
};

// EFCreateError "Cannot create file "%s". %s" for path and error.
[[noreturn]] void ThrowCreateError(const std::u16string& path, sys::ErrorCode error);

// The full path used in file error texts: the path made absolute, or the
// path itself when that fails.
std::u16string ExpandFileName(const std::u16string& path);

}  // namespace base
