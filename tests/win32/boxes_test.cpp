// The message box and the general error report as real modal boxes: found
// while open, read back, closed with Enter, the program going on.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>

#include "app/Unit5.h"
#include "base/exception.h"
#include "fake_browser_control.h"
#include "gui_support.h"
#include "support/temp_dir.h"
#include "toolkit/application.h"
#include "toolkit/native.h"
#include "toolkit/win32/boxes.h"

namespace {

using namespace win32_testing;

class BoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakeBrowser({});
    application_ = std::make_unique<toolkit::Application>(toolkit::CreateNativePlatform(), dir_.Text(u"Setup.new.exe"));
  }
  void TearDown() override {
    form5_.reset();
    application_.reset();
    UninstallFakeBrowser();
  }
  void ShowPortal() {
    form5_ = std::make_unique<app::TForm5>();
    form5_->OnShow = nullptr;
    form5_->Show();
    application_->ProcessMessages();
  }
  static bool HasText(const SeenBox& box, const std::wstring& text) {
    return std::find(box.texts.begin(), box.texts.end(), text) != box.texts.end();
  }

  testing_support::TempDir dir_;
  std::unique_ptr<toolkit::Application> application_;
  std::unique_ptr<app::TForm5> form5_;
};

TEST_F(BoxTest, TheMessageBoxShowsTitleAndTextAndClosesWithEnter) {
  ShowPortal();
  BoxCloser closer;
  application_->ShowMessage(u"下载失败！可能文件不存在或网络不通，或磁盘空间不够");
  ASSERT_EQ(closer.Boxes().size(), 1u) << "found while open, from a timer its own loop handled";
  const SeenBox& box = closer.Boxes()[0];
  EXPECT_EQ(box.title, L"Setup");
  EXPECT_TRUE(HasText(box, L"下载失败！可能文件不存在或网络不通，或磁盘空间不够"));
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << "one OK button (its text is the system's, in its language)";
  EXPECT_EQ(box.owner, WindowOf(*form5_)) << "owned by the active window";
  EXPECT_FALSE(IsWindow(box.window));
}

TEST_F(BoxTest, TheMessageBoxWithoutAWindowIsOwnedByTheApplicationWindow) {
  BoxCloser closer;
  application_->ShowMessage(u"无法读取配置文件");
  ASSERT_EQ(closer.Boxes().size(), 1u);
  EXPECT_EQ(closer.Boxes()[0].owner, ApplicationWindow());
}

TEST_F(BoxTest, TheOwnDialogHasTheSameTitleTextAndButton) {
  BoxCloser closer;
  toolkit::win32::ShowOwnMessageDialog(ApplicationWindow(), L"Setup", L"文本");
  ASSERT_EQ(closer.Boxes().size(), 1u);
  EXPECT_EQ(closer.Boxes()[0].title, L"Setup");
  EXPECT_TRUE(HasText(closer.Boxes()[0], L"文本"));
  EXPECT_EQ(closer.Boxes()[0].buttons, std::vector<int>{IDOK});
}

TEST_F(BoxTest, TheErrorReportDisablesTheOtherWindowsWhileOpen) {
  ShowPortal();
  HWND portal = WindowOf(*form5_);
  SetActiveWindow(portal);
  BoxCloser closer;
  application_->HandleException(std::make_exception_ptr(base::EOSError(u"Access is denied")));
  ASSERT_EQ(closer.Boxes().size(), 1u);
  const SeenBox& box = closer.Boxes()[0];
  EXPECT_EQ(box.title, L"Setup");
  EXPECT_TRUE(HasText(box, L"Access is denied."));
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << "one OK button (its text is the system's, in its language)";
  EXPECT_NE(std::find(box.disabledWindows.begin(), box.disabledWindows.end(), portal), box.disabledWindows.end());
  EXPECT_TRUE(box.enabledWindows.empty());
  EXPECT_TRUE(IsWindowEnabled(portal)) << "enabled again afterwards";
  EXPECT_EQ(GetActiveWindow(), portal) << "and active again";
}

}  // namespace
