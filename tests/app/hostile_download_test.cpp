// The program's download against servers that misbehave: the table of
// hostile_servers.h, run through the portal window under the headless
// toolkit. Every row ends in the download's one failure message and the
// termination request, with nothing but the temporary file, holding no
// more than the bytes that came as body data, in download/.
#include <gtest/gtest.h>

#include <filesystem>

#include "hostile_servers.h"
#include "portal_fixture.h"
#include "support/http_server.h"
#include "test_certificates.h"

namespace portal_testing {
namespace {

using nettest::HostileServer;
using nettest::HostileTls;
using testing_support::HttpServer;

class HostileDownload : public PortalFixture, public ::testing::WithParamInterface<HostileServer> {};

TEST_P(HostileDownload, EndsInTheFailureMessage) {
  const HostileServer& row = GetParam();
  if (row.tls != HostileTls::None) {
#ifdef _WIN32
    GTEST_SKIP() << "no TLS server in the Windows build: the net_tls_wine test covers TLS rows there";
#else
    ASSERT_TRUE(nettest::Certificates().ready) << "the openssl command could not make the test certificates";
#endif
  }
  nettest::ScriptServer package(row.replies, nettest::HostileTlsFiles(row));
  HttpServer portal;
  // The marker counts only in a page with "http://" in it, which an https
  // package address lacks.
  portal.Route("/portal.html", HttpServer::Ok("<html><a href=\"" + portal.Url("/") + "\">portal</a><!-- |||" +
                                                  nettest::HostileUrl(row, package) + "* --></html>",
                                              "text/html"));
  WriteDescriptor(portal.Url("/portal.html"), u"setup.exe");
  Start();
  if (row.readTimeoutMs > 0) Form().DownloadReadTimeout = row.readTimeoutMs;
  Run();
  package.Wait();

  EXPECT_EQ(Boxes(), std::vector<Event>{Box(u"下载失败！可能文件不存在或网络不通，或磁盘空间不够")});
  EXPECT_EQ(Platform().Journal().back().kind, EventKind::Terminate);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Download())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"demo.zip.tmp"});
  EXPECT_LE(std::filesystem::file_size(Download("demo.zip.tmp")), 6u);
  if (row.endless) {
    EXPECT_LT(package.sent, std::size_t{16} << 20);
  }
}

INSTANTIATE_TEST_SUITE_P(Table, HostileDownload, ::testing::ValuesIn(nettest::HostileServers()),
                         [](const ::testing::TestParamInfo<HostileServer>& info) {
                           return nettest::RowName(info.param.name);
                         });

}  // namespace
}  // namespace portal_testing
