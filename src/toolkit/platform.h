// The seam between the toolkit's core and an implementation: a message
// queue, the two kinds of modal box, and the native peers of forms,
// controls and browsers.
//
// Implementations: headless (an in-process queue and no peers but the
// browsers', for tests and the console edition); Win32 and GTK draw real
// windows. The core decides everything (layout, modal loops, the close
// rules); an implementation reflects it and reports the user's input.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace toolkit {

class Application;
class BrowserPeer;
class Control;
class ControlPeer;
class Form;
class WebBrowser;

// A queued message: the quit message, or a call posted to the loop.
struct Message {
  bool quit = false;
  std::function<void()> call;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Called once by the application object, after the title is known and
  // before any form exists (the application window is made here).
  virtual void Attach(Application& application) {}

  virtual void Post(Message message) = 0;
  // Removes and returns the next message, if one is waiting.
  virtual std::optional<Message> Take() = 0;
  // Returns when a message may be waiting (WaitMessage). May return at once.
  virtual void Wait(Application& application) = 0;

  // A modal box with one OK button and no icon.
  virtual void ShowMessageBox(const std::u16string& title, const std::u16string& text) = 0;
  // A modal system box with the error icon and one OK button.
  virtual void ShowErrorBox(const std::u16string& title, const std::u16string& text) = 0;

  // The native peer of a form or plain control (Form, Panel, Label,
  // ProgressBar, Memo, Image), made when its window is realised; its
  // parent's peer exists already. Null: nothing is drawn for it.
  virtual std::unique_ptr<ControlPeer> CreatePeer(Control& control) { return nullptr; }
  // The browser's native control; never null.
  virtual std::unique_ptr<BrowserPeer> CreateBrowserPeer(WebBrowser& browser) = 0;

  // A form has been shown or hidden.
  virtual void FormVisibilityChanged(Form& form) {}
};

}  // namespace toolkit
