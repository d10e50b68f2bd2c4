// The data streams of entries: what a decompressing handler returns. Both
// read the archive stream from its current position on, and neither owns it.
//
// Neither knows the entry's size. A stored stream yields the archive's bytes
// until the archive ends; an inflating stream ends when the Deflate data
// ends or the archive yields nothing more. The extractor decides how many
// bytes it takes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/stream.h"

struct z_stream_s;

namespace zip {

class TBufferedReader;

// Method 0: the entry's bytes unchanged.
class TStoredStream : public base::TStream {
 public:
  explicit TStoredStream(base::TStream& archive) : archive_(archive) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  // Read-only: nothing is taken.
  std::size_t Write(const void* buffer, std::size_t count) override;
  // Only the position can be asked (offset 0 from Current): the bytes
  // yielded so far. Anything else is refused with -1.
  std::int64_t Seek(std::int64_t offset, base::SeekOrigin origin) override;
  // Raises EStreamError: the stream cannot be resized.
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return -1; }

 private:
  base::TStream& archive_;
  std::int64_t position_ = 0;
};

// Method 8: raw Deflate (zlib window bits -15: 32 KiB window, no zlib
// header or checksum), taking input in blocks of kInputBlock bytes: straight
// out of the archive's read buffer when the archive stream is one (so that
// what follows the data stays there for the next entry), else through a
// block of its own.
//
// Read raises EInflateError with zlib's text for the code ("data error",
// "stream error", "insufficient memory", ...) when zlib refuses the data;
// the error then repeats on every later Read. zlib's "buffer error" is no
// failure: more input is read.
class TInflateStream : public base::TStream {
 public:
  static constexpr std::size_t kInputBlock = 65536;

  // Raises EInflateError when zlib cannot be set up.
  explicit TInflateStream(base::TStream& archive);
  ~TInflateStream() override;
  TInflateStream(const TInflateStream&) = delete;
  TInflateStream& operator=(const TInflateStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, base::SeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return -1; }

 private:
  base::TStream& archive_;
  TBufferedReader* buffered_ = nullptr;  // archive_, when it is one
  std::unique_ptr<z_stream_s> zstream_;
  std::unique_ptr<unsigned char[]> input_;  // without a read buffer only
  bool ended_ = false;
  int error_ = 0;  // the zlib code that stopped the stream, or 0
  std::int64_t position_ = 0;
};

}  // namespace zip
