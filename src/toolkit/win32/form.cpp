// A form's window: a fixed-border top-level window owned by the application
// window, with the exact client size at the monitor's resolution, centred on
// its monitor's work area each time it is shown.
#include <windows.h>

#include "toolkit/application.h"
#include "toolkit/layout.h"
#include "toolkit/win32/common.h"
#include "toolkit/win32/peers.h"
#include "toolkit/win32/platform.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace toolkit::win32 {
namespace {

class FormPeer : public ControlPeer, public NativeWindow {
 public:
  FormPeer(Form& form, Win32Platform& platform) : form_(form) {
    style_ = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (form.borderStyle == BorderStyle::Sizeable) style_ |= WS_THICKFRAME;
    if (form.minimizeButton) style_ |= WS_MINIMIZEBOX;
    if (form.maximizeButton) style_ |= WS_MAXIMIZEBOX;
    exStyle_ = WS_EX_CONTROLPARENT;
    // Owned by the application window: no taskbar entry of its own.
    const UINT dpi = DpiOf(platform.ApplicationWindow());
    const SIZE outer = OuterSize(style_, exStyle_, form.clientWidth, form.clientHeight, dpi);
    CreateNative(ToolkitClass(), style_, exStyle_, platform.ApplicationWindow(), RECT{0, 0, outer.cx, outer.cy},
                 Wide(form.Caption()));
    SendMessageW(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(platform.Icon(false)));
    SendMessageW(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(platform.Icon(true)));
    // The window was made at the owner's resolution; its own may differ.
    Resize(DpiOf(Window()));
  }

  void Changed(Property property) override {
    switch (property) {
      case Property::Visible:
        if (form_.Visible()) {
          if (form_.position == FormPosition::WorkAreaCenter) Centre();
          ShowWindow(Window(), SW_SHOW);
          SetForegroundWindow(Window());
        } else {
          ShowWindow(Window(), SW_HIDE);
        }
        break;
      case Property::Caption:
        SetWindowTextW(Window(), Wide(form_.Caption()).c_str());
        break;
      default:
        break;
    }
  }

 private:
  void Resize(UINT dpi) {
    const SIZE outer = OuterSize(style_, exStyle_, form_.clientWidth, form_.clientHeight, dpi);
    SetWindowPos(Window(), nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void Centre() {
    RECT outer{};
    GetWindowRect(Window(), &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(Window(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& w = monitor.rcWork;
    const Bounds placed = CenteredInWorkArea({w.left, w.top, w.right - w.left, w.bottom - w.top},
                                             outer.right - outer.left, outer.bottom - outer.top);
    SetWindowPos(Window(), nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // Every peer below the form follows a change of resolution.
  static void Rescale(Control& control, UINT dpi) {
    for (Control* child : control.Children()) {
      if (NativeWindow* native = NativeOf(child)) native->DpiChanged(dpi);
      Rescale(*child, dpi);
    }
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_CLOSE:
        // The user's close: the core decides (a modal form only marks it).
        form_.Close();
        return 0;
      case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(Window(), &client);
        FillBackground(reinterpret_cast<HDC>(wParam), client, form_);
        return 1;
      }
      case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        const UINT dpi = HIWORD(wParam);
        const SIZE outer = OuterSize(style_, exStyle_, form_.clientWidth, form_.clientHeight, dpi);
        SetWindowPos(Window(), nullptr, suggested->left, suggested->top, outer.cx, outer.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        Rescale(form_, dpi);
        InvalidateRect(Window(), nullptr, TRUE);
        return 0;
      }
      default:
        return Default(message, wParam, lParam);
    }
  }

  Form& form_;
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
};

}  // namespace

std::unique_ptr<ControlPeer> MakeFormPeer(Form& form, Win32Platform& platform) {
  return std::make_unique<FormPeer>(form, platform);
}

}  // namespace toolkit::win32
