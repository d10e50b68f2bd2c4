// The portal window's handlers under the headless toolkit, with documents
// handed to its browser directly.
#include <gtest/gtest.h>

#include "app/shared_values.h"
#include "net/http_client.h"
#include "portal_fixture.h"
#include "toolkit/application.h"

namespace portal_testing {
namespace {

using toolkit::headless::HeadlessPlatform;

class PortalWindow : public PortalFixture {
 protected:
  // Hands the portal browser each document in turn while the window waits,
  // then closes the window as the user would.
  void HandDocuments(std::vector<std::pair<std::string, bool>> documents) {
    auto queue = std::make_shared<std::vector<std::pair<std::string, bool>>>(std::move(documents));
    Platform().SetIdleHandler([queue](toolkit::Application& application) {
      if (queue->empty()) {
        application.ActiveForm()->Close();
        return;
      }
      HeadlessPlatform::CompleteDocument(app::Form5->WebBrowser1, queue->front().first, queue->front().second);
      queue->erase(queue->begin());
    });
  }
};

TEST_F(PortalWindow, ShowHandlerNavigatesToThePortalAddressAndTheBanner) {
  struct Case {
    std::u16string banner;
    bool navigates;
  };
  const Case cases[] = {{u"", false}, {u"http://b/1", false}, {u"http://b/12", true}};
  for (const Case& c : cases) {
    WriteDescriptor({{app::kPackageIdField, u"a b&中"},
                     {app::kBannerUrlField, c.banner},
                     {app::kPortalUrlField, u"http://portal/get?x=1"}});
    Start(/*fetchPages=*/false);
    EXPECT_EQ(Run(), 0);
    std::vector<std::u16string> navigations;
    for (const Event& event : Platform().Journal()) {
      if (event.kind == EventKind::Navigate) navigations.push_back(event.text);
    }
    std::vector<std::u16string> expected = {u"http://portal/get?x=1?pid=a b&中&code=packstub&fee=1"};
    if (c.navigates) expected.push_back(c.banner);
    EXPECT_EQ(navigations, expected) << c.banner.size();
    EXPECT_TRUE(std::filesystem::is_directory(Download()));
    program_.reset();
  }
}

TEST_F(PortalWindow, EmptyPortalAddressBeginsWithTheQuery) {
  WriteDescriptor({{app::kPackageIdField, u"7"}});
  Start(false);
  Run();
  EXPECT_EQ(Platform().Journal().front(), (Event{EventKind::Navigate, u"?pid=7&code=packstub&fee=1", {}}));
}

TEST_F(PortalWindow, PageWithoutMarkerLeavesThePortalView) {
  WriteDescriptor("http://portal/", u"setup.exe");
  Start(false);
  HandDocuments({{"<html>|||https://h/p.zip*</html>", true}});
  Run();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Form().WebBrowser1.Visible());
  EXPECT_FALSE(Form().Panel2.Visible());
  EXPECT_EQ(Form().Memo1.Text(), u"<html>|||https://h/p.zip*</html>");
  EXPECT_TRUE(app::DownloadUrl.empty());
}

TEST_F(PortalWindow, DocumentThatIsNotAPageIsReportedAndTheNextOneIsInspected) {
  WriteDescriptor("http://portal/", u"setup.exe");
  Start(false);
  HandDocuments({{"binary", false}, {"<p>plain page</p>", true}});
  Run();
  EXPECT_EQ(Boxes(), std::vector<Event>{Report(u"Interface not supported.")});
  EXPECT_EQ(Form().Memo1.Text(), u"<p>plain page</p>");
}

TEST_F(PortalWindow, TextBeyondTheMemoCapacityIsReported) {
  WriteDescriptor("http://portal/", u"setup.exe");
  Start(false);
  Form().Memo1.capacity = 8;
  HandDocuments({{"|||http://h/p.zip*", true}});
  Run();
  EXPECT_EQ(Boxes(), std::vector<Event>{Report(u"Text exceeds memo capacity.")});
  EXPECT_FALSE(Form().Panel2.Visible());
}

TEST_F(PortalWindow, EmptyAddressShowsProgressThenTheFailureMessage) {
  WriteDescriptor("http://portal/", u"setup.exe");
  Start(false);
  HandDocuments({{"<p>|||*</p> http://x", true}});
  Run();
  EXPECT_FALSE(Form().WebBrowser1.Visible());
  EXPECT_TRUE(Form().Panel2.Visible());
  EXPECT_EQ(Form().Panel3.Children().back(), &Form().Panel2);
  EXPECT_TRUE(app::DownloadUrl.empty());
  EXPECT_EQ(app::PackageFile, app::DownloadDir);
  // The temporary file of an empty name is ".tmp" in the download directory.
  EXPECT_TRUE(std::filesystem::exists(Download(".tmp")));
  const std::vector<Event> journal(Platform().Journal().begin() + 1, Platform().Journal().end());
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[0], Box(u"下载失败！可能文件不存在或网络不通，或磁盘空间不够"));
  EXPECT_EQ(journal[1].kind, EventKind::Terminate);
}

