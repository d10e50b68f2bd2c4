// What the Win32 peers share: the native window each peer owns, resolution
// scaling, colours and fonts.
//
// Every peer window runs its messages through NativeWindow::Handle inside
// Application::Deliver, so no failure of a handler leaves a window procedure.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "toolkit/control.h"

namespace toolkit::win32 {

inline constexpr UINT kDefaultDpi = 96;

std::wstring Wide(const std::u16string& text);
HINSTANCE ModuleInstance();

// The resolution a window is drawn at (its monitor's, per-monitor aware).
UINT DpiOf(HWND window);
inline int Scale(int value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), kDefaultDpi); }
// The outer size of a window with this style around a client area (at dpi).
SIZE OuterSize(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, UINT dpi);

COLORREF ColorRef(const Color& color);
// The colour a control's background is painted in: a form's or a panel's
// own, else its parent's.
Color BackgroundOf(const Control& control);
void FillBackground(HDC dc, const RECT& rect, const Control& control);

// A GDI font, deleted with its holder.
class GdiFont {
 public:
  GdiFont() = default;
  GdiFont(const Font& font, UINT dpi);
  GdiFont(GdiFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}
  GdiFont& operator=(GdiFont&& other) noexcept;
  ~GdiFont();
  HFONT Get() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

// A native window owned by a peer, destroyed with it. Subclasses handle
// their messages in Handle; messages of predefined classes (progress bar,
// edit) reach Handle through a subclassing procedure.
class NativeWindow {
 public:
  NativeWindow() = default;
  NativeWindow(const NativeWindow&) = delete;
  NativeWindow& operator=(const NativeWindow&) = delete;
  virtual ~NativeWindow();

  HWND Window() const { return window_; }

  // The monitor's resolution changed: fonts and places follow.
  virtual void DpiChanged(UINT dpi) {}

 protected:
  // Creates the window of one of the toolkit's own classes (ToolkitClass)
  // or of a predefined class, then subclassed.
  void CreateNative(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, const RECT& rect,
                    const std::wstring& text);
  virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
  WNDPROC predefined_ = nullptr;
};

// The toolkit's own window class for peers that draw themselves.
const wchar_t* ToolkitClass();

// The native window of a control's peer, or null.
NativeWindow* NativeOf(const Control* control);
HWND WindowOf(const Control* control);

// A child control's rectangle in its parent's client area, scaled.
RECT ScaledBounds(const Control& control, UINT dpi);

// The base of peers of child controls: reflects visibility, bounds and
// z-order; the control's own kind adds the rest.
class ChildPeer : public ControlPeer, public NativeWindow {
 public:
  explicit ChildPeer(Control& control) : control_(control) {}
  void Changed(Property property) override;
  void DpiChanged(UINT dpi) override;

 protected:
  // Makes the child window in its parent's, in front of its earlier siblings.
  void CreateChild(const wchar_t* className, DWORD style, DWORD exStyle = 0);
  UINT Dpi() const { return DpiOf(Window()); }
  void Reposition();
  void Reposition(UINT dpi);

  Control& control_;
};

}  // namespace toolkit::win32
