// The error vocabulary of the platform layer: a system error code, or a value.
//
// The layer above turns failures into the program's exceptions with their
// message texts; here a code is all a caller needs to build that text
// (ErrorText in file.h gives the system's wording for it).
#pragma once

#include <utility>

namespace sys {

// GetLastError() on Windows, errno on POSIX; 0 means success.
using ErrorCode = int;

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  static Result Failure(ErrorCode error) {
    Result result{T{}};
    result.error_ = error == 0 ? -1 : error;
    return result;
  }

  explicit operator bool() const { return error_ == 0; }
  ErrorCode Error() const { return error_; }

  // Valid only on success.
  T& operator*() { return value_; }
  const T& operator*() const { return value_; }
  T* operator->() { return &value_; }
  const T* operator->() const { return &value_; }

 private:
  T value_;
  ErrorCode error_ = 0;
};

}  // namespace sys
