// A read buffer in front of the archive file.
//
// The central directory and the local headers are read in pieces of 4, 26,
// 42 and a few dozen bytes; through this buffer those become one system
// call per 64 KiB. Deflate data is inflated straight out of the buffer
// (Peek and Skip), so the bytes after an entry's data, the next local
// header mostly, are still in the buffer when the next entry is opened: an
// archive of many small entries is read front to back, 64 KiB at a time,
// with no seek between entries. Large reads that find the buffer empty go
// to the file directly, so stored copies do not pay for a second copy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "base/stream.h"

namespace zip {

class TBufferedReader : public base::TStream {
 public:
  static constexpr std::size_t kBufferSize = 65536;

  // source must outlive the reader, and is read only through it meanwhile.
  explicit TBufferedReader(base::TStream& source);

  std::size_t Read(void* buffer, std::size_t count) override;
  // The buffered bytes from the current position on, refilled from the
  // source when used up; empty at the end of the source. Valid until the
  // next call on the reader.
  std::span<const unsigned char> Peek();
  // Moves past count bytes of those Peek gave.
  void Skip(std::size_t count);
  // Read-only: nothing is taken.
  std::size_t Write(const void* buffer, std::size_t count) override;
  // Moves within the buffer when it can; else passes the move to the source.
  // A position past the end is allowed, and then reads yield nothing.
  std::int64_t Seek(std::int64_t offset, base::SeekOrigin origin) override;
  // Raises EStreamError: the reader cannot resize its source.
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override;

 private:
  base::TStream& source_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::int64_t bufferStart_ = 0;  // the source position of buffer_[0]
  std::size_t filled_ = 0;        // valid bytes in buffer_
  std::size_t offset_ = 0;        // read position within buffer_
  std::int64_t size_ = -1;        // the source's size, asked once
};

}  // namespace zip
