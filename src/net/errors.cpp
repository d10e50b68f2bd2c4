// The failures of the HTTP client.
#include "net/errors.h"

#include "base/text.h"
#include "sys/tcp_socket.h"

namespace net {

ESocketError::ESocketError(sys::ErrorCode error)
    : base::Exception(base::Format(u"Socket Error # %d\r\n%s", {base::IntToText(error), sys::SocketErrorText(error)})),
      error_(error) {}

EHttpProtocolError::EHttpProtocolError(std::u16string statusLine, int errorCode, std::u16string errorMessage)
    : base::Exception(std::move(statusLine)), errorCode_(errorCode), errorMessage_(std::move(errorMessage)) {}

}  // namespace net
