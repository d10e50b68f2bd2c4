// The failures of the HTTP client, each a kind of its own with the text the
// client's callers see.
#pragma once

#include <string>

#include "base/exception.h"
#include "sys/result.h"

namespace net {

using base::Exception;

// The network layer of the system failed: "Socket Error # %d" CR LF "%s",
// the Winsock number and its text (on every platform).
class ESocketError : public base::Exception {
 public:
  explicit ESocketError(sys::ErrorCode error);
  sys::ErrorCode LastError() const { return error_; }

 private:
  sys::ErrorCode error_;
};

// An answer that says the request failed. The message is the status line as
// received; the status code and the body (as text, invalid UTF-8 replaced)
// come with it.
class EHttpProtocolError : public base::Exception {
 public:
  EHttpProtocolError(std::u16string statusLine, int errorCode, std::u16string errorMessage);
  int ErrorCode() const { return errorCode_; }
  const std::u16string& ErrorMessage() const { return errorMessage_; }

 private:
  int errorCode_;
  std::u16string errorMessage_;
};

// "Connection Closed Gracefully.": the server closed before the status line,
// inside a chunked body, or before a body of announced length was complete.
PACKSTUB_ERROR_KIND(EConnClosedGracefully, Exception);
// "Max line length exceeded."
PACKSTUB_ERROR_KIND(EMaxLineLengthExceeded, Exception);
// "Unknown Protocol": no port can be found for the address.
PACKSTUB_ERROR_KIND(EUnknownProtocol, Exception);
// "TLS is not available on this connection". Not raised by this client:
// every connection can carry TLS, so a redirect to "https" is followed.
PACKSTUB_ERROR_KIND(ETlsUnavailable, Exception);
// "Could not load SSL library."
PACKSTUB_ERROR_KIND(ETlsLibraryLoadError, Exception);
// The TLS handshake or the server's certificate failed; the text says why.
PACKSTUB_ERROR_KIND(ETlsError, Exception);

// An answer whose framing cannot be trusted (a chunk size or Content-Length
// that is not a number, lengths that disagree, more bytes than announced,
// a head without end, a redirect address with control characters): taking
// it would store the wrong bytes or wait for ever, so it fails.
PACKSTUB_ERROR_KIND(EInvalidAnswer, Exception);

// The same texts, for the places that raise them.
inline constexpr char16_t kConnClosedGracefully[] = u"Connection Closed Gracefully.";
inline constexpr char16_t kMaxLineLengthExceeded[] = u"Max line length exceeded.";
inline constexpr char16_t kUnknownProtocol[] = u"Unknown Protocol";
inline constexpr char16_t kInvalidChunkSize[] = u"Invalid chunk size.";
inline constexpr char16_t kInvalidContentLength[] = u"Invalid Content-Length.";
inline constexpr char16_t kLongerThanAnnounced[] = u"More data than announced.";
inline constexpr char16_t kHeadTooLarge[] = u"Too many header lines.";
inline constexpr char16_t kInvalidStatusLine[] = u"Invalid status line.";
inline constexpr char16_t kTooManyInterimAnswers[] = u"Too many interim answers.";
inline constexpr char16_t kInvalidLocation[] = u"Invalid redirect address.";

}  // namespace net
