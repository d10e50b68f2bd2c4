// Servers that misbehave.
#include "hostile_servers.h"

#include <cctype>

#include "test_certificates.h"

namespace nettest {
namespace {

const char kChunked[] = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

std::string WithLength(const std::string& lengthLines, const std::string& body = "abcdef") {
  return "HTTP/1.1 200 OK\r\n" + lengthLines + "\r\n" + body;
}

}  // namespace

std::vector<HostileServer> HostileServers() {
  const std::string badLength = "Invalid Content-Length.";
  const std::string badChunk = "Invalid chunk size.";
  std::vector<HostileServer> rows = {
      {"an endless header line", {{"HTTP/1.1 200 OK\r\nX-Filler: ", false, std::string(4096, 'v')}},
       "Max line length exceeded.", false, HostileTls::None, 0, true},
      {"endless header lines", {{"HTTP/1.1 200 OK\r\n", false, "X-Filler: 0123456789\r\n"}}, "Too many header lines.",
       false, HostileTls::None, 0, true},
      {"a chunk size beyond 64 bits", {{std::string(kChunked) + "123456781234567891\r\nabc"}}, badChunk},
      {"a chunk size that fits 64 bits but not 63", {{std::string(kChunked) + "8000000000000000\r\nabc"}}, badChunk},
      {"a chunk size that is not hexadecimal", {{std::string(kChunked) + "5\r\nabcde\r\nILLEGAL\r\nxyz"}}, badChunk},
      {"chunked, identity over a plain body",
       {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, identity\r\n\r\nPK\x03\x04 plain\r\nbytes"}}, badChunk},
      {"gzip, chunked over a plain body",
       {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\nzz top\r\nbytes"}}, badChunk},
      {"a negative Content-Length", {{WithLength("Content-Length: -6\r\n")}}, badLength},
      {"a non-numeric Content-Length", {{WithLength("Content-Length: crap\r\n")}}, badLength},
      {"a Content-Length with trailing letters", {{WithLength("Content-Length: 6badness\r\n")}}, badLength},
      {"a CR before the Content-Length digits", {{WithLength("Content-Length:\r6\r\n")}}, badLength},
      {"two different Content-Length headers", {{WithLength("Content-Length: 6\r\nContent-Length: 7\r\n")}},
       badLength},
      {"a Content-Length list with different values", {{WithLength("Content-Length: 6, 7\r\n")}}, badLength},
      // The file cannot be given this size: the system says why.
      {"a Content-Length far beyond the disk", {{WithLength("Content-Length: 9000000000000000000\r\n")}}, ""},
      {"endless 1xx answers", {{"", false, "HTTP/1.1 100 Continue\r\n\r\n"}}, "Too many interim answers.", false,
       HostileTls::None, 0, true},
      {"a 1xx answer followed by no status line", {{"HTTP/1.1 100 Continue\r\n\r\nPK\x03\x04 data\r\n"}},
       "Invalid status line."},
      {"a redirect to an unknown scheme",
       {{"HTTP/1.1 302 Found\r\nLocation: ftp://127.0.0.1:{port}/demo.zip\r\nContent-Length: 0\r\n\r\n"}},
       "Unknown Protocol"},
      {"a Location with control characters",
       {{"HTTP/1.1 302 Found\r\nLocation: /pkg/\x01\x7f" "demo.zip\r\nContent-Length: 0\r\n\r\n"}},
       "Invalid redirect address."},
      {"a body larger than announced", {{WithLength("Content-Length: 3\r\n", "abcdef")}}, "More data than announced."},
      {"a server that never answers", {{""}}, "Socket Error # 10060\r\nConnection timed out.", false,
       HostileTls::None, 300},
      {"a server that stops in the middle of the body", {{WithLength("Content-Length: 100\r\n", "abc")}},
       "Socket Error # 10060\r\nConnection timed out.", false, HostileTls::None, 300},
      {"a TLS server offering only TLS 1.0", {{WithLength("Content-Length: 6\r\n")}},
       "TLS handshake with localhost failed: ", true, HostileTls::Tls10Only},
      {"an expired certificate", {{WithLength("Content-Length: 6\r\n")}},
       "The certificate of localhost is not trusted: certificate has expired", false, HostileTls::Expired},
      {"a certificate for another name", {{WithLength("Content-Length: 6\r\n")}},
       "The certificate of localhost is not trusted: hostname mismatch", false, HostileTls::OtherName},
  };
  HostileServer loop{"a redirect loop", {}, "HTTP/1.1 302 Found"};
  for (int i = 0; i < 15; ++i) {
    loop.replies.push_back({"HTTP/1.1 302 Found\r\nLocation: " + std::string(kHostilePath) + "\r\nContent-Length: 0\r\n\r\n"});
  }
  rows.push_back(loop);
  return rows;
}

std::string HostileUrl(const HostileServer& row, const ScriptServer& server) {
  if (row.tls == HostileTls::None) return server.Base() + kHostilePath;
  return "https://localhost:" + std::to_string(server.Port()) + kHostilePath;
}

const TlsFiles* HostileTlsFiles(const HostileServer& row) {
#ifdef _WIN32
  (void)row;
  return nullptr;
#else
  static TlsFiles tls10;
  switch (row.tls) {
    case HostileTls::None: return nullptr;
    case HostileTls::Localhost: return &Certificates().localhost;
    case HostileTls::OtherName: return &Certificates().otherName;
    case HostileTls::Expired: return &Certificates().expired;
    case HostileTls::Tls10Only:
      tls10 = Certificates().localhost;
      tls10.tls10Only = true;
      return &tls10;
  }
  return nullptr;
#endif
}

void PrintTo(const HostileServer& row, std::ostream* out) { *out << row.name; }

std::string RowName(const std::string& name) {
  std::string out;
  bool upper = true;
  for (char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out.push_back(upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c);
      upper = false;
    } else {
      upper = true;
    }
  }
  return out;
}

}  // namespace nettest
