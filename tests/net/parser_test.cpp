// The answer reader and the address reader, without sockets: every input
// is fed whole and one byte at a time, since the network may cut it
// anywhere.
#include <gtest/gtest.h>

#include "net/answer_parser.h"
#include "net/uri.h"
#include "sys/codepage.h"

namespace {

using net::TBodyFraming;
using net::TBodyParser;
using net::TBodyStep;

std::string U8(const std::u16string& text) { return sys::ToUtf8(text); }

struct UriCase {
  const char16_t* text;
  const char* protocol;
  const char* host;
  const char* port;
  const char* path;
  const char* document;
  const char* params;
  const char* user;
  const char* password;
};

TEST(ParseUri, SplitsAddressesIntoTheirParts) {
  const UriCase cases[] = {
      {u"http://h/a/b/c.zip", "http", "h", "", "/a/b/", "c.zip", "", "", ""},
      {u"http://h", "http", "h", "", "/", "", "", "", ""},
      {u"http://h:8080/x?q=1&r=2#frag", "http", "h", "8080", "/", "x", "q=1&r=2", "", ""},
      {u"http://h/x#frag?not", "http", "h", "", "/", "x", "", "", ""},
      {u"https://u:p@w@h/d/", "https", "h", "", "/d/", "", "", "u", "p@w"},
      {u"http://[::1]:81/v", "http", "::1", "81", "/", "v", "", "", ""},
      {u"http://h\\dir\\f.zip?a\\b", "http", "h", "", "/dir/", "f.zip", "a\\b", "", ""},
      {u"file.zip", "", "", "", "", "file.zip", "", "", ""},
      {u"../up/f.zip?x", "", "", "", "../up/", "f.zip", "x", "", ""},
      {u"/abs/f", "", "", "", "/abs/", "f", "", "", ""},
      {u"", "", "", "", "", "", "", "", ""},
  };
  for (const UriCase& c : cases) {
    SCOPED_TRACE(U8(c.text));
    const net::TUri uri = net::ParseUri(c.text);
    EXPECT_EQ(U8(uri.protocol), c.protocol);
    EXPECT_EQ(U8(uri.host), c.host);
    EXPECT_EQ(U8(uri.port), c.port);
    EXPECT_EQ(U8(uri.path), c.path);
    EXPECT_EQ(U8(uri.document), c.document);
    EXPECT_EQ(U8(uri.params), c.params);
    EXPECT_EQ(U8(uri.username), c.user);
    EXPECT_EQ(U8(uri.password), c.password);
  }
}

TEST(ResolveDotSegments, ClimbsButNeverAboveTheRoot) {
  const std::pair<const char16_t*, const char*> cases[] = {
      {u"/a/b/../c/", "/a/c/"}, {u"/a/./b/", "/a/b/"}, {u"/../../x/", "/x/"},
      {u"/a/b/..", "/a/"},      {u"/", "/"},           {u"/a//b/", "/a//b/"},
  };
  for (const auto& [path, expected] : cases) EXPECT_EQ(U8(net::ResolveDotSegments(path)), expected) << U8(path);
}

TEST(Answer, ReadsTheStatusCodeAndTheFirstOfEachHeader) {
  const std::pair<const char16_t*, int> codes[] = {
      {u"HTTP/1.1 404 Not Found", 404}, {u"HTTP/1.0 200", 200}, {u"HTTP/1.1 301.5 x", 301},
      {u"HTTP/1.1 abc", -1},            {u"garbage", -1},       {u"HTTP/1.1  200 OK", -1},
  };
  for (const auto& [line, code] : codes) {
    net::THttpAnswer answer;
    answer.SetStatusLine(line);
    EXPECT_EQ(answer.statusCode, code) << U8(line);
  }
  net::THttpAnswer answer;
  answer.AddHeaderLine(u"content-length: 12");
  answer.AddHeaderLine(u"Content-Length: 99");
  answer.AddHeaderLine(u"Set-Cookie: a=1");
  answer.AddHeaderLine(u"SET-COOKIE: b=2");
  answer.AddHeaderLine(u"Connection: keep-alive, Close");
  answer.AddHeaderLine(u"Content-Type: multipart/mixed; charset=x; boundary=\"b 1\"");
  EXPECT_EQ(answer.contentLength, 12);
  EXPECT_EQ(answer.setCookies.size(), 2u);
  EXPECT_TRUE(answer.WantsClose());
  EXPECT_EQ(answer.MultipartBoundary(), "b 1");
  const std::pair<const char16_t*, std::int64_t> lengths[] = {
      {u"Content-Length: -5", -1}, {u"Content-Length: 1x", -1}, {u"Content-Length: 99999999999999999999", -1},
      {u"Content-Length:  0 ", 0}};
  for (const auto& [line, length] : lengths) {
    net::THttpAnswer one;
    one.AddHeaderLine(line);
    EXPECT_EQ(one.contentLength, length) << U8(line);
  }
  EXPECT_EQ(net::LineText("a\xC3\xA9"), u"a\uFFFD\uFFFD");
}

// Feeds a head in pieces of the given size; returns the status at the end
// and how many bytes the head took.
net::THeadParser::Status FeedHead(net::THeadParser& head, const std::string& bytes, std::size_t piece,
                                  std::size_t& taken) {
  taken = 0;
  net::THeadParser::Status status = net::THeadParser::Status::NeedMore;
  while (taken < bytes.size()) {
    const std::size_t n = std::min(piece, bytes.size() - taken);
    std::size_t used = 0;
    status = head.Feed(bytes.data() + taken, n, used);
    taken += used;
    if (status != net::THeadParser::Status::NeedMore) break;
  }
  return status;
}

TEST(HeadParser, StopsRightAfterTheHeadWhateverThePieces) {
  const std::string head = "\r\nHTTP/1.1 200 OK\r\nA: 1\nB:2\r\n\r\nBODY";
  for (std::size_t piece : {std::size_t{1}, std::size_t{3}, head.size()}) {
    net::THeadParser parser(16384);
    std::size_t taken = 0;
    EXPECT_EQ(FeedHead(parser, head, piece, taken), net::THeadParser::Status::Done);
    EXPECT_EQ(head.substr(taken), "BODY");
    EXPECT_EQ(U8(parser.Answer().statusLine), "HTTP/1.1 200 OK");
    ASSERT_EQ(parser.Answer().headerLines.size(), 2u);
    EXPECT_EQ(U8(parser.Answer().Header(u"b")), "2");
  }
}

TEST(HeadParser, RefusesALineOneCharacterTooLong) {
  for (std::size_t length : {std::size_t{16384}, std::size_t{16385}}) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{16385}, std::size_t{100000}}) {
      net::THeadParser parser(16384);
      const std::string head = "HTTP/1.1 200 OK\r\nX: " + std::string(length - 3, 'a') + "\r\n\r\n";
      std::size_t taken = 0;
      const auto status = FeedHead(parser, head, piece, taken);
      EXPECT_EQ(status, length == 16384 ? net::THeadParser::Status::Done : net::THeadParser::Status::TooLong)
          << length << " in pieces of " << piece;
    }
  }
}