TEST_F(PortalWindow, NotificationsAfterTheLinkWasTakenAreNotInspected) {
  WriteDescriptor("http://portal/", u"setup.exe");
  Start(false);
  HandDocuments({{"<p>|||*</p> http://x", true}});
  // While the failure message is open, the hidden browser completes
  // another page with a marker: it arrives nested inside the running road.
  Platform().SetBoxHandler([](const Event&) {
    HeadlessPlatform::CompleteDocument(app::Form5->WebBrowser1, "|||http://other/second.zip*");
  });
  Run();
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Form().Memo1.Text(), u"<p>|||*</p> http://x");
  EXPECT_FALSE(std::filesystem::exists(Download("second.zip.tmp")));
}

TEST_F(PortalWindow, EscapingPackageNameIsRefusedBeforeAnythingIsTouched) {
  const std::string names[] = {"\"..\\evil.zip\"", "\"../evil.zip\"", "..", "."};
  for (const std::string& name : names) {
    testing_support::WriteFile(dir_.Path() / "evil.zip", "keep");
    testing_support::WriteFile(dir_.Path() / "evil.zip.tmp", "keep");
    WriteDescriptor("http://portal/", u"setup.exe");
    Start(false);
    HandDocuments({{"|||http://h/dir/" + name + "*", true}});
    Run();
    EXPECT_EQ(Boxes(), std::vector<Event>{Report(u"Invalid characters in path.")}) << name;
    // No termination request: only the window's own close ends the run.
    EXPECT_EQ(Count(EventKind::Terminate), 1u);
    EXPECT_TRUE(app::PackageFile.empty());
    EXPECT_EQ(testing_support::ReadFile(dir_.Path() / "evil.zip"), "keep");
    EXPECT_EQ(testing_support::ReadFile(dir_.Path() / "evil.zip.tmp"), "keep");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Download()), {}), 0) << name;
    program_.reset();
  }
}

TEST_F(PortalWindow, TempFileThatCannotBeCreatedIsReportedWithoutTermination) {
  WriteDescriptor("http://portal/", u"setup.exe");
  std::filesystem::create_directories(Download("pkg.zip.tmp"));
  Start(false);
  HandDocuments({{"|||http://h/pkg.zip*", true}});
  Run();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].kind, EventKind::ErrorReport);
  const std::u16string expected = u"Cannot create file \"" + sys::FromUtf8(Download("pkg.zip.tmp").string()) + u"\". ";
  EXPECT_EQ(Boxes()[0].text.substr(0, expected.size()), expected);
  EXPECT_EQ(Boxes()[0].text.back(), u'.');
  EXPECT_EQ(Count(EventKind::Terminate), 1u);  // the window's own close only
  EXPECT_TRUE(Form().Panel2.Visible());
}

TEST_F(PortalWindow, ProgressHandlersCountInHundredsAndCutThePercentage) {
  WriteDescriptor("http://portal/", u"setup.exe");
  Start(false);
  app::TForm5& form = Form();
  const auto read = net::TWorkMode::wmRead;

  form.onWorkBegin(nullptr, read, 1000000);
  EXPECT_EQ(form.loading.Min(), 0);
  EXPECT_EQ(form.loading.Max(), 10000);
  EXPECT_EQ(app::ExpectedBytes, 1000000);
  EXPECT_EQ(form.bfb.Caption(), u"0.00%");
  struct Step {
    std::int64_t count;
    std::int32_t position;
    std::u16string percent;
  };
  for (const Step& step : {Step{32768, 327, u"3%"}, Step{999999, 9999, u"99%"}, Step{1000000, 10000, u"100%"}}) {
    form.onWork(nullptr, read, step.count);
    EXPECT_EQ(form.loading.Position(), step.position);
    EXPECT_EQ(form.bfb.Caption(), step.percent);
  }

  // 0.29 as a double lies just below 0.29.
  form.onWorkBegin(nullptr, read, 100);
  form.onWork(nullptr, read, 29);
  EXPECT_EQ(form.bfb.Caption(), u"28%");
  form.onWorkBegin(nullptr, read, 99);
  EXPECT_EQ(form.loading.Max(), 0);

  // No announced length: the bytes so far, readable, and nothing raises.
  form.onWorkBegin(nullptr, read, 0);
  for (const auto& [count, text] : std::vector<std::pair<std::int64_t, std::u16string>>{
           {0, u"0 B"}, {1023, u"1023 B"}, {1536, u"1.5 KB"}, {20 * 1048576LL, u"20.0 MB"},
           {5LL << 30, u"5.00 GB"}}) {
    form.onWork(nullptr, read, count);
    EXPECT_EQ(form.bfb.Caption(), text);
  }
  EXPECT_EQ(form.loading.Position(), static_cast<std::int32_t>((5LL << 30) / 100));
}

}  // namespace
}  // namespace portal_testing
