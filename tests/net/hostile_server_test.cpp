// The client against servers that misbehave (hostile_servers.h): each Get
// fails with its own text, the file written holds no byte beyond what
// arrived, a server without end was stopped short, and the same client
// then fetches from a sound server as if nothing had happened.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <vector>

#include "base/file_stream.h"
#include "hostile_servers.h"
#include "net/http_client.h"
#include "support/temp_dir.h"
#include "sys/codepage.h"
#include "sys/tcp_socket.h"
#include "test_certificates.h"

namespace {

using nettest::HostileServer;
using nettest::HostileTls;

class HostileServers : public ::testing::TestWithParam<HostileServer> {};

TEST_P(HostileServers, EndInAFailureOfTheirOwn) {
  const HostileServer& row = GetParam();
  if (row.tls != HostileTls::None) {
#ifdef _WIN32
    GTEST_SKIP() << "no TLS server in the Windows build: the net_tls_wine test covers TLS rows there";
#else
    ASSERT_TRUE(nettest::Certificates().ready) << "the openssl command could not make the test certificates";
#endif
  }
  testing_support::TempDir dir;
  const std::u16string file = dir.Text("demo.zip.tmp");
  nettest::ScriptServer server(row.replies, nettest::HostileTlsFiles(row));
  net::THttpClient client;
  client.HandleRedirects = true;
  client.ConnectTimeout = net::kStalledServerTimeout;
  client.ReadTimeout = row.readTimeoutMs > 0 ? row.readTimeoutMs : net::kStalledServerTimeout;
  std::string error;
  {
    base::TFileStream stream = base::TFileStream::Create(file, sys::Share::ReadWrite);
    try {
      client.Get(sys::FromUtf8(nettest::HostileUrl(row, server)), stream);
      ADD_FAILURE() << "the download was taken as complete";
    } catch (const base::Exception& failure) {
      error = sys::ToUtf8(failure.Message());
    }
  }
  client.Disconnect();
  server.Wait();
  if (row.error.empty()) {
    EXPECT_FALSE(error.empty());
  } else if (row.errorIsPrefix) {
    EXPECT_EQ(error.substr(0, row.error.size()), row.error) << error;
  } else {
    EXPECT_EQ(error, row.error);
  }
  // Nothing in the file that did not come as body data (no row sends more
  // than 6 bytes of it): no announced size left standing, no framing or
  // head taken for data.
  EXPECT_LE(std::filesystem::file_size(dir.Path() / "demo.zip.tmp"), 6u);
  if (row.endless) {
    // Stopped after little: the server would have gone on to 1 GiB.
    EXPECT_LT(server.sent, std::size_t{16} << 20);
  }

  // Nothing of the failure stays with the client.
  nettest::ScriptServer sound({{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nsound"}});
  base::TMemoryStream again;
  client.Get(sys::FromUtf8(sound.Base() + "/again"), again);
  client.Disconnect();
  EXPECT_EQ(again.Data(), "sound");
}

// The read time-out holds inside the TLS layer too: a server that takes
// the connection and never answers the handshake. On every platform, since
// no TLS server is needed for it.
TEST(StalledServer, ATlsHandshakeWithoutAnswerEndsWithTheReadTimeout) {
  nettest::SilentServer server;
  net::THttpClient client;
  client.ReadTimeout = 300;
  base::TMemoryStream stream;
  try {
    client.Get(sys::FromUtf8("https://localhost:" + std::to_string(server.Port()) + "/pkg/demo.zip"), stream);
    ADD_FAILURE() << "no failure";
  } catch (const net::ESocketError& error) {
    EXPECT_EQ(error.Message(), u"Socket Error # 10060\r\nConnection timed out.");
  }
}

// A server whose queue of connections is full leaves further attempts
// unanswered; the connect time-out ends the wait for one. Without it the
// system's own retries would go on for about two minutes.
TEST(StalledServer, AConnectionNobodyTakesEndsWithTheConnectTimeout) {
  nettest::SilentServer server(0);
  std::vector<sys::Socket> queued;
  bool full = false;
  for (int attempt = 0; attempt < 16 && !full; ++attempt) {
    sys::Result<sys::Socket> socket = sys::Socket::Connect("127.0.0.1", server.Port(), 300);
    if (socket) {
      queued.push_back(std::move(*socket));
    } else {
      ASSERT_EQ(socket.Error(), sys::kSocketTimedOut);
      full = true;
    }
  }
  ASSERT_TRUE(full) << "the system kept taking connections: " << queued.size();
  net::THttpClient client;
  client.ConnectTimeout = 300;
  base::TMemoryStream stream;
  const auto start = std::chrono::steady_clock::now();
  try {
    client.Get(sys::FromUtf8("http://127.0.0.1:" + std::to_string(server.Port()) + "/pkg/demo.zip"), stream);
    ADD_FAILURE() << "no failure";
  } catch (const net::ESocketError& error) {
    EXPECT_EQ(error.Message(), u"Socket Error # 10060\r\nConnection timed out.");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << "the system's time-out, not ours";
}

INSTANTIATE_TEST_SUITE_P(Table, HostileServers, ::testing::ValuesIn(nettest::HostileServers()),
                         [](const ::testing::TestParamInfo<HostileServer>& info) {
                           return nettest::RowName(info.param.name);
                         });

}  // namespace