TEST(HeadParser, EndsAtACloseOnlyAfterTheStatusLine) {
  net::THeadParser parser(100);
  std::size_t taken = 0;
  FeedHead(parser, "HTTP/1.1 2", 100, taken);
  EXPECT_FALSE(parser.Finish());
  parser.Reset();
  FeedHead(parser, "HTTP/1.1 200 OK\r\nA: 1\r\nB: part", 100, taken);
  EXPECT_TRUE(parser.Finish());
  EXPECT_EQ(parser.Answer().headerLines.size(), 1u);
}

struct BodyResult {
  std::string data;
  std::vector<std::size_t> lines;  // byte counts of framing lines
  TBodyStep::Kind end = TBodyStep::Kind::NeedMore;
  std::string rest;                // input after the body
};

BodyResult FeedBody(TBodyParser parser, const std::string& bytes, std::size_t piece, bool closeAtEnd) {
  BodyResult result;
  std::size_t at = 0;
  for (;;) {
    TBodyStep step;
    if (parser.IsDone()) {
      result.end = TBodyStep::Kind::Done;
      break;
    }
    if (at == bytes.size()) {
      if (!closeAtEnd) break;
      step = parser.Finish();
    } else {
      const std::size_t n = std::min(piece, bytes.size() - at);
      step = parser.Next(bytes.data() + at, n);
    }
    at += step.consumed;
    if (step.kind == TBodyStep::Kind::Data) result.data.append(step.data, step.size);
    if (step.kind == TBodyStep::Kind::Line) result.lines.push_back(step.size);
    if (step.kind == TBodyStep::Kind::Done || step.kind == TBodyStep::Kind::TooLong ||
        step.kind == TBodyStep::Kind::CutShort) {
      result.end = step.kind;
      break;
    }
  }
  result.rest = bytes.substr(at);
  return result;
}

