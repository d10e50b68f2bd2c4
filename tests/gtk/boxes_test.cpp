// The GTK toolkit's message box and error report in this process, on the
// tests' display: their title, text and icon read back while they are
// open, closed with Enter pressed on the keyboard, posted calls running
// meanwhile, and the other windows insensitive while the report is open.
#include <gtest/gtest.h>

#include <memory>

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/native.h"
#include "x_session.h"

// Xlib's macros (None, Bool) would clash with the toolkit's names: last.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace gui_testing {
namespace {

struct OpenBox {
  bool found = false;
  std::string title;
  std::string text;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  bool postedCallRan = false;
  bool formSensitive = true;
  bool closedByEnter = true;
};

class GtkBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    x_ = XSession::Get(&reason);
    if (x_ == nullptr) GTEST_SKIP() << reason;
    application_ = std::make_unique<toolkit::Application>(toolkit::CreateNativePlatform(), u"/opt/tools/Packstub.Setup");
    form_.clientWidth = 200;
    form_.clientHeight = 100;
    form_.Show();
  }

  // Looks for the open box, notes what it shows when it first sees it,
  // and presses Enter in it until it is gone (a key pressed before the box
  // takes the focus is lost); destroys it after twenty seconds, so that a
  // box Enter does not close fails the test instead of hanging it.
  void WatchForBox() {
    g_timeout_add(250, [](gpointer data) -> gboolean {
      auto& self = *static_cast<GtkBoxes*>(data);
      GList* windows = gtk_window_list_toplevels();
      GtkWidget* dialog = nullptr;
      for (GList* item = windows; item != nullptr; item = item->next) {
        if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_mapped(GTK_WIDGET(item->data))) dialog = GTK_WIDGET(item->data);
      }
      g_list_free(windows);
      if (dialog == nullptr) return self.box_.found || ++self.ticks_ > 80 ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
      if (!self.box_.found) {
        self.box_.found = true;
        self.box_.title = gtk_window_get_title(GTK_WINDOW(dialog));
        gchar* text = nullptr;
        g_object_get(dialog, "text", &text, "message-type", &self.box_.type, nullptr);
        self.box_.text = text != nullptr ? text : "";
        g_free(text);
        self.box_.postedCallRan = self.posted_;
        self.box_.formSensitive = gtk_widget_get_sensitive(gtk_widget_get_toplevel(self.FormWidget()));
      }
      if (++self.presses_ > 80) {
        self.box_.closedByEnter = false;
        gtk_widget_destroy(dialog);
        return G_SOURCE_REMOVE;
      }
      self.x_->PressKey(gdk_x11_window_get_xid(gtk_widget_get_window(dialog)), "Return");
      return G_SOURCE_CONTINUE;
    }, this);
  }

  GtkWidget* FormWidget() {
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* found = nullptr;
    for (GList* item = windows; item != nullptr; item = item->next) {
      if (!GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data))) found = GTK_WIDGET(item->data);
    }
    g_list_free(windows);
    return found;
  }

  XSession* x_ = nullptr;
  std::unique_ptr<toolkit::Application> application_;
  toolkit::Form form_{u"Form1"};
  OpenBox box_;
  bool posted_ = false;
  int ticks_ = 0;
  int presses_ = 0;
};

TEST_F(GtkBoxes, MessageBoxShowsTheTitleAndTextAndClosesWithEnterWhileCallsRun) {
  application_->PostCall([this] { posted_ = true; });
  WatchForBox();
  application_->ShowMessage(u"下载失败！可能文件不存在或网络不通，或磁盘空间不够");
  ASSERT_TRUE(box_.found);
  EXPECT_TRUE(box_.closedByEnter);
  EXPECT_EQ(box_.title, "Packstub");
  EXPECT_EQ(box_.text, "下载失败！可能文件不存在或网络不通，或磁盘空间不够");
  EXPECT_EQ(box_.type, GTK_MESSAGE_OTHER);  // no icon
  EXPECT_TRUE(box_.postedCallRan);
  EXPECT_TRUE(box_.formSensitive);
}

TEST_F(GtkBoxes, ErrorReportShowsTheErrorWithTheOtherWindowsInsensitive) {
  WatchForBox();
  application_->HandleException(std::make_exception_ptr(std::runtime_error("Error reading zip file")));
  ASSERT_TRUE(box_.found);
  EXPECT_TRUE(box_.closedByEnter);
  EXPECT_EQ(box_.title, "Packstub");
  EXPECT_EQ(box_.text, "Error reading zip file.");
  EXPECT_EQ(box_.type, GTK_MESSAGE_ERROR);
  EXPECT_FALSE(box_.formSensitive);
  // Afterwards the window is usable again.
  EXPECT_TRUE(gtk_widget_get_sensitive(FormWidget()));
}

}  // namespace
}  // namespace gui_testing
