// The data streams of stored and Deflate entries.
#include "zip/zip_streams.h"

#include <zlib.h>

#include <climits>

#include "base/exception.h"
#include "base/text.h"
#include "zip/buffered_reader.h"
#include "zip/zip_errors.h"

namespace zip {
namespace {

[[noreturn]] void ThrowInflate(int code) { throw EInflateError(base::AsciiText(zError(code))); }

}  // namespace

std::size_t TStoredStream::Read(void* buffer, std::size_t count) {
  const std::size_t n = archive_.Read(buffer, count);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

std::size_t TStoredStream::Write(const void*, std::size_t) { return 0; }

std::int64_t TStoredStream::Seek(std::int64_t offset, base::SeekOrigin origin) {
  return offset == 0 && origin == base::SeekOrigin::Current ? position_ : -1;
}

void TStoredStream::SetSize(std::int64_t) { throw base::EStreamError(u"Stream is read-only"); }

TInflateStream::TInflateStream(base::TStream& archive)
    : archive_(archive), buffered_(dynamic_cast<TBufferedReader*>(&archive)), zstream_(std::make_unique<z_stream_s>()) {
  if (buffered_ == nullptr) input_.reset(new unsigned char[kInputBlock]);
  const int rc = inflateInit2(zstream_.get(), -MAX_WBITS);
  if (rc != Z_OK) {
    zstream_.reset();
    ThrowInflate(rc);
  }
}

TInflateStream::~TInflateStream() {
  if (zstream_) inflateEnd(zstream_.get());
}

std::size_t TInflateStream::Read(void* buffer, std::size_t count) {
  if (error_ != 0) ThrowInflate(error_);
  if (ended_ || count == 0) return 0;
  z_stream& z = *zstream_;
  // zlib counts in uInt; a larger request is served in part, as a stream may.
  const std::size_t want = count > UINT_MAX ? UINT_MAX : count;
  z.next_out = static_cast<Bytef*>(buffer);
  z.avail_out = static_cast<uInt>(want);
  while (z.avail_out > 0) {
    if (buffered_ != nullptr) {
      // The input is the read buffer itself; what inflate takes of it is
      // skipped at once, so the reader always stands after the data used.
      const std::span<const unsigned char> input = buffered_->Peek();
      if (input.empty()) {
        ended_ = true;  // the archive has nothing more: the data ends here
        break;
      }
      z.next_in = const_cast<Bytef*>(input.data());
      z.avail_in = static_cast<uInt>(input.size());
    } else if (z.avail_in == 0) {
      const std::size_t n = archive_.Read(input_.get(), kInputBlock);
      if (n == 0) {
        ended_ = true;  // the archive has nothing more: the data ends here
        break;
      }
      z.next_in = input_.get();
      z.avail_in = static_cast<uInt>(n);
    }
    const uInt offered = z.avail_in;
    const int rc = inflate(&z, Z_NO_FLUSH);
    if (buffered_ != nullptr) {
      buffered_->Skip(offered - z.avail_in);
      z.avail_in = 0;
    }
    if (rc == Z_STREAM_END) {
      ended_ = true;
      break;
    }
    if (rc != Z_OK && rc != Z_BUF_ERROR) {
      error_ = rc == Z_NEED_DICT ? Z_DATA_ERROR : rc;
      ThrowInflate(error_);
    }
  }
  const std::size_t produced = want - z.avail_out;
  position_ += static_cast<std::int64_t>(produced);
  return produced;
}

std::size_t TInflateStream::Write(const void*, std::size_t) { return 0; }

std::int64_t TInflateStream::Seek(std::int64_t offset, base::SeekOrigin origin) {
  return offset == 0 && origin == base::SeekOrigin::Current ? position_ : -1;
}

void TInflateStream::SetSize(std::int64_t) { throw base::EStreamError(u"Stream is read-only"); }

}  // namespace zip
