// Byte streams: the seekable, resizable destinations and sources that the
// HTTP client, the ZIP reader and the descriptor reader work on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace base {

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;

  // Reads up to count bytes; fewer only at the end of the data, 0 there.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes up to count bytes and tells how many were taken.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Returns the new position, or -1 when the position is refused (before the
  // start); the position then stays where it was.
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
  // Gives the stream this size, cutting or extending it; raises the
  // stream's own error when it cannot.
  virtual void SetSize(std::int64_t size) = 0;
  virtual std::int64_t Size();

  std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, SeekOrigin::Begin); }

  // The whole count or EReadError "Stream read error".
  void ReadBuffer(void* buffer, std::size_t count);
  // The whole count or EWriteError "Stream write error".
  void WriteBuffer(const void* buffer, std::size_t count);
};

// A growable buffer in memory, optionally held below a size limit: a size
// beyond it is refused with EOutOfMemory, a write beyond it takes nothing.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::size_t limit) : limit_(limit) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  const std::string& Data() const { return data_; }
  void Clear();

 private:
  std::string data_;
  std::size_t position_ = 0;
  std::size_t limit_ = static_cast<std::size_t>(-1);
};

}  // namespace base
