// A read buffer in front of the archive file.
#include "zip/buffered_reader.h"

#include <algorithm>
#include <cstring>

#include "base/exception.h"

namespace zip {

TBufferedReader::TBufferedReader(base::TStream& source)
    : source_(source), buffer_(new unsigned char[kBufferSize]) {
  bufferStart_ = source_.Position();
  if (bufferStart_ < 0) bufferStart_ = 0;
}

std::size_t TBufferedReader::Read(void* buffer, std::size_t count) {
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    if (offset_ < filled_) {
      const std::size_t n = std::min(count - done, filled_ - offset_);
      std::memcpy(out + done, buffer_.get() + offset_, n);
      offset_ += n;
      done += n;
      continue;
    }
    // The buffer is used up: the source stands at bufferStart_ + filled_.
    bufferStart_ += static_cast<std::int64_t>(filled_);
    filled_ = offset_ = 0;
    if (count - done >= kBufferSize) {
      const std::size_t n = source_.Read(out + done, count - done);
      bufferStart_ += static_cast<std::int64_t>(n);
      done += n;
      break;
    }
    filled_ = source_.Read(buffer_.get(), kBufferSize);
    if (filled_ == 0) break;
  }
  return done;
}

std::span<const unsigned char> TBufferedReader::Peek() {
  if (offset_ == filled_) {
    bufferStart_ += static_cast<std::int64_t>(filled_);
    filled_ = offset_ = 0;
    filled_ = source_.Read(buffer_.get(), kBufferSize);
  }
  return {buffer_.get() + offset_, filled_ - offset_};
}

void TBufferedReader::Skip(std::size_t count) { offset_ += std::min(count, filled_ - offset_); }

std::size_t TBufferedReader::Write(const void*, std::size_t) { return 0; }

std::int64_t TBufferedReader::Seek(std::int64_t offset, base::SeekOrigin origin) {
  const std::int64_t current = bufferStart_ + static_cast<std::int64_t>(offset_);
  std::int64_t target = offset;
  if (origin == base::SeekOrigin::Current) target = current + offset;
  if (origin == base::SeekOrigin::End) {
    const std::int64_t size = Size();
    if (size < 0) return -1;
    target = size + offset;
  }
  if (target < 0) return -1;
  if (target >= bufferStart_ && target <= bufferStart_ + static_cast<std::int64_t>(filled_)) {
    offset_ = static_cast<std::size_t>(target - bufferStart_);
    return target;
  }
  const std::int64_t moved = source_.Seek(target, base::SeekOrigin::Begin);
  if (moved < 0) return -1;
  bufferStart_ = moved;
  filled_ = offset_ = 0;
  return moved;
}

void TBufferedReader::SetSize(std::int64_t) { throw base::EStreamError(u"Stream is read-only"); }

std::int64_t TBufferedReader::Size() {
  if (size_ < 0) {
    // Asking the source moves nothing we rely on: its position is restored
    // by TStream::Size, or not touched by an override.
    const std::int64_t here = bufferStart_ + static_cast<std::int64_t>(filled_);
    size_ = source_.Size();
    source_.Seek(here, base::SeekOrigin::Begin);
  }
  return size_;
}

}  // namespace zip
