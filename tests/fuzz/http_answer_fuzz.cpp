// Fuzzes the HTTP answer reader: the head, then the body in the framing the
// head asks for, fed in pieces of a size the input picks. The same bytes fed
// whole must give the same body, and every byte the body takes must be
// either body data or a counted framing line. The Set-Cookie and Location
// values go through the cookie store and the address reader too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/answer_parser.h"
#include "net/cookie_store.h"
#include "net/uri.h"

namespace {

struct Result {
  bool headDone = false;
  std::string body;
  std::size_t counted = 0;
  std::size_t taken = 0;
  net::TBodyStep::Kind end = net::TBodyStep::Kind::NeedMore;
};

Result Read(const std::string& bytes, std::size_t piece) {
  Result result;
  net::THeadParser head(256);
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t used = 0;
    const auto status = head.Feed(bytes.data() + at, std::min(piece, bytes.size() - at), used);
    at += used;
    if (status == net::THeadParser::Status::TooLong) return result;
    if (status == net::THeadParser::Status::Done) {
      result.headDone = true;
      break;
    }
  }
  if (!result.headDone && !head.Finish()) return result;
  const net::THttpAnswer& answer = head.Answer();
  net::TBodyFraming framing = net::TBodyFraming::UntilClose;
  std::int64_t length = 0;
  if (answer.IsChunked()) {
    framing = net::TBodyFraming::Chunked;
  } else if (answer.HasLength()) {
    framing = net::TBodyFraming::Length;
    length = answer.contentLength;
    if (length == 0) return result;
  } else if (!answer.MultipartBoundary().empty()) {
    framing = net::TBodyFraming::Multipart;
  }
  net::TBodyParser body(framing, length, answer.MultipartBoundary(), 256);
  const std::size_t bodyStart = at;
  for (int guard = 0; guard < 1000000; ++guard) {
    if (body.IsDone()) {
      result.end = net::TBodyStep::Kind::Done;
      break;
    }
    const net::TBodyStep step =
        at == bytes.size() ? body.Finish() : body.Next(bytes.data() + at, std::min(piece, bytes.size() - at));
    if (step.consumed > bytes.size() - at) std::abort();
    at += step.consumed;
    if (step.kind == net::TBodyStep::Kind::Data) {
      result.body.append(step.data, step.size);
    } else if (step.kind == net::TBodyStep::Kind::Line) {
      result.counted += step.size;
    } else if (step.kind != net::TBodyStep::Kind::NeedMore) {
      result.end = step.kind;
      break;
    }
  }
  result.taken = at - bodyStart;
  if (framing == net::TBodyFraming::Length && result.body.size() > static_cast<std::uint64_t>(length)) std::abort();
  if (framing == net::TBodyFraming::Chunked && result.end == net::TBodyStep::Kind::Done &&
      result.body.size() + result.counted != result.taken) {
    std::abort();
  }
  net::TCookieStore cookies;
  for (const std::u16string& value : answer.setCookies) cookies.Store(value, u"example.com", u"/a/");
  (void)cookies.CookieHeader(u"www.example.com", u"/a/b", true);
  const net::TUri uri = net::ParseUri(answer.location);
  (void)net::ResolveDotSegments(u"/x/y/" + uri.path);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t piece = 1 + data[0] % 17;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const Result pieces = Read(bytes, piece);
  const Result whole = Read(bytes, bytes.size() + 1);
  if (pieces.headDone != whole.headDone || pieces.body != whole.body || pieces.end != whole.end ||
      pieces.counted != whole.counted) {
    std::abort();
  }
  return 0;
}
