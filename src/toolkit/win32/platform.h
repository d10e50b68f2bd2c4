// The Win32 toolkit's platform: OLE for the thread, the application window,
// the real message queue, the message box and the error report, and the
// peers of every control kind.
#pragma once

#include <windows.h>

#include <deque>

#include "toolkit/platform.h"

namespace toolkit::win32 {

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;

  void Attach(Application& application) override;
  void Post(Message message) override;
  std::optional<Message> Take() override;
  void Wait(Application& application) override;
  void ShowMessageBox(const std::u16string& title, const std::u16string& text) override;
  void ShowErrorBox(const std::u16string& title, const std::u16string& text) override;
  std::unique_ptr<ControlPeer> CreatePeer(Control& control) override;
  std::unique_ptr<BrowserPeer> CreateBrowserPeer(WebBrowser& browser) override;
  void FormVisibilityChanged(Form& form) override;

  // The zero-size window that owns the taskbar entry and both forms.
  HWND ApplicationWindow() const { return appWindow_; }
  HICON Icon(bool small) const { return small ? smallIcon_ : icon_; }
  // The owner of a box: the program's active window, else the application window.
  HWND BoxOwner() const;

 private:
  static LRESULT CALLBACK ApplicationProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void RunNextCall();

  HRESULT ole_ = E_FAIL;
  Application* application_ = nullptr;
  HWND appWindow_ = nullptr;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  // Calls posted to the loop, in order: each has one wake-up message in the
  // thread's queue, so a system modal loop (a message box's) runs them too.
  std::deque<std::function<void()>> calls_;
};

// The message that runs the next posted call.
inline constexpr UINT kRunCallMessage = WM_APP + 1;

}  // namespace toolkit::win32
