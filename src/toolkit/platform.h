// What a toolkit implementation provides to the application loop: a message
// queue, the two kinds of modal box, and browser peers.
//
// Implementations: headless (an in-process queue, for tests and the console
// edition); Win32 and GTK draw real windows.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace toolkit {

class Application;
class BrowserPeer;
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

  virtual void Post(Message message) = 0;
  // Removes and returns the next message, if one is waiting.
  virtual std::optional<Message> Take() = 0;
  // Returns when a message may be waiting (WaitMessage). May return at once.
  virtual void Wait(Application& application) = 0;

  // A modal box with one OK button and no icon.
  virtual void ShowMessageBox(const std::u16string& title, const std::u16string& text) = 0;
  // A modal system box with the error icon and one OK button.
  virtual void ShowErrorBox(const std::u16string& title, const std::u16string& text) = 0;

  virtual std::unique_ptr<BrowserPeer> CreateBrowserPeer(WebBrowser& browser) = 0;

  // A form has been shown or hidden.
  virtual void FormVisibilityChanged(Form& form) {}
};

}  // namespace toolkit
