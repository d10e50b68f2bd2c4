// THttpClient: the blocking HTTP/HTTPS client that downloads one address
// into a stream, following redirects when asked to, and reports the
// progress of every body it reads.
//
// Get(AURL, AResponseContent)
//   Sends "GET <target> HTTP/1.1" with the headers Host, Accept, User-Agent
//   and, when stored cookies match, Cookie - in that order, as one block.
//   Text goes on the wire as 7-bit ASCII: code units from 0x80 up become
//   "?"; blanks and control characters in the target are sent as %XX so
//   that an address cannot split the request.
//   Answers are decided by status:
//     1xx (not 101)   skipped, the next status line is read
//     3xx but 304,    with HandleRedirects the Location is followed, the
//     with Location   stream set back to its start position and cut there;
//                     the body of the redirect is read and thrown away. The
//                     RedirectMaximum-th redirect of one Get fails as an
//                     error status, and so does every redirect without
//                     HandleRedirects.
//     2xx, 101        the body (none for 101 and 204) goes into the stream
//                     from its position at the call; Get returns.
//     anything else   an error status: the body is read into a buffer of
//                     the client's own (the stream is not touched), then
//                     EHttpProtocolError with the status line.
//   Bodies are framed by "chunked" transfer coding, by Content-Length (the
//   stream is given its final size before the first byte), by the closing
//   boundary of a multipart type, or by the server closing the connection.
//   A connection that stays open (no "Connection: close") is used again for
//   the next request to the same host, port and kind; a kept connection
//   that the server has closed meanwhile is replaced once.
//
// Failures (all base::Exception):
//   ESocketError           "Socket Error # %d" CR LF "%s" (Winsock numbers)
//   EConnClosedGracefully  "Connection Closed Gracefully." - closed before
//                          the status line, inside a chunked body, or
//                          before an announced length was complete
//   EHttpProtocolError     the status line of an error status
//   EMaxLineLengthExceeded "Max line length exceeded."
//   EUnknownProtocol       "Unknown Protocol" - no port for the address, or
//                          a scheme other than http and https
//   EInvalidAnswer         framing that cannot be trusted: a chunk size
//                          that is no hexadecimal number below 2^63, a
//                          Content-Length that is no whole number or
//                          disagrees with another, more bytes than
//                          announced, a head or trailer without end, more
//                          than 32 interim answers, a line after an interim
//                          answer that is no status line, a redirect address
//                          with control characters
//   ETlsError              the TLS handshake or certificate check failed
//   base::EConvertError    a port that is not a number from 1 to 65535
//   stream errors          the stream's own (size or write refused)
//   and whatever an event handler raises.
//
// Work events (read direction only; a Get writes nothing of its own):
//   OnWorkBegin(total) once per body read - the Content-Length, else 0 -
//   OnWork(running total) after each received block that the body used
//   (for chunked bodies also for every framing line), OnWorkEnd at its end.
//   An answer with Content-Length 0 produces no events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/stream.h"
#include "net/answer.h"
#include "net/connection.h"
#include "net/cookie_store.h"
#include "net/errors.h"
#include "net/uri.h"

namespace net {

enum class TWorkMode { wmRead, wmWrite };

// How long the program's own transfers (the package, the console edition's
// pages, packtool fetch) wait for a server that has stopped answering: for
// the connection, and for each next byte. A client object waits without
// limit unless told.
inline constexpr int kStalledServerTimeout = 60000;  // ms

class THttpClient {
 public:
  THttpClient();   // default settings, not connected
  ~THttpClient();  // closes the connection, releases cookies and TLS
  THttpClient(const THttpClient&) = delete;
  THttpClient& operator=(const THttpClient&) = delete;

  bool HandleRedirects = false;
  int RedirectMaximum = 15;
  std::u16string ProtocolVersion = u"1.1";
  bool AllowCookies = true;
  int ConnectTimeout = 0;  // ms; 0: as long as the system lets an attempt last
  // ms; 0 or less: no limit. Each wait for the server's next byte, the TLS
  // handshake's included, ends with ESocketError 10060 when it passes.
  int ReadTimeout = -1;
  int RecvBufferSize = 32768;
  int MaxLineLength = 16384;
  std::u16string Accept = u"text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
  std::u16string UserAgent = u"Mozilla/3.0 (compatible; packstub)";
  // Makes the TLS channel of each "https" connection; empty: the system's.
  TTlsFactory TlsFactory;

  std::function<void(THttpClient* ASender, TWorkMode AWorkMode, std::int64_t AWorkCountMax)> OnWorkBegin;
  std::function<void(THttpClient* ASender, TWorkMode AWorkMode, std::int64_t AWorkCount)> OnWork;
  std::function<void(THttpClient* ASender, TWorkMode AWorkMode)> OnWorkEnd;

  // Writes the final answer's body into AResponseContent from its position at the call.
  void Get(const std::u16string& AURL, base::TStream& AResponseContent);
  void Disconnect();

  // The request head Get would send first for AURL, read against the
  // current address: for checks and tools; nothing is sent.
  std::string RequestBytes(const std::u16string& AURL) const { return Prepare(AURL).bytes; }

  // The address of the last request, and its answer's head.
  const TUri& Url() const { return url_; }
  const THttpAnswer& Response() const { return response_; }
  const TCookieStore& Cookies() const { return cookies_; }

 private:
  struct Work {
    int level = 0;
    std::int64_t size = 0;
    std::int64_t position = 0;
  };
  struct Request {
    TUri url;
    std::string host;
    std::uint16_t port = 0;
    bool tls = false;
    std::string bytes;  // what goes on the wire
  };
  enum class Sink { Stream, Scratch, Discard };

  Request Prepare(const std::u16string& address) const;
  void Connect(const Request& request);
  THttpAnswer ReadHead();
  bool BodyFollows(const THttpAnswer& answer);
  void ReadBody(const THttpAnswer& answer, Sink sink, base::TStream* stream, std::string* scratch);
  [[noreturn]] void RaiseErrorStatus(const THttpAnswer& answer);
  void EndOfRequest(const THttpAnswer& answer);
  void StoreCookies(const THttpAnswer& answer);

  void BeginWork(TWorkMode mode, std::int64_t total);
  void DoWork(TWorkMode mode, std::int64_t count);
  void EndWork(TWorkMode mode);

  TConnection connection_;
  TUri url_;
  THttpAnswer response_;
  TCookieStore cookies_;
  Work work_[2];
};

}  // namespace net
