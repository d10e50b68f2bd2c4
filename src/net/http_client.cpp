// THttpClient: request, answer decision, body framing, work events.
#include "net/http_client.h"

#include "net/answer_parser.h"
#include "sys/codepage.h"

namespace net {
namespace {

// Error bodies are kept as text for the caller's curiosity, not for
// storage: beyond this much they are read but not kept.
constexpr std::size_t kScratchLimit = 1 << 20;

// Servers send one "100 Continue" or a few "103 Early Hints"; a stream of
// interim answers without end is a server stalling the client.
constexpr int kMaxInterimAnswers = 32;

// A redirect address with control characters is no address a server means.
bool HasControlCharacters(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

// Text on the wire: one byte per code unit, "?" for anything beyond 7 bits.
std::string ToWire(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char16_t c : text) bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return bytes;
}

// The target as it goes into the request line: 7-bit, with blanks and
// control characters escaped so that no address can end the line early or
// add header lines of its own.
std::string TargetToWire(std::u16string_view target) {
  static const char digits[] = "0123456789ABCDEF";
  std::string bytes;
  bytes.reserve(target.size());
  for (char16_t c : target) {
    if (c >= 0x80) {
      bytes.push_back('?');
    } else if (c <= 0x20 || c == 0x7F) {
      bytes.push_back('%');
      bytes.push_back(digits[c >> 4]);
      bytes.push_back(digits[c & 0xF]);
    } else {
      bytes.push_back(static_cast<char>(c));
    }
  }
  return bytes;
}

std::uint16_t PortNumber(const std::u16string& port) {
  int value = 0;
  bool valid = !port.empty() && port.size() <= 5;
  // Only up to five digits are read, so that a long run of them cannot
  // overflow the value.
  for (char16_t c : valid ? std::u16string_view(port) : std::u16string_view()) {
    if (c < u'0' || c > u'9') {
      valid = false;
      break;
    }
    value = value * 10 + (c - u'0');
  }
  if (!valid || value < 1 || value > 65535) {
    throw base::EConvertError(u"'" + port + u"' is not a valid port number");
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace

THttpClient::THttpClient() = default;

THttpClient::~THttpClient() = default;

void THttpClient::Disconnect() { connection_.Close(); }

THttpClient::Request THttpClient::Prepare(const std::u16string& address) const {
  // "//host/path" names another host with the current scheme.
  const bool networkPath = address.size() >= 2 && address[0] == u'/' && address[1] == u'/';
  const std::u16string scheme = SameText(url_.protocol, u"https") ? u"https" : u"http";
  const TUri given = ParseUri(networkPath ? scheme + u":" + address : address);
  Request request;
  TUri& next = request.url;
  next = url_;
  if (!given.path.empty() && given.path.front() == u'/') {
    next.path = given.path;
  } else {
    next.path = ResolveDotSegments(url_.path + given.path);
  }
  next.document = given.document;
  next.params = given.params;
  if (next.document == u"." || next.document == u"..") {
    next.path = ResolveDotSegments(next.path + next.document + u"/");
    next.document.clear();
  }
  if (!given.host.empty()) {
    next.host = given.host;
    next.ipv6 = given.ipv6;
    next.username = given.username;
    next.password = given.password;
  }
  if (!given.protocol.empty()) {
    // Only HTTP is spoken: an address of another scheme must not be sent
    // an HTTP request at whatever port it names.
    if (!SameText(given.protocol, u"http") && !SameText(given.protocol, u"https")) {
      throw EUnknownProtocol(kUnknownProtocol);
    }
    next.protocol = given.protocol;
  } else {
    next.protocol = SameText(url_.protocol, u"https") ? u"https" : u"http";
  }
  if (!given.port.empty()) {
    next.port = given.port;
  } else if (SameText(given.protocol, u"http")) {
    next.port = u"80";
  } else if (SameText(given.protocol, u"https")) {
    next.port = u"443";
  } else if (next.port.empty()) {
    throw EUnknownProtocol(kUnknownProtocol);
  }

  request.port = PortNumber(next.port);
  request.host = ToWire(next.host);
  request.tls = SameText(next.protocol, u"https");
  std::u16string hostValue = next.ipv6 ? u"[" + next.host + u"]" : next.host;
  const bool defaultPort = (SameText(next.protocol, u"http") && request.port == 80) ||
                           (SameText(next.protocol, u"https") && request.port == 443);
  if (!defaultPort) hostValue += u":" + next.port;

  std::u16string target = next.path + next.document;
  if (!next.params.empty()) target += u"?" + next.params;
  std::string& bytes = request.bytes;
  bytes = "GET " + TargetToWire(target) + " HTTP/" + ToWire(ProtocolVersion) + "\r\n";
  bytes += "Host: " + ToWire(hostValue) + "\r\n";
  if (!Accept.empty()) bytes += "Accept: " + ToWire(Accept) + "\r\n";
  if (!UserAgent.empty()) bytes += "User-Agent: " + ToWire(UserAgent) + "\r\n";
  if (AllowCookies) {
    const std::u16string cookie = cookies_.CookieHeader(next.host, next.path + next.document, request.tls);
    if (!cookie.empty()) bytes += "Cookie: " + ToWire(cookie) + "\r\n";
  }
  bytes += "\r\n";
  return request;
}

void THttpClient::Connect(const Request& request) {
  if (connection_.Matches(request.host, request.port, request.tls) && connection_.IsOpen()) {
    connection_.DropBuffered();
    return;
  }
  connection_.Close();
  connection_.Open(request.host, request.port, request.tls, ConnectTimeout, ReadTimeout, TlsFactory,
                   RecvBufferSize > 0 ? static_cast<std::size_t>(RecvBufferSize) : 32768);
}

void THttpClient::StoreCookies(const THttpAnswer& answer) {
  if (!AllowCookies) return;
  for (const std::u16string& value : answer.setCookies) cookies_.Store(value, url_.host, url_.path);
}

THttpAnswer THttpClient::ReadHead() {
  THeadParser head(static_cast<std::size_t>(MaxLineLength > 0 ? MaxLineLength : 16384));
  int interim = 0;
  for (;;) {
    if (connection_.Size() == 0 && !connection_.Fill(ReadTimeout)) {
      if (!head.Finish()) throw EConnClosedGracefully(kConnClosedGracefully);
      // Closed among the header lines: the answer is what came.
      StoreCookies(head.Answer());
      return head.Answer();
    }
    std::size_t used = 0;
    const THeadParser::Status status = head.Feed(connection_.Data(), connection_.Size(), used);
    connection_.Consume(used);
    if (status == THeadParser::Status::TooLong) throw EMaxLineLengthExceeded(kMaxLineLengthExceeded);
    if (status == THeadParser::Status::TooLarge) throw EInvalidAnswer(kHeadTooLarge);
    if (status == THeadParser::Status::NotStatus) throw EInvalidAnswer(kInvalidStatusLine);
    if (status == THeadParser::Status::Done) {
      StoreCookies(head.Answer());
      const int code = head.Answer().statusCode;
      if (code >= 100 && code <= 199 && code != 101) {
        if (++interim > kMaxInterimAnswers) throw EInvalidAnswer(kTooManyInterimAnswers);
        head.ResetAfterInterim();
        continue;
      }
      return head.Answer();
    }
  }
}

bool THttpClient::BodyFollows(const THttpAnswer& answer) {
  const bool announced = answer.IsChunked() ? true : answer.HasLength() ? answer.contentLength > 0 : true;
  const int code = answer.statusCode;
  if ((code >= 100 && code <= 199) || code == 204 || code == 304) return false;
  // Redirects often come without any framing on a kept connection: only
  // bytes already there or arriving soon are taken as a body.
  if (code >= 300 && code <= 399) return announced && connection_.WaitData(5000);
  return announced;
}

void THttpClient::ReadBody(const THttpAnswer& answer, Sink sink, base::TStream* stream, std::string* scratch) {
  TBodyFraming framing = TBodyFraming::UntilClose;
  std::int64_t total = 0;
  std::string boundary;
  if (answer.IsChunked()) {
    framing = TBodyFraming::Chunked;
  } else if (answer.HasLength()) {
    if (answer.contentLength == 0) return;
    framing = TBodyFraming::Length;
    total = answer.contentLength;
  } else {
    boundary = answer.MultipartBoundary();
    if (!boundary.empty()) framing = TBodyFraming::Multipart;
  }
  const bool counted = !(sink == Sink::Discard && framing == TBodyFraming::UntilClose);
  if (sink == Sink::Stream && framing == TBodyFraming::Length) {
    // The final size at once: a disk without room fails before the body.
    const std::int64_t position = stream->Position();
    stream->SetSize(position + total);
    stream->Seek(position, base::SeekOrigin::Begin);
  }

  BeginWork(TWorkMode::wmRead, total);
  try {
    TBodyParser parser(framing, total, boundary, static_cast<std::size_t>(MaxLineLength > 0 ? MaxLineLength : 16384));
    bool closed = false;
    bool done = false;
    while (!done && !parser.IsDone()) {
      if (connection_.Size() == 0 && !closed && !connection_.Fill(ReadTimeout)) closed = true;
      const TBodyStep step = connection_.Size() == 0 && closed ? parser.Finish()
                                                               : parser.Next(connection_.Data(), connection_.Size());
      connection_.Consume(step.consumed);
      switch (step.kind) {
        case TBodyStep::Kind::Data:
          if (sink == Sink::Stream) {
            stream->WriteBuffer(step.data, step.size);
          } else if (sink == Sink::Scratch && scratch->size() < kScratchLimit) {
            scratch->append(step.data, std::min(step.size, kScratchLimit - scratch->size()));
          }
          if (counted && step.size > 0) DoWork(TWorkMode::wmRead, static_cast<std::int64_t>(step.size));
          break;
        case TBodyStep::Kind::Line:
          if (counted) DoWork(TWorkMode::wmRead, static_cast<std::int64_t>(step.size));
          break;
        case TBodyStep::Kind::NeedMore:
          break;
        case TBodyStep::Kind::Done:
          done = true;
          break;
        case TBodyStep::Kind::TooLong:
          throw EMaxLineLengthExceeded(kMaxLineLengthExceeded);
        case TBodyStep::Kind::CutShort:
          throw EConnClosedGracefully(kConnClosedGracefully);
        case TBodyStep::Kind::BadChunkSize:
          throw EInvalidAnswer(kInvalidChunkSize);
        case TBodyStep::Kind::TooLarge:
          throw EInvalidAnswer(kHeadTooLarge);
      }
    }
    // Bytes beyond an announced length that came with the body: the
    // length was wrong, and so may be the bytes kept.
    if (sink == Sink::Stream && framing == TBodyFraming::Length && connection_.HasBuffered()) {
      throw EInvalidAnswer(kLongerThanAnnounced);
    }
    for (const std::u16string& line : parser.TrailerLines()) response_.AddHeaderLine(line);
  } catch (...) {
    if (sink == Sink::Stream) {
      // What arrived stays; nothing beyond it pretends to be data.
      try {
        const std::int64_t position = stream->Position();
        if (stream->Size() > position) stream->SetSize(position);
      } catch (...) {
      }
    }
    try {
      EndWork(TWorkMode::wmRead);
    } catch (...) {
    }
    throw;
  }
  EndWork(TWorkMode::wmRead);
  if (sink == Sink::Stream) {
    const std::int64_t position = stream->Position();
    if (stream->Size() > position) stream->SetSize(position);
  }
}

void THttpClient::RaiseErrorStatus(const THttpAnswer& answer) {
  std::string scratch;
  if (BodyFollows(answer)) ReadBody(answer, Sink::Scratch, nullptr, &scratch);
  EndOfRequest(answer);
  throw EHttpProtocolError(answer.statusLine, answer.statusCode, sys::FromUtf8(scratch));
}

void THttpClient::EndOfRequest(const THttpAnswer& answer) {
  if (!connection_.IsOpen() || answer.WantsClose()) connection_.Close();
}

void THttpClient::Get(const std::u16string& AURL, base::TStream& AResponseContent) {
  const std::int64_t start = AResponseContent.Position();
  int redirects = 0;
  std::u16string address = AURL;
  for (;;) {
    const Request request = Prepare(address);
    url_ = request.url;
    try {
      for (int attempt = 0;; ++attempt) {
        const bool reused = connection_.Matches(request.host, request.port, request.tls) && connection_.IsOpen();
        Connect(request);
        try {
          connection_.Send(request.bytes);
          response_ = ReadHead();
          break;
        } catch (const EConnClosedGracefully&) {
          // A kept connection the server has let go meanwhile: once more on
          // a new one. Nothing of an answer had come.
          if (!reused || attempt > 0) throw;
        } catch (const ESocketError&) {
          if (!reused || attempt > 0) throw;
        }
        connection_.Close();
      }

      const THttpAnswer answer = response_;
      const int code = answer.statusCode;
      // A length that cannot be read leaves the body without an end the
      // client could find; on an open connection it would wait for ever.
      if (answer.contentLengthInvalid) throw EInvalidAnswer(kInvalidContentLength);
      if (code >= 300 && code <= 399 && code != 304 && !answer.location.empty()) {
        if (HandleRedirects && HasControlCharacters(answer.location)) throw EInvalidAnswer(kInvalidLocation);
        ++redirects;
        if (!HandleRedirects || redirects >= RedirectMaximum) RaiseErrorStatus(answer);
        if (BodyFollows(answer)) ReadBody(answer, Sink::Discard, nullptr, nullptr);
        AResponseContent.Seek(start, base::SeekOrigin::Begin);
        AResponseContent.SetSize(start);
        EndOfRequest(answer);
        address = answer.location;
        continue;
      }
      if (code >= 200 && code <= 299) {
        if (code != 204 && BodyFollows(answer)) ReadBody(answer, Sink::Stream, &AResponseContent, nullptr);
        EndOfRequest(response_);
        return;
      }
      if (code == 101) {
        // The connection now speaks another protocol: it is of no further use.
        connection_.Close();
        return;
      }
      RaiseErrorStatus(answer);
    } catch (const EHttpProtocolError&) {
      throw;  // the connection has been settled with the answer
    } catch (...) {
      connection_.Close();
      throw;
    }
  }
}

void THttpClient::BeginWork(TWorkMode mode, std::int64_t total) {
  Work& work = work_[static_cast<int>(mode)];
  if (++work.level == 1) {
    work.size = total;
    work.position = 0;
    if (OnWorkBegin) OnWorkBegin(this, mode, total);
  }
}

void THttpClient::DoWork(TWorkMode mode, std::int64_t count) {
  Work& work = work_[static_cast<int>(mode)];
  if (work.level < 1) return;
  work.position += count;
  if (OnWork) OnWork(this, mode, work.position);
}

void THttpClient::EndWork(TWorkMode mode) {
  Work& work = work_[static_cast<int>(mode)];
  const bool last = work.level == 1;
  if (work.level > 0) --work.level;
  if (last && OnWorkEnd) OnWorkEnd(this, mode);
}

}  // namespace net
