// The Win32 platform: OLE, the application window and the message queue.
#include "toolkit/win32/platform.h"

#include <commctrl.h>
#include <ole2.h>

#include "toolkit/application.h"
#include "toolkit/native.h"
#include "toolkit/win32/boxes.h"
#include "toolkit/win32/common.h"
#include "toolkit/win32/peers.h"

namespace toolkit::win32 {
namespace {

const wchar_t kApplicationClass[] = L"PackstubApplication";

}  // namespace

Win32Platform::Win32Platform() {
  // The browser controls need a single-threaded apartment with OLE, before
  // any window exists.
  ole_ = OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

Win32Platform::~Win32Platform() {
  if (appWindow_ != nullptr) {
    SetWindowLongPtrW(appWindow_, GWLP_USERDATA, 0);
    DestroyWindow(appWindow_);
  }
  if (icon_ != nullptr) DestroyIcon(icon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
  if (SUCCEEDED(ole_)) OleUninitialize();
}

void Win32Platform::Attach(Application& application) {
  application_ = &application;
  icon_ = static_cast<HICON>(LoadImageW(ModuleInstance(), L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                        GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(LoadImageW(ModuleInstance(), L"MAINICON", IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &ApplicationProcedure;
  wc.hInstance = ModuleInstance();
  wc.hIcon = icon_;
  wc.hIconSm = smallIcon_;
  wc.lpszClassName = kApplicationClass;
  RegisterClassExW(&wc);
  // Zero size and unowned: the taskbar entry of the whole program.
  const RECT work = [] {
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
  }();
  appWindow_ = CreateWindowExW(0, kApplicationClass, Wide(application.Title()).c_str(),
                               WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS,
                               (work.left + work.right) / 2, (work.top + work.bottom) / 2, 0, 0, nullptr, nullptr,
                               ModuleInstance(), nullptr);
  SetWindowLongPtrW(appWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK Win32Platform::ApplicationProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case kRunCallMessage:
      self->RunNextCall();
      return 0;
    case WM_CLOSE:
      // The taskbar entry's close: the main form decides.
      self->application_->Deliver([self] {
        if (Form* form = self->application_->MainForm()) form->Close();
      });
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void Win32Platform::RunNextCall() {
  if (calls_.empty()) return;
  std::function<void()> call = std::move(calls_.front());
  calls_.pop_front();
  if (call) application_->Deliver(call);
}

void Win32Platform::Post(Message message) {
  if (message.quit) {
    PostQuitMessage(0);
    return;
  }
  calls_.push_back(std::move(message.call));
  PostMessageW(appWindow_, kRunCallMessage, 0, 0);
}

std::optional<Message> Win32Platform::Take() {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return std::nullopt;
  if (msg.message == WM_QUIT) return Message{true, {}};
  if (msg.message == kRunCallMessage && msg.hwnd == appWindow_) {
    if (calls_.empty()) return Message{};
    Message call{false, std::move(calls_.front())};
    calls_.pop_front();
    return call;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return Message{};
}

void Win32Platform::Wait(Application& application) {
  if (application.Terminated()) return;
  WaitMessage();
}

HWND Win32Platform::BoxOwner() const {
  HWND active = GetActiveWindow();
  DWORD process = 0;
  if (active != nullptr && GetWindowThreadProcessId(active, &process) != 0 && process == GetCurrentProcessId()) {
    return active;
  }
  return appWindow_;
}

void Win32Platform::ShowMessageBox(const std::u16string& title, const std::u16string& text) {
  ShowTaskMessage(BoxOwner(), Wide(title), Wide(text));
}

void Win32Platform::ShowErrorBox(const std::u16string& title, const std::u16string& text) {
  ShowErrorReport(BoxOwner(), appWindow_, Wide(title), Wide(text));
}

std::unique_ptr<ControlPeer> Win32Platform::CreatePeer(Control& control) {
  if (auto* form = dynamic_cast<Form*>(&control)) return MakeFormPeer(*form, *this);
  if (auto* panel = dynamic_cast<Panel*>(&control)) return MakePanelPeer(*panel);
  if (auto* label = dynamic_cast<Label*>(&control)) return MakeLabelPeer(*label);
  if (auto* bar = dynamic_cast<ProgressBar*>(&control)) return MakeProgressBarPeer(*bar);
  if (auto* memo = dynamic_cast<Memo*>(&control)) return MakeMemoPeer(*memo);
  if (auto* image = dynamic_cast<Image*>(&control)) return MakeImagePeer(*image);
  return nullptr;
}

std::unique_ptr<BrowserPeer> Win32Platform::CreateBrowserPeer(WebBrowser& browser) { return MakeBrowserPeer(browser); }

void Win32Platform::FormVisibilityChanged(Form& form) {
  // The taskbar entry appears with the first window the user sees.
  if (form.Visible() && !IsWindowVisible(appWindow_)) ShowWindow(appWindow_, SW_SHOWNA);
}

}  // namespace toolkit::win32

namespace toolkit {

std::unique_ptr<Platform> CreateNativePlatform() { return std::make_unique<win32::Win32Platform>(); }

}  // namespace toolkit
