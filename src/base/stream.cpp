// Byte streams.
#include "base/stream.h"

#include <cstring>

#include "base/exception.h"

namespace base {

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, SeekOrigin::Current);
  const std::int64_t size = Seek(0, SeekOrigin::End);
  Seek(position, SeekOrigin::Begin);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::size_t count) {
  auto* bytes = static_cast<char*>(buffer);
  while (count > 0) {
    const std::size_t n = Read(bytes, count);
    if (n == 0) throw EReadError(u"Stream read error");
    bytes += n;
    count -= n;
  }
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  while (count > 0) {
    const std::size_t n = Write(bytes, count);
    if (n == 0) throw EWriteError(u"Stream write error");
    bytes += n;
    count -= n;
  }
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (position_ >= data_.size()) return 0;
  const std::size_t n = std::min(count, data_.size() - position_);
  std::memcpy(buffer, data_.data() + position_, n);
  position_ += n;
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0 || position_ >= limit_) return 0;
  count = std::min(count, limit_ - position_);
  if (position_ + count > data_.size()) {
    if (position_ + count > data_.capacity()) data_.reserve(std::max(data_.capacity() * 2, position_ + count));
    data_.resize(position_ + count);
  }
  std::memcpy(data_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(position_);
  if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(data_.size());
  const std::int64_t target = base + offset;
  if (target < 0) return -1;
  position_ = static_cast<std::size_t>(target);
  return target;
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0) size = 0;
  if (static_cast<std::uint64_t>(size) > limit_) throw EOutOfMemory(u"Out of memory");
  try {
    data_.resize(static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory(u"Out of memory");
  }
  if (position_ > data_.size()) position_ = data_.size();
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

}  // namespace base
