// The whole road against a loopback portal: detection, download, unpacking
// and the started installer, and each way it can end.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/shared_values.h"
#include "portal_fixture.h"
#include "support/http_server.h"
#include "support/run_process.h"
#include "support/zip_builder.h"
#include "sys/file.h"
#include "toolkit/application.h"

namespace portal_testing {
namespace {

using testing_support::HttpServer;
using testing_support::ReadFile;
using zip_testing::Entry;

Entry Deflated(std::string name, std::string data) {
  Entry entry;
  entry.name = std::move(name);
  entry.data = std::move(data);
  entry.method = 8;
  return entry;
}

std::string Package(std::vector<Entry> entries) {
  zip_testing::Archive archive;
  archive.entries = std::move(entries);
  return zip_testing::Build(archive);
}

// The installer: a small program of the build that leaves installed.txt
// in its own directory, packed as installers are (on Unix with its execute
// bit).
#ifdef _WIN32
const char kInstaller[] = "setup.exe";
#else
const char kInstaller[] = "setup";
#endif
Entry InstallerEntry() {
  Entry entry = Deflated(kInstaller, ReadFile(std::filesystem::path(testing_support::SiblingProgram(u"fake_installer"))));
#ifndef _WIN32
  entry.madeBy = 0x031E;
  entry.externalAttributes = 0100755u << 16;
#endif
  return entry;
}

Entry Utf8Named(Entry entry) {
  entry.flag = 0x0800;
  return entry;
}

bool AppearsWithin(const std::filesystem::path& path, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!std::filesystem::exists(path)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

class Road : public PortalFixture {
 protected:
  void Serve(const std::string& package, const std::string& packagePath = "/pkg/demo.zip") {
    server_.Route("/portal.html",
                  HttpServer::Ok("<html><!-- |||" + server_.Url(packagePath) + "* --></html>", "text/html"));
    server_.Route(packagePath, package);
  }
  std::u16string Installer() const { return sys::FromUtf8(kInstaller); }

  HttpServer server_;
};

TEST_F(Road, RunsToTheStartedInstallerAndTheCloseDeletesThePackage) {
  const std::string readme(300000, 'r');
  Serve(HttpServer::Ok(Package({InstallerEntry(), Utf8Named(Deflated("docs/读我.txt", readme))})));
  WriteDescriptor(server_.Url("/portal.html"), Installer());
  Start();
  EXPECT_EQ(Run(), 0);

  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Form().Label1.Caption(), u"已经启动安装，安装完毕后可以关闭此窗口");
  EXPECT_EQ(Form().bfb.Caption(), u"100%");
  EXPECT_EQ(server_.Requests(),
            (std::vector<std::string>{"/portal.html?pid=p1&code=packstub&fee=1", "/pkg/demo.zip"}));
  EXPECT_EQ(ReadFile(Download(u8"docs/读我.txt")), readme);
  // The window's close removed the archive, not what it held.
  EXPECT_FALSE(std::filesystem::exists(Download("demo.zip")));
  EXPECT_FALSE(std::filesystem::exists(Download("demo.zip.tmp")));
  EXPECT_TRUE(AppearsWithin(Download("installed.txt"), std::chrono::seconds(20)));
}

TEST_F(Road, CloseDuringTheDownloadTakesEffectAfterTheLaunch) {
  Serve(HttpServer::Ok(Package({InstallerEntry(), Deflated("big.bin", std::string(2000000, 'b'))})));
  WriteDescriptor(server_.Url("/portal.html"), Installer());
  Start();
  bool asked = false;
  Form().bfb.SetObserver([&asked](toolkit::Control&, toolkit::Property) {
    if (asked) return;
    asked = true;
    toolkit::Application::Instance().PostCall([] { app::Form5->Close(); });
  });
  // When the loop first runs out of messages, the close asked for during
  // the download is still pending: it waited for the road to end.
  bool closePending = false;
  Platform().SetIdleHandler([&closePending](toolkit::Application& application) {
    closePending = app::Form5->GetModalResult() == toolkit::ModalResult::Cancel;
    application.ActiveForm()->Close();
  });
  Run();

  ASSERT_TRUE(asked);
  EXPECT_TRUE(closePending);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Form().Label1.Caption(), u"已经启动安装，安装完毕后可以关闭此窗口");
  EXPECT_EQ(std::filesystem::file_size(Download("big.bin")), 2000000u);
  EXPECT_FALSE(std::filesystem::exists(Download("demo.zip")));
  EXPECT_EQ(Count(EventKind::Terminate), 1u);
  EXPECT_TRUE(AppearsWithin(Download("installed.txt"), std::chrono::seconds(20)));
}

TEST_F(Road, MissingPackageOnTheServerGivesTheFailureMessageAndKeepsTheTempFile) {
  Serve(HttpServer::NotFound());
  WriteDescriptor(server_.Url("/portal.html"), Installer());
  Start();
  Run();
  EXPECT_EQ(Boxes(), std::vector<Event>{Box(u"下载失败！可能文件不存在或网络不通，或磁盘空间不够")});
  EXPECT_EQ(Platform().Journal().back().kind, EventKind::Terminate);
  EXPECT_EQ(Count(EventKind::Terminate), 1u);
  EXPECT_TRUE(std::filesystem::exists(Download("demo.zip.tmp")));
  EXPECT_FALSE(std::filesystem::exists(Download("demo.zip")));
}

TEST_F(Road, SavedErrorPageInsteadOfAnArchiveIsReportedAndTheWindowStays) {
  Serve(HttpServer::Ok("<html><body>Service unavailable</body></html>", "text/html"));
  WriteDescriptor(server_.Url("/portal.html"), Installer());
  Start();
  std::u16string packageFileAtClose;
  bool packageThereAtClose = false;
  Platform().SetIdleHandler([&](toolkit::Application& application) {
    packageFileAtClose = app::PackageFile;
    packageThereAtClose = sys::FileExists(app::PackageFile);
    application.ActiveForm()->Close();
  });
  Run();
  EXPECT_EQ(Boxes(), std::vector<Event>{Report(u"Error reading zip file.")});
  EXPECT_EQ(Form().Label1.Caption(), u"下载成功，正在解压文件包，耗时可能较长,请耐心等待...");
  EXPECT_TRUE(packageThereAtClose);
  EXPECT_FALSE(sys::FileExists(packageFileAtClose));
  EXPECT_EQ(Count(EventKind::Terminate), 1u);
}

TEST_F(Road, InstallerMissingFromThePackage) {
  struct Case {
    std::u16string installerName;
    std::u16string message;
  };
  const Case cases[] = {{u"absent.exe", u"没有找到安装启动程序：absent.exe"}, {u"", u"没有找到安装启动程序："}};
  for (const Case& c : cases) {
    Serve(HttpServer::Ok(Package({Deflated("other.txt", "x")})));
    WriteDescriptor(server_.Url("/portal.html"), c.installerName);
    Start();
    Run();
    EXPECT_EQ(Boxes(), std::vector<Event>{Box(c.message)});
    EXPECT_EQ(Platform().Journal().back().kind, EventKind::Terminate);
    // Ended by the termination request: the archive stays beside what it held.
    EXPECT_TRUE(std::filesystem::exists(Download("demo.zip")));
    EXPECT_TRUE(std::filesystem::exists(Download("other.txt")));
    program_.reset();
  }
}

TEST_F(Road, InstallerInASubdirectoryNamedWithBackslashes) {
  Entry installer = InstallerEntry();
  installer.name = "bin/" + installer.name;
  Serve(HttpServer::Ok(Package({installer})));
  WriteDescriptor(server_.Url("/portal.html"), u"bin\\" + Installer());
  Start();
  Run();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Form().Label1.Caption(), u"已经启动安装，安装完毕后可以关闭此窗口");
  EXPECT_TRUE(AppearsWithin(Download("bin/installed.txt"), std::chrono::seconds(20)));
}

