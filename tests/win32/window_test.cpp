// The program's windows as the system sees them: sizes, styles, owners,
// placement, the controls' rectangles, fonts and colours.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "app/Unit2.h"
#include "app/Unit5.h"
#include "fake_browser_control.h"
#include "gui_support.h"
#include "net/http_client.h"
#include "support/temp_dir.h"
#include "toolkit/application.h"
#include "toolkit/layout.h"
#include "toolkit/native.h"

namespace {

using toolkit::Bounds;
using toolkit::Size;
using namespace win32_testing;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakeBrowser({});
    application_ = std::make_unique<toolkit::Application>(toolkit::CreateNativePlatform(), dir_.Text(u"packstub.exe"));
    form2_ = std::make_unique<app::TForm2>();
    form5_ = std::make_unique<app::TForm5>();
    app::Form5 = form5_.get();
    // Only the windows: the handlers are the headless suite's.
    form2_->OnShow = nullptr;
    form5_->OnShow = nullptr;
  }
  void TearDown() override {
    app::Form5 = nullptr;
    form5_.reset();
    form2_.reset();
    application_.reset();
    UninstallFakeBrowser();
    EXPECT_EQ(LiveFakeObjects(), 0) << "a COM reference of the browser host was not released";
  }

  void ShowPortal() {
    form5_->Show();
    application_->ProcessMessages();
  }

  // Paints and reads a pixel of a window.
  static COLORREF PixelOf(HWND window, int x, int y) {
    UpdateWindow(GetAncestor(window, GA_ROOT));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(window);
    const COLORREF pixel = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return pixel;
  }

  testing_support::TempDir dir_;
  std::unique_ptr<toolkit::Application> application_;
  std::unique_ptr<app::TForm2> form2_;
  std::unique_ptr<app::TForm5> form5_;
};

struct FormFacts {
  const char* name;
  Size client;
  bool minimizeBox;
};

