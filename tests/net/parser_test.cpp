// The answer reader and the address reader, without sockets: every input
// is fed whole and one byte at a time, since the network may cut it
// anywhere.
#include <gtest/gtest.h>

#include <optional>

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
      // "://" makes an address absolute only right after a scheme at its start.
      {u"data/2.txt?site=http://other/?a", "", "", "", "data/", "2.txt", "site=http://other/?a", "", ""},
      {u"/go?to=https://other/x", "", "", "", "/", "go", "to=https://other/x", "", ""},
      {u"1http://h/x", "", "", "", "1http://h/", "x", "", "", ""},
      {u"a b://h/x", "", "", "", "a b://h/", "x", "", "", ""},
      {u"svn+ssh.v-2://h/x", "svn+ssh.v-2", "h", "", "/", "x", "", "", ""},
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
  EXPECT_TRUE(answer.contentLengthInvalid);  // 12 and 99 cannot both be right
  EXPECT_EQ(answer.setCookies.size(), 2u);
  EXPECT_TRUE(answer.WantsClose());
  EXPECT_EQ(answer.MultipartBoundary(), "b 1");
  EXPECT_EQ(net::LineText("a\xC3\xA9"), u"a\uFFFD\uFFFD");
}

TEST(Answer, AContentLengthThatCannotFrameABodyIsMarked) {
  struct Case {
    std::vector<const char16_t*> lines;
    std::int64_t length;
    bool invalid;
  };
  const Case cases[] = {
      {{u"Content-Length:  0 "}, 0, false},
      {{u"Content-Length: 6"}, 6, false},
      {{u"Content-Length: 6", u"content-length: 6"}, 6, false},
      {{u"Content-Length: 6, 6"}, 6, false},
      {{u"Content-Length: -5"}, -1, true},
      {{u"Content-Length: -6"}, -1, true},
      {{u"Content-Length: 1x"}, -1, true},
      {{u"Content-Length: 6badness"}, -1, true},
      {{u"Content-Length: crap"}, -1, true},
      {{u"Content-Length: \r6"}, -1, true},
      {{u"Content-Length: "}, -1, true},
      {{u"Content-Length: 99999999999999999999"}, -1, true},
      {{u"Content-Length: 6", u"Content-Length: 7"}, 6, true},
      {{u"Content-Length: 6, 7"}, 6, true},
      {{u"Content-Length: 6,"}, -1, true},
      {{u"X-Length: crap"}, -1, false},
  };
  for (const Case& c : cases) {
    net::THttpAnswer answer;
    std::string trace;
    for (const char16_t* line : c.lines) {
      answer.AddHeaderLine(line);
      trace += U8(line) + " | ";
    }
    SCOPED_TRACE(trace);
    EXPECT_EQ(answer.contentLength, c.length);
    EXPECT_EQ(answer.contentLengthInvalid, c.invalid);
  }
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
    if (step.kind != TBodyStep::Kind::Data && step.kind != TBodyStep::Kind::Line &&
        step.kind != TBodyStep::Kind::NeedMore) {
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
      {"chunk size not hex loses the framing", TBodyFraming::Chunked, 0, "", "zz\r\n\r\nabc", false, "",
       Kind::BadChunkSize, ""},
      {"ILLEGAL as a chunk size", TBodyFraming::Chunked, 0, "", "2\r\nab\r\nILLEGAL\r\nxyz", false, "ab",
       Kind::BadChunkSize, ""},
      {"chunk size beyond 63 bits", TBodyFraming::Chunked, 0, "", "12345678123456789\r\nabc", false, "",
       Kind::BadChunkSize, ""},
      {"a plain body read as chunked", TBodyFraming::Chunked, 0, "", "PK\x03\x04 not chunked\r\nat all", true, "",
       Kind::BadChunkSize, ""},
      {"endless trailer", TBodyFraming::Chunked, 0, "", "0\r\n" + [] {
         std::string lines;
         for (std::size_t i = 0; i <= net::kMaxHeadLines; ++i) lines += "T: 1\r\n";
         return lines;
       }(), false, "", Kind::TooLarge, ""},
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
      // A refused body has no end: what follows is nobody's.
      if (c.end != Kind::BadChunkSize && c.end != Kind::TooLarge) {
        EXPECT_EQ(result.rest, c.rest);
      }
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

TEST(ParseChunkSize, ReadsHexadecimalUpTo63BitsAndNothingElse) {
  const std::pair<const char*, std::optional<std::uint64_t>> cases[] = {
      {"1a", 26},
      {" FF ", 255},
      {"10;name=v", 16},
      {"0", 0},
      {"000000000000000000001", 1},
      {"7fffffffffffffff", 0x7fffffffffffffffu},
      {"8000000000000000", std::nullopt},
      {"12345678123456789", std::nullopt},
      {"", std::nullopt},
      {";ext", std::nullopt},
      {"-1", std::nullopt},
      {"0x10", std::nullopt},
      {"zz", std::nullopt},
      {"ILLEGAL", std::nullopt},
      {"5 5", std::nullopt},
  };
  for (const auto& [line, value] : cases) EXPECT_EQ(net::ParseChunkSize(line), value) << line;
}

TEST(HeadParser, AfterAnInterimAnswerALineThatIsNoStatusLineFailsAtOnce) {
  const std::pair<const char*, bool> lines[] = {
      {"HTTP/1.1 200 OK\r\n", true}, {"HTTP/1.0 404\r\n", true},  {"garbage\r\n", false},
      {"HTTP/1.1 20 OK\r\n", false}, {"HTTP/x 200 OK\r\n", false}, {"http/1.1 200 OK\r\n", false},
  };
  for (const auto& [line, status] : lines) {
    net::THeadParser parser(100);
    parser.ResetAfterInterim();
    std::size_t taken = 0;
    // No blank line follows: the verdict must not wait for one.
    EXPECT_EQ(FeedHead(parser, line, 100, taken),
              status ? net::THeadParser::Status::NeedMore : net::THeadParser::Status::NotStatus)
        << line;
  }
}

TEST(HeadParser, EndlessHeaderLinesAreRefusedWithinBounds) {
  for (const std::string& line : {std::string("A: 1\r\n"), "X: " + std::string(16000, 'v') + "\r\n"}) {
    net::THeadParser parser(16384);
    std::size_t taken = 0;
    std::string head = "HTTP/1.1 200 OK\r\n";
    net::THeadParser::Status status = FeedHead(parser, head, head.size(), taken);
    for (int i = 0; i < 2000 && status == net::THeadParser::Status::NeedMore; ++i) {
      status = FeedHead(parser, line, line.size(), taken);
    }
    EXPECT_EQ(status, net::THeadParser::Status::TooLarge);
    EXPECT_LE(parser.Answer().headerLines.size(), net::kMaxHeadLines);
    // Refused for good: more input changes nothing.
    EXPECT_EQ(FeedHead(parser, "\r\n", 2, taken), net::THeadParser::Status::TooLarge);
  }
}

}  // namespace
