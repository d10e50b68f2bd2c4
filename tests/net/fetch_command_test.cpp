// packtool fetch, run as the built binary against the scripted server.
#include <gtest/gtest.h>

#include "support/run_process.h"
#include "script_server.h"
#include "support/temp_dir.h"
#include "sys/codepage.h"

namespace {

using testing_support::RunProcess;
using testing_support::SiblingProgram;

TEST(PacktoolFetch, FollowsRedirectsIntoTheFile) {
  nettest::ScriptServer server({
      {"HTTP/1.1 301 Moved\r\nLocation: /pkg/p.zip\r\nContent-Length: 0\r\n\r\n"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nPK\x03\x04zip"},
  });
  testing_support::TempDir dir;
  const auto result = RunProcess(SiblingProgram(u"packtool"),
                                 {u"fetch", sys::FromUtf8(server.Base() + "/p"), dir.Text(u"out.zip")});
  server.Wait();
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");  // no progress line: standard error is not a terminal
  EXPECT_EQ(testing_support::ReadFile(dir.Path() / "out.zip"), std::string("PK\x03\x04zip"));
}

TEST(PacktoolFetch, FailsWithTheClientsTextAlone) {
  nettest::ScriptServer server({{"HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!"}});
  testing_support::TempDir dir;
  const std::u16string packtool = SiblingProgram(u"packtool");
  const auto missing = RunProcess(packtool, {u"fetch", sys::FromUtf8(server.Base() + "/x"), dir.Text(u"a")});
  server.Wait();
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, "HTTP/1.1 404 Not Found\n");

  const std::string refusedUrl = "http://127.0.0.1:" + std::to_string(nettest::UnusedPort()) + "/";
  const auto refused = RunProcess(packtool, {u"fetch", sys::FromUtf8(refusedUrl), dir.Text(u"b")});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "Socket Error # 10061\nConnection refused.\n");

  const auto usage = RunProcess(packtool, {u"fetch", u"http://127.0.0.1/"});
  EXPECT_EQ(usage.exitCode, 2);
}

}  // namespace
