// Files and directories; the platform halves are included at the end.
#include "sys/file.h"

#include <utility>

namespace sys {

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

File::~File() { Close(); }

bool File::IsOpen() const { return handle_ != -1; }

}  // namespace sys

#ifdef _WIN32
#include "sys/win32/file.inc"
#else
#include "sys/posix/file.inc"
#endif
