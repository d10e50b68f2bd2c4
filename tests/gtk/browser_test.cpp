// The GTK toolkit's browser control in this process: a completed page
// delivered once with its source bytes exactly as served, nothing for a
// page that cannot be loaded, an address that cannot be opened refused,
// and hiding.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "base/stream.h"
#include "gui_portal.h"
#include "sys/codepage.h"
#include "toolkit/application.h"
#include "toolkit/browser.h"
#include "toolkit/form.h"
#include "toolkit/native.h"
#include "x_session.h"

#include <gtk/gtk.h>

namespace gui_testing {
namespace {

class GtkBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (XSession::Get(&reason) == nullptr) GTEST_SKIP() << reason;
    application_ = std::make_unique<toolkit::Application>(toolkit::CreateNativePlatform(), u"/opt/packstub");
    form_.clientWidth = 400;
    form_.clientHeight = 300;
    browser_.SetParent(&form_);
    browser_.SetBounds({0, 0, 400, 300});
    browser_.OnDocumentComplete = [this](toolkit::Object*, toolkit::Object*, const std::u16string& url) {
      ++completed_;
      urls_.push_back(url);
      if (toolkit::Document* document = browser_.GetDocument()) document->Save(saved_);
    };
    form_.Show();
  }

  // Handles messages for a while, as the program's loops do.
  void RunFor(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
      application_->ProcessMessages();
      g_usleep(10000);
    }
  }
  void RunUntilComplete(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (completed_ == 0 && std::chrono::steady_clock::now() < end) {
      application_->ProcessMessages();
      g_usleep(10000);
    }
  }

  std::unique_ptr<toolkit::Application> application_;
  toolkit::Form form_{u"Form5"};
  toolkit::WebBrowser browser_{u"WebBrowser1"};
  int completed_ = 0;
  std::vector<std::u16string> urls_;
  base::TMemoryStream saved_;
  Portal portal_;
};

TEST_F(GtkBrowser, DeliversACompletedPageWithItsSourceBytesAsServed) {
  // GBK bytes without a mark and a marker inside a comment: the source is
  // the bytes, not WebKit's reading of them.
  const std::string page = "<html><body>\xD6\xD0\xCE\xC4<!-- |||http://127.0.0.1/a.zip* --></body></html>";
  portal_.Route("/page.html", Portal::Page(page, "text/html"));
  EXPECT_EQ(browser_.GetDocument(), nullptr);
  browser_.Navigate(sys::FromUtf8(portal_.Url("/page.html")));
  RunUntilComplete(20);
  RunFor(0.5);
  EXPECT_EQ(completed_, 1);
  EXPECT_EQ(saved_.Data(), page);
  ASSERT_FALSE(urls_.empty());
  EXPECT_EQ(urls_[0], sys::FromUtf8(portal_.Url("/page.html")));
}

TEST_F(GtkBrowser, APageThatCannotBeLoadedCompletesNothing) {
  portal_.Route("/missing.html", {"", ""});  // closed without an answer
  browser_.Navigate(sys::FromUtf8(portal_.Url("/missing.html")));
  RunFor(4);
  EXPECT_EQ(completed_, 0);
}

TEST_F(GtkBrowser, RefusesAnAddressItCannotOpen) {
  EXPECT_THROW(browser_.Navigate(u"?pid=p1&code=packstub&fee=1"), std::exception);
}

TEST_F(GtkBrowser, HidesWhenNotVisible) {
  browser_.SetVisible(false);
  GList* windows = gtk_window_list_toplevels();
  bool anyVisibleView = false;
  std::function<void(GtkWidget*)> look = [&](GtkWidget* widget) {
    if (g_type_name(G_OBJECT_TYPE(widget)) == std::string("WebKitWebView")) anyVisibleView |= gtk_widget_get_visible(widget);
    if (GTK_IS_CONTAINER(widget) && !g_type_is_a(G_OBJECT_TYPE(widget), g_type_from_name("WebKitWebView"))) {
      GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
      for (GList* child = children; child != nullptr; child = child->next) look(GTK_WIDGET(child->data));
      g_list_free(children);
    }
  };
  for (GList* item = windows; item != nullptr; item = item->next) look(GTK_WIDGET(item->data));
  g_list_free(windows);
  EXPECT_FALSE(anyVisibleView);
  browser_.SetVisible(true);
}

}  // namespace
}  // namespace gui_testing
