// The GTK toolkit's queue, boxes and peers.
#include "toolkit/gtk/gtk_platform.h"

#include <gtk/gtk.h>

#include <vector>

#include "base/exception.h"
#include "sys/codepage.h"
#include "toolkit/application.h"
#include "toolkit/browser.h"
#include "toolkit/gtk/browser.h"
#include "toolkit/gtk/controls.h"
#include "toolkit/gtk/form.h"
#include "toolkit/native.h"

namespace toolkit {

std::unique_ptr<Platform> CreateNativePlatform() { return std::make_unique<gtk::GtkPlatform>(); }

namespace gtk {
namespace {

struct QueueSource {
  GSource base;
  GtkPlatform* platform;
};

gboolean Prepare(GSource* source, gint* timeout) {
  *timeout = -1;
  return reinterpret_cast<QueueSource*>(source)->platform->CallWaiting();
}

gboolean Check(GSource* source) { return reinterpret_cast<QueueSource*>(source)->platform->CallWaiting(); }

gboolean Dispatch(GSource* source, GSourceFunc, gpointer) {
  reinterpret_cast<QueueSource*>(source)->platform->RunWaitingCalls();
  return G_SOURCE_CONTINUE;
}

GSourceFuncs queueFuncs = {Prepare, Check, Dispatch, nullptr, nullptr, nullptr};

// Runs a modal dialog; Enter (the default OK) and Escape close it.
void RunDialog(GtkMessageType type, const std::u16string& title, const std::u16string& text) {
  GtkWindow* owner = ActiveWindow();
  GtkWidget* dialog = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s",
                                             sys::ToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), sys::ToUtf8(title).c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), owner != nullptr ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

// The program's windows other than the one about to open, made insensitive
// while the error report is open.
class InsensitiveWindows {
 public:
  InsensitiveWindows() : active_(ActiveWindow()) {
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
      GtkWidget* window = GTK_WIDGET(item->data);
      if (!gtk_widget_get_sensitive(window)) continue;
      g_object_ref(window);
      gtk_widget_set_sensitive(window, FALSE);
      windows_.push_back(window);
    }
    g_list_free(windows);
  }
  ~InsensitiveWindows() {
    for (GtkWidget* window : windows_) {
      gtk_widget_set_sensitive(window, TRUE);
      g_object_unref(window);
    }
    if (active_ != nullptr && gtk_widget_get_visible(GTK_WIDGET(active_))) gtk_window_present(active_);
  }
  InsensitiveWindows(const InsensitiveWindows&) = delete;
  InsensitiveWindows& operator=(const InsensitiveWindows&) = delete;

 private:
  GtkWindow* active_;
  std::vector<GtkWidget*> windows_;
};

}  // namespace

GtkPlatform::GtkPlatform() {
  if (!gtk_init_check(nullptr, nullptr)) {
    throw base::Exception(u"No display to open the program's windows on (DISPLAY or WAYLAND_DISPLAY)");
  }
  source_ = g_source_new(&queueFuncs, sizeof(QueueSource));
  reinterpret_cast<QueueSource*>(source_)->platform = this;
  g_source_attach(source_, nullptr);
}

GtkPlatform::~GtkPlatform() {
  g_source_destroy(source_);
  g_source_unref(source_);
  // What the windows' destruction left to do (unmapping, freeing) runs now.
  while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
}

void GtkPlatform::Attach(Application& application) {
  // GLib keeps the first name a process gives (a test may make several
  // application objects).
  static const bool named = [&application] {
    const std::string title = sys::ToUtf8(application.Title());
    g_set_prgname(title.c_str());
    g_set_application_name(title.c_str());
    return true;
  }();
  (void)named;
}

void GtkPlatform::Post(Message message) {
  queue_.push_back(std::move(message));
  g_main_context_wakeup(nullptr);
}

std::optional<Message> GtkPlatform::Take() {
  if (!queue_.empty()) {
    Message message = std::move(queue_.front());
    queue_.pop_front();
    return message;
  }
  if (g_main_context_pending(nullptr)) {
    return Message{false, [] { g_main_context_iteration(nullptr, FALSE); }};
  }
  return std::nullopt;
}

void GtkPlatform::Wait(Application& application) {
  if (!queue_.empty()) return;
  g_main_context_iteration(nullptr, TRUE);
}

bool GtkPlatform::CallWaiting() const { return !queue_.empty() && !queue_.front().quit; }

void GtkPlatform::RunWaitingCalls() {
  while (CallWaiting()) {
    std::function<void()> call = std::move(queue_.front().call);
    queue_.pop_front();
    if (call) Application::Instance().Deliver(call);
  }
}

void GtkPlatform::ShowMessageBox(const std::u16string& title, const std::u16string& text) {
  RunDialog(GTK_MESSAGE_OTHER, title, text);
}

void GtkPlatform::ShowErrorBox(const std::u16string& title, const std::u16string& text) {
  InsensitiveWindows others;
  RunDialog(GTK_MESSAGE_ERROR, title, text);
}

std::unique_ptr<ControlPeer> GtkPlatform::CreatePeer(Control& control) {
  if (auto* form = dynamic_cast<Form*>(&control)) return std::make_unique<FormPeer>(*form);
  if (auto* panel = dynamic_cast<Panel*>(&control)) return MakePanelPeer(*panel);
  if (auto* label = dynamic_cast<Label*>(&control)) return MakeLabelPeer(*label);
  if (auto* bar = dynamic_cast<ProgressBar*>(&control)) return MakeProgressBarPeer(*bar);
  if (auto* image = dynamic_cast<Image*>(&control)) return MakeImagePeer(*image);
  return nullptr;  // the memo is never shown
}

std::unique_ptr<BrowserPeer> GtkPlatform::CreateBrowserPeer(WebBrowser& browser) { return MakeBrowserPeer(browser); }

}  // namespace gtk
}  // namespace toolkit
