// THttpClient against the scripted server on 127.0.0.1: the bytes of the
// requests, the decision on each answer, the body framings, the work
// events, cookies and the failures with their texts.
#include <gtest/gtest.h>

#include <functional>

#include "base/stream.h"
#include "net/http_client.h"
#include "script_server.h"
#include "sys/codepage.h"

namespace {

using nettest::Reply;
using nettest::ScriptServer;

const std::string kAccept = "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n";
const std::string kAgent = "User-Agent: Mozilla/3.0 (compatible; packstub)\r\n";

std::string FirstLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

// What one Get did: the stream's bytes after the start position, the
// failure (kind and text) and the work events as "B<total> W<count> E".
struct Outcome {
  std::string body;
  std::string error;
  std::string events;
  std::string before;  // the stream's bytes before the start position afterwards
};

void Record(net::THttpClient& client, std::string& events) {
  client.OnWorkBegin = [&events](net::THttpClient*, net::TWorkMode mode, std::int64_t total) {
    EXPECT_EQ(mode, net::TWorkMode::wmRead);
    events += "B" + std::to_string(total) + " ";
  };
  client.OnWork = [&events](net::THttpClient*, net::TWorkMode, std::int64_t count) {
    events += "W" + std::to_string(count) + " ";
  };
  client.OnWorkEnd = [&events](net::THttpClient*, net::TWorkMode) { events += "E "; };
}

// Gets url into a stream that already holds "PRE" with its position after
// it, so that a body must start at the position given, and an untouched
// stream shows.
Outcome Fetch(net::THttpClient& client, const std::string& url) {
  Outcome outcome;
  Record(client, outcome.events);
  base::TMemoryStream stream;
  stream.WriteBuffer("PRE", 3);
  try {
    client.Get(sys::FromUtf8(url), stream);
  } catch (const base::Exception& error) {
    outcome.error = sys::ToUtf8(error.Message());
  }
  outcome.before = stream.Data().substr(0, 3);
  outcome.body = stream.Data().substr(3);
  if (!outcome.events.empty()) outcome.events.pop_back();
  client.OnWorkBegin = nullptr;
  client.OnWork = nullptr;
  client.OnWorkEnd = nullptr;
  return outcome;
}

std::string Ok(const std::string& body, const std::string& extra = "") {
  return "HTTP/1.1 200 OK\r\n" + extra + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Redirect(const std::string& location, const std::string& extra = "") {
  return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\n" + extra + "Content-Length: 0\r\n\r\n";
}

struct ClientCase {
  const char* name;
  std::string path;  // after "http://127.0.0.1:PORT"
  std::vector<Reply> replies;
  std::string body;
  std::string error;
  std::vector<std::string> requestLines;
  std::string events = "*";       // "*": not looked at
  std::vector<int> connections{};  // empty: not looked at
  bool handleRedirects = true;
};

std::vector<ClientCase> Cases() {
  const std::string chunked =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n3\r\nabc\r\n5;x=1\r\ndefgh\r\n0\r\nX-T: 1\r\n\r\n";
  std::vector<ClientCase> cases = {
      {"query kept, fragment dropped", "/dir/f.zip?q=1&r#frag", {{Ok("hello")}}, "hello", "",
       {"GET /dir/f.zip?q=1&r HTTP/1.1"}, "B5 W5 E"},
      {"backslashes become slashes", "\\dir\\f.zip", {{Ok("x")}}, "x", "", {"GET /dir/f.zip HTTP/1.1"}},
      {"non-ASCII code units go as ?", "/\xE4\xB8\x8B\xE8\xBD\xBD/\xE5\x8C\x85.zip", {{Ok("x")}}, "x", "",
       {"GET /?" "?/?.zip HTTP/1.1"}},
      {"blanks and line ends cannot split the request", "/a b\r\nX: y", {{Ok("x")}}, "x", "",
       {"GET /a%20b%0D%0AX:%20y HTTP/1.1"}},
      {"nothing after the host asks for /", "", {{Ok("x")}}, "x", "", {"GET / HTTP/1.1"}},
      {"relative redirects on the same connection",
       "/a/x",
       {{Redirect("/next/b.zip")}, {Redirect("c.zip")}, {Redirect("../up/d.zip?k=v")}, {Ok("ok")}},
       "ok",
       "",
       {"GET /a/x HTTP/1.1", "GET /next/b.zip HTTP/1.1", "GET /next/c.zip HTTP/1.1", "GET /up/d.zip?k=v HTTP/1.1"},
       "B2 W2 E",
       {0, 0, 0, 0}},
      {"absolute redirect to the same server",
       "/a",
       {{Redirect("http://127.0.0.1:{port}/b")}, {Ok("ok")}},
       "ok",
       "",
       {"GET /a HTTP/1.1", "GET /b HTTP/1.1"},
       "*",
       {0, 0}},
      {"a network-path redirect keeps the scheme",
       "/a",
       {{Redirect("//localhost:{port}/n")}, {Ok("ok")}},
       "ok",
       "",
       {"GET /a HTTP/1.1", "GET /n HTTP/1.1"},
       "*",
       {0, 1}},
      {"a relative Location whose query holds :// stays on the server",
       "/pkg/a",
       {{Redirect("data/2.txt?site=http://other/?a")}, {Ok("ok")}},
       "ok",
       "",
       {"GET /pkg/a HTTP/1.1", "GET /pkg/data/2.txt?site=http://other/?a HTTP/1.1"},
       "*",
       {0, 0}},
      {"equal repeated Content-Length values are taken", "/a",
       {{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 2, 2\r\n\r\nok"}}, "ok", "",
       {"GET /a HTTP/1.1"}, "B2 W2 E"},
      {"a redirect's body is read and thrown away",
       "/a",
       {{"HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 4\r\n\r\nmove"}, {Ok("end")}},
       "end",
       "",
       {"GET /a HTTP/1.1", "GET /b HTTP/1.1"},
       "B4 W4 E B3 W3 E"},
      {"redirect without HandleRedirects is an error status", "/a", {{Redirect("/b")}}, "",
       "HTTP/1.1 302 Found", {"GET /a HTTP/1.1"}, "", {}, false},
      {"redirect without Location is an error status", "/a", {{"HTTP/1.1 301 Moved\r\nContent-Length: 0\r\n\r\n"}},
       "", "HTTP/1.1 301 Moved", {"GET /a HTTP/1.1"}},
      {"304 is an error status", "/a", {{"HTTP/1.1 304 Not Modified\r\n\r\n"}}, "", "HTTP/1.1 304 Not Modified",
       {"GET /a HTTP/1.1"}, ""},
      {"404 reads its body aside and leaves the stream alone",
       "/missing.zip",
       {{"HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\n<p>no</p>"}},
       "",
       "HTTP/1.1 404 Not Found",
       {"GET /missing.zip HTTP/1.1"},
       "B9 W9 E"},
      {"401 naming NTLM is an error status like any other",
       "/a",
       {{"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: NTLM\r\nContent-Length: 6\r\n\r\ndenied"}},
       "",
       "HTTP/1.1 401 Unauthorized",
       {"GET /a HTTP/1.1"}},
      {"chunked counts every line and its line end", "/c", {{chunked}}, "abcdefgh", "", {"GET /c HTTP/1.1"},
       "B0 W3 W6 W8 W15 W20 W22 W25 W33 W35 E"},
      {"chunked body cut short", "/c", {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab", true}}, "ab",
       "Connection Closed Gracefully.", {"GET /c HTTP/1.1"}},
      {"length 0 reads nothing and reports nothing", "/z", {{Ok("")}}, "", "", {"GET /z HTTP/1.1"}, ""},
      {"204 has no body", "/z", {{"HTTP/1.1 204 No Content\r\n\r\n"}}, "", "", {"GET /z HTTP/1.1"}, ""},
      {"closed before the announced length is a failure",
       "/half",
       {{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", true}},
       "hello",
       "Connection Closed Gracefully.",
       {"GET /half HTTP/1.1"},
       "B10 W5 E"},
      {"no length: until the server closes", "/u", {{"HTTP/1.1 200 OK\r\n\r\nabc", true}}, "abc", "",
       {"GET /u HTTP/1.1"}, "B0 W3 E"},
      {"100 Continue is skipped", "/a",
       {{"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}}, "ok", "",
       {"GET /a HTTP/1.1"}},
      {"closed before the status line", "/a", {{"", true}}, "", "Connection Closed Gracefully.", {"GET /a HTTP/1.1"}},
      {"closed among the header lines ends the head", "/a", {{"HTTP/1.1 200 OK\r\nX: 1\r\nHalf", true}}, "", "",
       {"GET /a HTTP/1.1"}},
      {"header line of 16384 characters", "/a", {{Ok("ok", "X: " + std::string(16381, 'v') + "\r\n")}}, "ok", "",
       {"GET /a HTTP/1.1"}},
      {"header line of 16385 characters", "/a", {{Ok("ok", "X: " + std::string(16382, 'v') + "\r\n")}}, "",
       "Max line length exceeded.", {"GET /a HTTP/1.1"}},
  };
  // A chain of n redirects, then the package.
  for (int n : {14, 15}) {
    ClientCase chain{n == 14 ? "14 redirects are followed" : "the 15th redirect fails", "/r0", {}, "", "", {}};
    for (int i = 0; i < n; ++i) {
      chain.replies.push_back({Redirect("/r" + std::to_string(i + 1))});
      chain.requestLines.push_back("GET /r" + std::to_string(i) + " HTTP/1.1");
    }
    if (n == 14) {
      chain.replies.push_back({Ok("package")});
      chain.requestLines.push_back("GET /r14 HTTP/1.1");
      chain.body = "package";
    } else {
      chain.error = "HTTP/1.1 302 Found";
    }
    cases.push_back(chain);
  }
  return cases;
}

TEST(HttpClient, AnswersAreDecidedAndFramedAsTheyCome) {
  for (const ClientCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    ScriptServer server(c.replies);
    Outcome outcome;
    {
      net::THttpClient client;
      client.HandleRedirects = c.handleRedirects;
      outcome = Fetch(client, server.Base() + c.path);
    }
    server.Wait();
    EXPECT_EQ(outcome.error, c.error);
    EXPECT_EQ(outcome.body, c.body);
    EXPECT_EQ(outcome.before, "PRE");
    if (c.events != "*") {
      EXPECT_EQ(outcome.events, c.events);
    }
    std::vector<std::string> lines;
    for (const std::string& request : server.requests) lines.push_back(FirstLine(request));
    EXPECT_EQ(lines, c.requestLines);
    if (!c.connections.empty()) {
      EXPECT_EQ(server.connections, c.connections);
    }
  }
}

TEST(HttpClient, SendsExactlyTheRequestHead) {
  ScriptServer server({{Ok("x")}});
  {
    net::THttpClient client;
    EXPECT_EQ(Fetch(client, server.Base() + "/p/f.zip?a=1").error, "");
  }
  server.Wait();
  ASSERT_EQ(server.requests.size(), 1u);
  EXPECT_EQ(server.requests[0], "GET /p/f.zip?a=1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                                    "\r\n" + kAccept + kAgent + "\r\n");
}

TEST(HttpClient, HostNamesThePortOnlyWhenItIsNotTheSchemesOwn) {
  const std::pair<const char16_t*, const char*> cases[] = {
      {u"http://h:80/x", "Host: h\r\n"},           {u"http://h/x", "Host: h\r\n"},
      {u"http://h:8080/x", "Host: h:8080\r\n"},    {u"https://h:443/x", "Host: h\r\n"},
      {u"https://h/x", "Host: h\r\n"},             {u"https://h:80/x", "Host: h:80\r\n"},
      {u"HTTP://h:81/x", "Host: h:81\r\n"},        {u"http://[::1]:81/", "Host: [::1]:81\r\n"},
      {u"http://user:pw@h/x", "Host: h\r\n"},
  };
  for (const auto& [url, host] : cases) {
    net::THttpClient client;
    const std::string bytes = client.RequestBytes(url);
    EXPECT_NE(bytes.find(std::string("\r\n") + host), std::string::npos) << bytes;
  }
}

TEST(HttpClient, AnAddressWithoutPortFailsAsUnknownProtocol) {
  for (const char16_t* url : {u"", u"foo/bar.zip", u"ftp://h/x", u"www.example.com/x"}) {
    net::THttpClient client;
    base::TMemoryStream stream;
    try {
      client.Get(url, stream);
      ADD_FAILURE() << "no failure for " << sys::ToUtf8(url);
    } catch (const net::EUnknownProtocol& error) {
      EXPECT_EQ(error.Message(), u"Unknown Protocol");
    }
  }
  net::THttpClient client;
  EXPECT_THROW(client.RequestBytes(u"http://h:99999/"), base::EConvertError);
}

// A port beyond 65535, of any length, is refused with the text that names it.
TEST(HttpClient, RefusesPortsThatAreNoPortNumbers) {
  const std::u16string ports[] = {u"99999", u"65536", u"0", u"8a", u"803333333333333333333333333333333380",
                                  u"-1"};
  for (const std::u16string& port : ports) {
    net::THttpClient client;
    try {
      client.RequestBytes(u"http://h:" + port + u"/");
      ADD_FAILURE() << "no failure for " << sys::ToUtf8(port);
    } catch (const base::EConvertError& error) {
      EXPECT_EQ(error.Message(), u"'" + port + u"' is not a valid port number");
    }
  }
  net::THttpClient client;
  EXPECT_NE(client.RequestBytes(u"http://h:65535/").find("Host: h:65535\r\n"), std::string::npos);
}

TEST(HttpClient, ARefusedConnectionSaysSoWithTheWinsockNumber) {
  net::THttpClient client;
  const Outcome outcome = Fetch(client, "http://127.0.0.1:" + std::to_string(nettest::UnusedPort()) + "/x");
  EXPECT_EQ(outcome.error, "Socket Error # 10061\r\nConnection refused.");
}

TEST(HttpClient, ARedirectToAnotherHostClosesTheFirstConnection) {
  ScriptServer second({{Ok("there")}});
  ScriptServer first({{Redirect("http://localhost:" + std::to_string(second.Port()) + "/b.zip")}});
  Outcome outcome;
  {
    net::THttpClient client;
    client.HandleRedirects = true;
    outcome = Fetch(client, first.Base() + "/a.zip");
    // The first server's script ends only when its connection is closed.
    first.Wait();
  }
  second.Wait();
  EXPECT_EQ(outcome.error, "");
  EXPECT_EQ(outcome.body, "there");
  ASSERT_EQ(second.requests.size(), 1u);
  EXPECT_EQ(second.requests[0], "GET /b.zip HTTP/1.1\r\nHost: localhost:" + std::to_string(second.Port()) + "\r\n" +
                                    kAccept + kAgent + "\r\n");
}

TEST(HttpClient, CookiesSetByARedirectComeBackWithTheNextRequest) {
  ScriptServer server({
      {Redirect("/b", "Set-Cookie: s=1; Path=/\r\nSet-Cookie: t=2\r\nSet-Cookie: sec=3; Secure\r\n")},
      {Ok("ok", "Set-Cookie: u=4; Path=/\r\n")},
      {Ok("again")},
  });
  {
    net::THttpClient client;
    client.HandleRedirects = true;
    EXPECT_EQ(Fetch(client, server.Base() + "/a").body, "ok");
    EXPECT_EQ(Fetch(client, server.Base() + "/x/y").body, "again");
  }
  server.Wait();
  ASSERT_EQ(server.requests.size(), 3u);
  EXPECT_EQ(server.requests[0].find("Cookie:"), std::string::npos);
  EXPECT_NE(server.requests[1].find(kAgent + "Cookie: s=1; t=2\r\n\r\n"), std::string::npos) << server.requests[1];
  EXPECT_NE(server.requests[2].find(kAgent + "Cookie: s=1; t=2; u=4\r\n\r\n"), std::string::npos)
      << server.requests[2];
}

TEST(HttpClient, KeepsTheConnectionUnlessTheAnswerSaysClose) {
  ScriptServer server({{Ok("1")}, {Ok("2", "Connection: close\r\n"), true}, {Ok("3")}});
  {
    net::THttpClient client;
    EXPECT_EQ(Fetch(client, server.Base() + "/1").body, "1");
    EXPECT_EQ(Fetch(client, server.Base() + "/2").body, "2");
    EXPECT_EQ(Fetch(client, server.Base() + "/3").body, "3");
  }
  server.Wait();
  EXPECT_EQ(server.connections, (std::vector<int>{0, 0, 1}));
}

TEST(HttpClient, AKeptConnectionTheServerDroppedIsReplacedOnce) {
  ScriptServer server({{Ok("1"), true}, {Ok("2")}});
  {
    net::THttpClient client;
    EXPECT_EQ(Fetch(client, server.Base() + "/1").body, "1");
    EXPECT_EQ(Fetch(client, server.Base() + "/2").body, "2");
  }
  server.Wait();
  EXPECT_EQ(server.connections, (std::vector<int>{0, 1}));
}

TEST(HttpClient, AMultipartBodyEndsAtItsClosingBoundary) {
  // The server keeps the connection for the second request: a client that
  // read the first body until the close would wait for ever.
  ScriptServer server({
      {"HTTP/1.1 200 OK\r\nContent-Type: multipart/byteranges; boundary=XyZ\r\n\r\n"
       "--XyZ\r\nContent-Type: text/plain\r\n\r\npart\r\n--XyZ-- trailing words\r\n"},
      {Ok("next")},
  });
  Outcome first;
  {
    net::THttpClient client;
    first = Fetch(client, server.Base() + "/m");
    EXPECT_EQ(Fetch(client, server.Base() + "/n").body, "next");
  }
  server.Wait();
  EXPECT_EQ(first.error, "");
  EXPECT_EQ(first.body, "--XyZ\r\nContent-Type: text/plain\r\n\r\npart\r\n--XyZ--");
  EXPECT_EQ(first.events.substr(0, 3), "B0 ");
  EXPECT_EQ(server.connections, (std::vector<int>{0, 0}));
}

// A stream that logs its size changes and can refuse writes.
class LoggingStream : public base::TMemoryStream {
 public:
  std::vector<std::string> log;
  bool refuseWrites = false;
  std::size_t Write(const void* buffer, std::size_t count) override {
    log.push_back("write " + std::to_string(count));
    return refuseWrites ? count / 2 : TMemoryStream::Write(buffer, count);
  }
  void SetSize(std::int64_t size) override {
    log.push_back("size " + std::to_string(size));
    TMemoryStream::SetSize(size);
  }
};

TEST(HttpClient, AStreamGetsItsFinalSizeBeforeTheFirstByte) {
  const std::string body(100000, 'z');
  ScriptServer server({{Ok(body)}, {Ok("abc")}});
  net::THttpClient client;
  LoggingStream stream;
  stream.WriteBuffer("12", 2);
  stream.log.clear();
  client.Get(sys::FromUtf8(server.Base() + "/big"), stream);
  ASSERT_FALSE(stream.log.empty());
  EXPECT_EQ(stream.log.front(), "size 100002");
  EXPECT_EQ(stream.Data(), "12" + body);
  for (std::size_t i = 1; i < stream.log.size(); ++i) EXPECT_EQ(stream.log[i].substr(0, 6), "write ");

  stream.refuseWrites = true;
  stream.SetPosition(0);
  try {
    client.Get(sys::FromUtf8(server.Base() + "/refused"), stream);
    ADD_FAILURE() << "a refused write went unnoticed";
  } catch (const base::EWriteError& error) {
    EXPECT_EQ(error.Message(), u"Stream write error");
  }
}

TEST(HttpClient, AnEventHandlersErrorLeavesGet) {
  ScriptServer server({{Ok("abc")}});
  net::THttpClient client;
  client.OnWork = [](net::THttpClient*, net::TWorkMode, std::int64_t) { throw base::EInvalidOperation(u"stop"); };
  base::TMemoryStream stream;
  EXPECT_THROW(client.Get(sys::FromUtf8(server.Base() + "/a"), stream), base::EInvalidOperation);
}

TEST(HttpClient, AReadTimeoutEndsTheWait) {
  ScriptServer server({{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"}});
  net::THttpClient client;
  client.ReadTimeout = 200;
  const Outcome outcome = Fetch(client, server.Base() + "/slow");
  EXPECT_EQ(outcome.error, "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_EQ(outcome.body, "abc");
}

TEST(HttpClient, AnErrorStatusCarriesItsCodeAndBody) {
  ScriptServer server({{"HTTP/1.1 503 Busy\r\nContent-Length: 4\r\n\r\nlater"}});
  net::THttpClient client;
  base::TMemoryStream stream;
  try {
    client.Get(sys::FromUtf8(server.Base() + "/a"), stream);
    ADD_FAILURE() << "no failure";
  } catch (const net::EHttpProtocolError& error) {
    EXPECT_EQ(error.Message(), u"HTTP/1.1 503 Busy");
    EXPECT_EQ(error.ErrorCode(), 503);
    EXPECT_EQ(error.ErrorMessage(), u"late");
  }
  EXPECT_EQ(stream.Size(), 0);
}

}  // namespace
