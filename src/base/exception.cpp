// The program's errors.
#include "base/exception.h"

#include "sys/codepage.h"

namespace base {

Exception::Exception(std::u16string message)
    : message_(std::move(message)), utf8_(sys::ToUtf8(message_)) {}

}  // namespace base
