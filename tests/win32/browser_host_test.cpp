// The browser host against a fake control standing in for the system's:
// navigation, the document-complete event reaching the handler, the saved
// source reaching Memo1, a refused navigation, and the whole road inside
// the process with the real HTTP client.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/Unit5.h"
#include "app/descriptor.h"
#include "app/page_fetch.h"
#include "app/program.h"
#include "fake_browser_control.h"
#include "gui_support.h"
#include "support/http_server.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/zip_builder.h"
#include "sys/codepage.h"
#include "sys/file.h"
#include "toolkit/application.h"
#include "toolkit/native.h"

namespace {

using namespace win32_testing;
using testing_support::HttpServer;

const char16_t kPortal[] = u"http://127.0.0.1:9/get";
const char16_t kBanner[] = u"http://127.0.0.1:9/banner";
const char16_t kPortalAddress[] = u"http://127.0.0.1:9/get?pid=p1&code=packstub&fee=1";

class BrowserHostTest : public ::testing::Test {
 protected:
  void WriteDescriptor(const std::u16string& portal, const std::u16string& banner) {
    std::vector<std::u16string> fields(app::kDescriptorFieldCount);
    fields[app::kPackageIdField] = u"p1";
    fields[app::kInstallerNameField] = u"setup.exe";
    fields[app::kBannerUrlField] = banner;
    fields[app::kPortalUrlField] = portal;
    testing_support::WriteFile(dir_.Path() / "pack.db", app::BuildDescriptorFile(fields));
  }
  void Start(FakeBrowserOptions options) {
    InstallFakeBrowser(std::move(options));
    program_ = std::make_unique<app::Program>(toolkit::CreateNativePlatform(), dir_.Text(u"packstub.exe"));
  }
  void TearDown() override {
    program_.reset();
    UninstallFakeBrowser();
    EXPECT_EQ(LiveFakeObjects(), 0) << "a COM reference of the browser host was not released";
  }
  // The user's close of the portal window once the condition holds.
  // (at the latest after half a minute, so a road that stops short fails
  // instead of hanging).
  void CloseWhen(std::function<bool()> condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    WhenReady([condition, deadline] { return condition() || std::chrono::steady_clock::now() > deadline; },
              [condition] {
                EXPECT_TRUE(condition()) << "the expected state was not reached; status: "
                                         << sys::ToUtf8(app::Form5->Label1.Caption()) << " / "
                                         << sys::ToUtf8(app::Form5->bfb.Caption());
                SendMessageW(WindowOf(*app::Form5), WM_CLOSE, 0, 0);
              });
  }

  testing_support::TempDir dir_;
  std::unique_ptr<app::Program> program_;
};

TEST_F(BrowserHostTest, BothBrowsersNavigateAndThePortalDocumentReachesMemo1) {
  const std::string page = "<html><body>no marker here, http://example</body></html>";
  WriteDescriptor(kPortal, kBanner);
  Start({[&](const std::u16string&) { return std::optional<std::string>(page); }});
  CloseWhen([&] { return app::Form5->Memo1.Text() == sys::FromUtf8(page); });
  EXPECT_EQ(program_->Run(), 0);
  const auto& logs = FakeBrowserLogs();
  ASSERT_EQ(logs.size(), 2u);  // WebBrowser2 (upper area) first, then WebBrowser1
  EXPECT_EQ(logs[1].navigations, std::vector<std::u16string>{kPortalAddress});
  EXPECT_EQ(logs[0].navigations, std::vector<std::u16string>{kBanner});
  EXPECT_TRUE(logs[0].inPlaceActive && logs[1].inPlaceActive);
  EXPECT_EQ(logs[1].parent, WindowOf(app::Form5->WebBrowser1)) << "hosted in the browser's own window";
  EXPECT_FALSE(app::Form5->Panel2.Visible()) << "no marker: the portal view stays";
}

TEST_F(BrowserHostTest, ARefusedNavigationReachesTheErrorReport) {
  WriteDescriptor(kPortal, kBanner);
  FakeBrowserOptions options;
  options.navigateStatus = E_ACCESSDENIED;
  Start(options);
  BoxCloser closer;
  CloseWhen([&] { return !closer.Boxes().empty() && IsWindowVisible(WindowOf(*app::Form5)); });
  EXPECT_EQ(program_->Run(), 0);
  ASSERT_EQ(closer.Boxes().size(), 1u);
  const std::u16string expected = toolkit::ErrorReportText(sys::ErrorText(static_cast<sys::ErrorCode>(E_ACCESSDENIED)));
  const auto& texts = closer.Boxes()[0].texts;
  EXPECT_NE(std::find(texts.begin(), texts.end(), std::wstring(expected.begin(), expected.end())), texts.end());
  // The show handler ended at the refused navigation: no banner.
  EXPECT_TRUE(FakeBrowserLogs()[0].navigations.empty());
}

TEST_F(BrowserHostTest, ADocumentThatCannotSaveItsSourceIsReported) {
  WriteDescriptor(kPortal, u"");
  FakeBrowserOptions options;
  options.pages = [](const std::u16string&) { return std::optional<std::string>("<html></html>"); };
  options.documentCanSave = false;
  Start(options);
  BoxCloser closer;
  CloseWhen([&] { return !closer.Boxes().empty(); });
  EXPECT_EQ(program_->Run(), 0);
  ASSERT_EQ(closer.Boxes().size(), 1u);
  const auto& texts = closer.Boxes()[0].texts;
  EXPECT_NE(std::find(texts.begin(), texts.end(), L"Interface not supported."), texts.end());
  EXPECT_TRUE(app::Form5->Memo1.Text().empty());
}

zip_testing::Entry InstallerEntry() {
  zip_testing::Entry entry;
  entry.name = "setup.exe";
  entry.data = testing_support::ReadFile(std::filesystem::path(testing_support::SiblingProgram(u"fake_installer")));
  entry.method = 8;
  return entry;
}

std::string Package() {
  zip_testing::Archive archive;
  archive.entries = {InstallerEntry()};
  return zip_testing::Build(archive);
}

TEST_F(BrowserHostTest, TheWholeRoadRunsInTheRealWindows) {
  HttpServer server;
  server.Route("/pkg.zip", HttpServer::Ok(Package(), "application/zip"));
  const std::string page = "<!DOCTYPE html><html>|||" + server.Url("/pkg.zip") + "*</html>";
  server.Route("/get", HttpServer::Ok(page, "text/html"));
  WriteDescriptor(sys::FromUtf8(server.Url("/get")), u"");
  Start({[](const std::u16string& url) { return std::optional<std::string>(app::FetchPage(url)); }});
  BoxCloser closer;
  CloseWhen([&] { return app::Form5->Label1.Caption() == u"已经启动安装，安装完毕后可以关闭此窗口"; });
  EXPECT_EQ(program_->Run(), 0);
  for (const SeenBox& box : closer.Boxes()) {
    for (const std::wstring& text : box.texts) ADD_FAILURE() << "unexpected box: " << sys::ToUtf8(std::u16string(text.begin(), text.end()));
  }
  const std::filesystem::path download = dir_.Path() / "download";
  EXPECT_TRUE(std::filesystem::exists(download / "setup.exe"));
  EXPECT_FALSE(std::filesystem::exists(download / "pkg.zip")) << "the close removed the package";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!std::filesystem::exists(download / "installed.txt") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(std::filesystem::exists(download / "installed.txt")) << "the installer ran";
  EXPECT_EQ(SendMessageW(WindowOf(app::Form5->loading), PBM_GETPOS, 0, 0), app::Form5->loading.Max());
}

}  // namespace