TEST_F(Road, LaunchTheShellRefusesIsNotReportedAsStarted) {
#ifdef _WIN32
  const char name[] = "setup.packstub-unknown";  // no program is associated with it
#else
  const char name[] = "setup.dat";  // not executable, and no xdg-open on the PATH below
  const char* oldPath = std::getenv("PATH");
  const std::string savedPath = oldPath != nullptr ? oldPath : "";
  setenv("PATH", dir_.Path().string().c_str(), 1);
#endif
  Serve(HttpServer::Ok(Package({Deflated(name, "data")})));
  WriteDescriptor(server_.Url("/portal.html"), sys::FromUtf8(name));
  Start();
  Run();
#ifndef _WIN32
  setenv("PATH", savedPath.c_str(), 1);
#endif
  EXPECT_EQ(Boxes(), std::vector<Event>{Box(u"无法启动安装程序：" + sys::FromUtf8(name))});
  EXPECT_EQ(Platform().Journal().back().kind, EventKind::Terminate);
  EXPECT_NE(Form().Label1.Caption(), u"已经启动安装，安装完毕后可以关闭此窗口");
}

// The console edition itself, run as a separate process beside its pack.db.
TEST_F(Road, ConsoleEditionRunsTheRoadEndToEnd) {
  Serve(HttpServer::Ok(Package({InstallerEntry()})));
  WriteDescriptor(server_.Url("/portal.html"), Installer());
  const std::u16string self = sys::ExecutablePath();
  const std::filesystem::path bin = std::filesystem::path(self).parent_path();
#ifdef _WIN32
  const char program[] = "packstub-console.exe";
#else
  const char program[] = "packstub-console";
#endif
  std::filesystem::copy_file(bin / program, dir_.Path() / program);
  const std::filesystem::path output = dir_.Path() / "output.txt";
#ifdef _WIN32
  const std::string command = "\"\"" + (dir_.Path() / program).string() + "\" < NUL > \"" + output.string() + "\" 2>&1\"";
#else
  const std::string command = "'" + (dir_.Path() / program).string() + "' </dev/null >'" + output.string() + "' 2>&1";
#endif
  const int status = std::system(command.c_str());
  const std::string printed = ReadFile(output);
  EXPECT_EQ(status, 0) << printed;
  EXPECT_NE(printed.find("下载成功，正在解压文件包，耗时可能较长,请耐心等待..."), std::string::npos) << printed;
  EXPECT_NE(printed.find("已经启动安装，安装完毕后可以关闭此窗口"), std::string::npos) << printed;
  EXPECT_NE(printed.find("100%"), std::string::npos) << printed;
  EXPECT_TRUE(AppearsWithin(dir_.Path() / "download" / "installed.txt", std::chrono::seconds(20)));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "download" / "demo.zip"));
}

}  // namespace
}  // namespace portal_testing