struct BodyCase {
  const char* name;
  TBodyFraming framing;
  std::int64_t length;
  const char* boundary;
  std::string wire;
  bool close;
  std::string data;
  TBodyStep::Kind end;
  std::string rest;
};

TEST(BodyParser, FramesEveryKindOfBodyInAnyPieces) {
  using Kind = TBodyStep::Kind;
  const BodyCase cases[] = {
      {"length", TBodyFraming::Length, 5, "", "helloNEXT", false, "hello", Kind::Done, "NEXT"},
      {"length cut short", TBodyFraming::Length, 10, "", "hel", true, "hel", Kind::CutShort, ""},
      {"chunked", TBodyFraming::Chunked, 0, "", "3\r\nabc\r\n5 ; ext=1\r\ndefgh\r\n0\r\nT: 1\r\n\r\nNEXT", false,
       "abcdefgh", Kind::Done, "NEXT"},
      {"chunked upper hex", TBodyFraming::Chunked, 0, "", "A\r\n0123456789\r\n0\r\n\r\n", false, "0123456789",
       Kind::Done, ""},
      {"chunk size not hex ends the body", TBodyFraming::Chunked, 0, "", "zz\r\n\r\nabc", false, "", Kind::Done,
       "abc"},
      {"chunked cut inside", TBodyFraming::Chunked, 0, "", "5\r\nab", true, "ab", Kind::CutShort, ""},
      {"chunked closed in the trailer", TBodyFraming::Chunked, 0, "", "1\r\nx\r\n0\r\nT: 1\r\n", true, "x",
       Kind::Done, ""},
      {"multipart", TBodyFraming::Multipart, 0, "XyZ", "--XyZ\r\na\r\n--XyZx\r\n--XyZ--tail\r\nNEXT", false,
       "--XyZ\r\na\r\n--XyZx\r\n--XyZ--", Kind::Done, "NEXT"},
      {"multipart marker not at a line start", TBodyFraming::Multipart, 0, "b", "x--b--\r\n--b-", true,
       "x--b--\r\n--b-", Kind::Done, ""},
      {"until close", TBodyFraming::UntilClose, 0, "", "all of it", true, "all of it", Kind::Done, ""},
  };
  for (const BodyCase& c : cases) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, c.wire.size()}) {
      SCOPED_TRACE(std::string(c.name) + " in pieces of " + std::to_string(piece));
      const BodyResult result = FeedBody(TBodyParser(c.framing, c.length, c.boundary, 64), c.wire, piece, c.close);
      EXPECT_EQ(result.data, c.data);
      EXPECT_EQ(result.end, c.end);
      EXPECT_EQ(result.rest, c.rest);
    }
  }
}

TEST(BodyParser, CountsEveryChunkedFramingLineWithItsLineEnd) {
  const std::string wire = "3\r\nabc\r\n0\r\nT: 1\r\n\r\n";
  for (std::size_t piece : {std::size_t{1}, wire.size()}) {
    const BodyResult result = FeedBody(TBodyParser(TBodyFraming::Chunked, 0, "", 64), wire, piece, false);
    EXPECT_EQ(result.lines, (std::vector<std::size_t>{3, 2, 3, 6, 2}));
    std::size_t total = result.data.size();
    for (std::size_t n : result.lines) total += n;
    EXPECT_EQ(total, wire.size());
  }
  // Closed inside a trailer line: the data is whole, and the bytes of the
  // unfinished line still count.
  const std::string cut = "1\r\nx\r\n0\r\nT: par";
  const BodyResult closed = FeedBody(TBodyParser(TBodyFraming::Chunked, 0, "", 64), cut, 3, true);
  EXPECT_EQ(closed.end, TBodyStep::Kind::Done);
  EXPECT_EQ(closed.lines, (std::vector<std::size_t>{3, 2, 3, 6}));
  TBodyParser parser(TBodyFraming::Chunked, 0, "", 8);
  const BodyResult tooLong = FeedBody(std::move(parser), "123456789\r\n", 1, false);
  EXPECT_EQ(tooLong.end, TBodyStep::Kind::TooLong);
}

TEST(ParseChunkSize, ReadsHexadecimalAndTakesAnythingElseAsZero) {
  const std::pair<const char*, std::uint64_t> cases[] = {
      {"1a", 26}, {" FF ", 255}, {"10;name=v", 16}, {"", 0}, {"-1", 0}, {"0x10", 0}, {"1234567890abcdef0", 0},
  };
  for (const auto& [line, value] : cases) EXPECT_EQ(net::ParseChunkSize(line), value) << line;
}

}  // namespace
