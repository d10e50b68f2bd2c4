// A stream over a file.
#include "base/file_stream.h"

#include "base/exception.h"
#include "base/text.h"

namespace base {

std::u16string ExpandFileName(const std::u16string& path) {
  auto full = sys::FullPathName(path);
  return full ? *full : path;
}

TFileStream TFileStream::OpenExisting(const std::u16string& path, sys::Access access, sys::Share share) {
  auto file = sys::File::Open(path, access, share, sys::Disposition::OpenExisting);
  if (!file) {
    throw EFOpenError(Format(u"Cannot open file \"%s\". %s", {ExpandFileName(path), sys::ErrorText(file.Error())}));
  }
  return TFileStream(std::move(*file));
}

TFileStream TFileStream::Create(const std::u16string& path, sys::Share share) {
  auto file = sys::File::Open(path, sys::Access::ReadWrite, share, sys::Disposition::CreateAlways);
  if (!file) ThrowCreateError(path, file.Error());
  return TFileStream(std::move(*file));
}

void ThrowCreateError(const std::u16string& path, sys::ErrorCode error) {
  throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {ExpandFileName(path), sys::ErrorText(error)}));
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
  auto n = file_.Read(buffer, count);
  return n ? *n : 0;
}

std::size_t TFileStream::Write(const void* buffer, std::size_t count) {
  auto n = file_.Write(buffer, count);
  return n ? *n : 0;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  const sys::SeekFrom from = origin == SeekOrigin::Begin     ? sys::SeekFrom::Begin
                             : origin == SeekOrigin::Current ? sys::SeekFrom::Current
                                                             : sys::SeekFrom::End;
  auto position = file_.Seek(offset, from);
  return position ? *position : -1;
}

void TFileStream::SetSize(std::int64_t size) {
  const std::int64_t position = Position();
  if (Seek(size, SeekOrigin::Begin) < 0) throw EOSError(sys::ErrorText(sys::LastError()));
  if (const sys::ErrorCode error = file_.SetEndOfFile(); error != 0) {
    Seek(position, SeekOrigin::Begin);
    throw EOSError(sys::ErrorText(error));
  }
  if (position < size) Seek(position, SeekOrigin::Begin);
}

std::int64_t TFileStream::Size() {
  auto size = file_.Size();
  return size ? *size : -1;
}

}  // namespace base