TEST_F(WindowTest, FormsHaveTheirClientSizeBorderAndTitleBarButtons) {
  form2_->Show();
  ShowPortal();
  const struct {
    HWND window;
    FormFacts facts;
  } cases[] = {{WindowOf(*form2_), {"Form2", {173, 72}, false}}, {WindowOf(*form5_), {"Form5", {965, 771}, true}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.facts.name);
    ASSERT_NE(c.window, nullptr);
    EXPECT_TRUE(IsWindowVisible(c.window));
    EXPECT_EQ(ClientSize(c.window), c.facts.client);
    const LONG style = GetWindowLongW(c.window, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "the border is fixed";
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ((style & WS_MINIMIZEBOX) != 0, c.facts.minimizeBox);
    // No taskbar entry of its own: owned by the application window.
    EXPECT_EQ(GetWindow(c.window, GW_OWNER), ApplicationWindow());
    EXPECT_EQ(GetWindowLongW(c.window, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
    // Centred on its monitor's work area.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(c.window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& w = monitor.rcWork;
    const Bounds outer = RectInParent(c.window);
    EXPECT_EQ(outer, toolkit::CenteredInWorkArea({w.left, w.top, w.right - w.left, w.bottom - w.top}, outer.width,
                                                 outer.height));
  }
  EXPECT_EQ(WindowText(WindowOf(*form5_)), L"packstub");
}

TEST_F(WindowTest, TheApplicationWindowOwnsTheOnlyTaskbarEntry) {
  ShowPortal();
  HWND application = ApplicationWindow();
  EXPECT_EQ(WindowText(application), L"packstub");
  EXPECT_EQ(GetWindow(application, GW_OWNER), nullptr);
  EXPECT_TRUE(IsWindowVisible(application));
  EXPECT_EQ(GetWindowLongW(application, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  const Bounds b = RectInParent(application);
  EXPECT_EQ(b.width * b.height, 0) << "zero size";
}

TEST_F(WindowTest, ControlsTakeTheirDesignedAndAlignedRectangles) {
  ShowPortal();
  form5_->WebBrowser1.SetVisible(false);
  form5_->Panel2.SetVisible(true);
  form5_->Panel2.BringToFront();
  application_->ProcessMessages();
  const struct {
    const toolkit::Control& control;
    Bounds bounds;
  } cases[] = {
      {form5_->Panel1, {0, 0, 965, 613}},      {form5_->WebBrowser2, {0, 0, 965, 613}},
      {form5_->Panel3, {0, 613, 965, 158}},    {form5_->WebBrowser1, {0, 0, 965, 158}},
      {form5_->Panel2, {0, 0, 965, 158}},      {form5_->Label1, {254, 69, 433, 25}},
      {form5_->Image1, {392, 6, 201, 57}},     {form5_->loading, {200, 96, 553, 18}},
      {form5_->Memo1, {808, 24, 105, 89}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.control.Name().begin(), c.control.Name().end())));
    HWND window = WindowOf(c.control);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(RectInParent(window), c.bounds);
    EXPECT_EQ(GetParent(window), WindowOf(*c.control.Parent()));
  }
  EXPECT_FALSE(IsWindowVisible(WindowOf(form5_->Memo1)));
  EXPECT_FALSE(IsWindowVisible(WindowOf(form5_->WebBrowser1)));
  EXPECT_FALSE(IsWindowVisible(FakeBrowserLogs().at(1).window)) << "the hidden browser's control is hidden too";
  EXPECT_TRUE(IsWindowVisible(WindowOf(form5_->Panel2)));
}

TEST_F(WindowTest, TheSelfSizingLabelTakesTheSizeOfItsTextInTheWindowFont) {
  ShowPortal();
  // The text's own measure in Tahoma of 11 pixels.
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  HGDIOBJ old = SelectObject(dc, font);
  SIZE measured{};
  GetTextExtentPoint32W(dc, L"100%", 4, &measured);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  form5_->bfb.SetCaption(u"100%");
  const Bounds b = RectInParent(WindowOf(form5_->bfb));
  EXPECT_EQ(b.left, 456);
  EXPECT_EQ(b.top, 125);
  EXPECT_EQ(b.width, measured.cx);
  EXPECT_EQ(b.height, measured.cy);
  EXPECT_EQ(form5_->bfb.GetBounds(), b);
}

TEST_F(WindowTest, TheMemoUsesTheWindowFont) {
  ShowPortal();
  auto font = reinterpret_cast<HFONT>(SendMessageW(WindowOf(form5_->Memo1), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW log{};
  ASSERT_NE(GetObjectW(font, sizeof log, &log), 0);
  EXPECT_EQ(log.lfHeight, -11);
  EXPECT_STREQ(log.lfFaceName, L"Tahoma");
  form5_->Memo1.SetText(u"line one\nline two");
  EXPECT_EQ(WindowText(WindowOf(form5_->Memo1)), L"line one\r\nline two");
}

TEST_F(WindowTest, TheProgressPanelPaintsItsOwnSystemColourAndThePictureShowsOnIt) {
  ShowPortal();
  form5_->WebBrowser1.SetVisible(false);
  form5_->Panel2.SetVisible(true);
  form5_->Panel2.BringToFront();
  application_->ProcessMessages();
  const COLORREF panel = GetSysColor(COLOR_GRADIENTACTIVECAPTION);
  EXPECT_EQ(PixelOf(WindowOf(form5_->Panel2), 3, 3), panel);
  EXPECT_EQ(PixelOf(WindowOf(form5_->Panel2), 960, 150), panel);
  // Beyond the picture's 158 x 50 pixels, and in its transparent parts,
  // the panel shows through; the picture itself is drawn.
  HWND image = WindowOf(form5_->Image1);
  EXPECT_EQ(PixelOf(image, 190, 54), panel);
  int drawn = 0;
  int through = 0;
  for (int y = 0; y < 50; y += 2) {
    for (int x = 0; x < 158; x += 2) (PixelOf(image, x, y) == panel ? through : drawn)++;
  }
  EXPECT_GT(drawn, 0);
  EXPECT_GT(through, 0);
}

TEST_F(WindowTest, TheProgressBarFollowsTheDownloadProgress) {
  ShowPortal();
  HWND bar = WindowOf(form5_->loading);
  wchar_t name[64] = {};
  GetClassNameW(bar, name, 64);
  EXPECT_EQ(std::wstring(name), PROGRESS_CLASSW);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, TRUE, 0), 0);
  form5_->onWorkBegin(nullptr, net::TWorkMode::wmRead, 200000);
  form5_->onWork(nullptr, net::TWorkMode::wmRead, 50000);
  EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 2000);
  EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 500);
  EXPECT_EQ(form5_->bfb.Caption(), u"25%");
}

TEST_F(WindowTest, TheUsersCloseOfAModalFormEndsItsDisplayAfterTheMessageInHand) {
  bool closeQueried = false;
  form5_->OnCloseQuery = [&](toolkit::Object*, bool&) { closeQueried = true; };
  application_->PostCall([this] {
    // The close button's message.
    SendMessageW(WindowOf(*form5_), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowVisible(WindowOf(*form5_))) << "still inside the message in hand";
  });
  EXPECT_EQ(form5_->ShowModal(), toolkit::ModalResult::Cancel);
  EXPECT_TRUE(closeQueried);
  EXPECT_FALSE(IsWindowVisible(WindowOf(*form5_)));
}

}  // namespace

namespace {

TEST_F(WindowTest, AChangeOfTheMonitorsResolutionRescalesPlacesAndFonts) {
  ShowPortal();
  HWND form = WindowOf(*form5_);
  RECT suggested{};
  GetWindowRect(form, &suggested);
  // 144 dots per inch: one and a half times the design.
  SendMessageW(form, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  const struct {
    const toolkit::Control& control;
    Bounds bounds;
  } cases[] = {
      {form5_->Panel1, {0, 0, 1448, 920}},
      {form5_->Panel3, {0, 920, 1448, 237}},
      {form5_->Label1, {381, 104, 650, 38}},
      {form5_->loading, {300, 144, 830, 27}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.control.Name().begin(), c.control.Name().end())));
    EXPECT_EQ(RectInParent(WindowOf(c.control)), c.bounds);
  }
  auto font = reinterpret_cast<HFONT>(SendMessageW(WindowOf(form5_->Memo1), WM_GETFONT, 0, 0));
  LOGFONTW log{};
  ASSERT_NE(GetObjectW(font, sizeof log, &log), 0);
  EXPECT_EQ(log.lfHeight, -17);
  // The layout itself stays in 96-DPI units.
  EXPECT_EQ(form5_->Label1.GetBounds(), (Bounds{254, 69, 433, 25}));
}

}  // namespace
