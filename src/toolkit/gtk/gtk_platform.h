// The GTK toolkit: GTK 3 windows, WebKitGTK browsers, and the message queue
// over GLib's main context.
//
// Posted calls and the quit message wait in a queue of our own behind a
// GLib source, so that waiting happens in the main context and a nested
// loop of GTK's own (a dialog's) still runs posted calls; the quit message
// is left for the toolkit's loops to take, as a modal system box leaves it
// on Windows. Taking a message hands out either the next queued message or
// one iteration of the main context while it has events pending.
#pragma once

#include <deque>
#include <memory>

#include "toolkit/platform.h"

typedef struct _GSource GSource;

namespace toolkit::gtk {

class GtkPlatform : public Platform {
 public:
  // Opens the display; raises when there is none.
  GtkPlatform();
  ~GtkPlatform() override;

  void Attach(Application& application) override;
  void Post(Message message) override;
  std::optional<Message> Take() override;
  void Wait(Application& application) override;

  void ShowMessageBox(const std::u16string& title, const std::u16string& text) override;
  void ShowErrorBox(const std::u16string& title, const std::u16string& text) override;

  std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
  std::unique_ptr<BrowserPeer> CreateBrowserPeer(WebBrowser& browser) override;

  // The queue's GLib source runs the calls at its front.
  bool CallWaiting() const;
  void RunWaitingCalls();

 private:
  std::deque<Message> queue_;
  GSource* source_ = nullptr;
};

}  // namespace toolkit::gtk
