// Native windows, scaling, colours and fonts shared by the Win32 peers.
#include "toolkit/win32/common.h"

#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace toolkit::win32 {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// The per-monitor functions exist from Windows 10 on: looked up at run time.
template <class F>
F User32Function(const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

const wchar_t kToolkitClass[] = L"PackstubControl";
const wchar_t kNativeProperty[] = L"PackstubNative";

}  // namespace

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

UINT DpiOf(HWND window) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr && window != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

SIZE OuterSize(DWORD style, DWORD exStyle, int clientWidth, int clientHeight, UINT dpi) {
  static const auto adjustForDpi = User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
  RECT rect{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
  if (adjustForDpi != nullptr) {
    adjustForDpi(&rect, style, FALSE, exStyle, dpi);
  } else {
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  }
  return {rect.right - rect.left, rect.bottom - rect.top};
}

COLORREF ColorRef(const Color& color) {
  return color.isSystem ? GetSysColor(static_cast<int>(color.value)) : static_cast<COLORREF>(color.value);
}

Color BackgroundOf(const Control& control) {
  const Control* c = &control;
  while (c->Parent() != nullptr) {
    if (const auto* panel = dynamic_cast<const Panel*>(c); panel != nullptr && panel->ownBackground) break;
    c = c->Parent();
  }
  return c->GetColor();
}

void FillBackground(HDC dc, const RECT& rect, const Control& control) {
  HBRUSH brush = CreateSolidBrush(ColorRef(BackgroundOf(control)));
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

GdiFont::GdiFont(const Font& font, UINT dpi) {
  LOGFONTW log{};
  log.lfHeight = -Scale(font.height, dpi);
  log.lfCharSet = DEFAULT_CHARSET;
  log.lfQuality = DEFAULT_QUALITY;
  const std::wstring name = Wide(font.name);
  lstrcpynW(log.lfFaceName, name.c_str(), LF_FACESIZE);
  font_ = CreateFontIndirectW(&log);
}

GdiFont& GdiFont::operator=(GdiFont&& other) noexcept {
  if (this != &other) {
    if (font_ != nullptr) DeleteObject(font_);
    font_ = std::exchange(other.font_, nullptr);
  }
  return *this;
}

GdiFont::~GdiFont() {
  if (font_ != nullptr) DeleteObject(font_);
}

const wchar_t* ToolkitClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;  // replaced per window in CreateNative
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kToolkitClass;
    return RegisterClassExW(&wc);
  }();
  (void)atom;
  return kToolkitClass;
}

NativeWindow::~NativeWindow() {
  if (window_ != nullptr) {
    RemovePropW(window_, kNativeProperty);
    if (predefined_ != nullptr) SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(predefined_));
    DestroyWindow(window_);
  }
}

void NativeWindow::CreateNative(const wchar_t* className, DWORD style, DWORD exStyle, HWND parent, const RECT& rect,
                                const std::wstring& text) {
  window_ = CreateWindowExW(exStyle, className, text.c_str(), style, rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top, parent, nullptr, ModuleInstance(), nullptr);
  if (window_ == nullptr) return;
  SetPropW(window_, kNativeProperty, this);
  // A predefined class's own procedure stays the default of its messages.
  const bool own = lstrcmpiW(className, kToolkitClass) == 0;
  predefined_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
  if (own) predefined_ = nullptr;
}

LRESULT NativeWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }

LRESULT NativeWindow::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  if (predefined_ != nullptr) return CallWindowProcW(predefined_, window_, message, wParam, lParam);
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT NativeWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = false;
  Application::Instance().Deliver([&] {
    result = Handle(message, wParam, lParam);
    handled = true;
  });
  // A handler that failed has been reported; the system's default goes on.
  if (!handled) result = Default(message, wParam, lParam);
  return result;
}

LRESULT CALLBACK NativeWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<NativeWindow*>(GetPropW(window, kNativeProperty));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->Dispatch(message, wParam, lParam);
}

NativeWindow* NativeOf(const Control* control) {
  if (control == nullptr) return nullptr;
  return dynamic_cast<NativeWindow*>(control->Peer());
}

HWND WindowOf(const Control* control) {
  NativeWindow* native = NativeOf(control);
  return native != nullptr ? native->Window() : nullptr;
}

RECT ScaledBounds(const Control& control, UINT dpi) {
  const Bounds& b = control.GetBounds();
  const int left = Scale(b.left, dpi);
  const int top = Scale(b.top, dpi);
  return {left, top, left + Scale(b.width, dpi), top + Scale(b.height, dpi)};
}

void ChildPeer::CreateChild(const wchar_t* className, DWORD style, DWORD exStyle) {
  HWND parent = WindowOf(control_.Parent());
  const UINT dpi = DpiOf(parent);
  style |= WS_CHILD | WS_CLIPSIBLINGS | (control_.Visible() ? WS_VISIBLE : 0);
  CreateNative(className, style, exStyle, parent, ScaledBounds(control_, dpi), Wide(control_.Caption()));
  SetWindowPos(Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ChildPeer::Reposition() { Reposition(Dpi()); }

void ChildPeer::Reposition(UINT dpi) {
  const RECT r = ScaledBounds(control_, dpi);
  SetWindowPos(Window(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ChildPeer::Changed(Property property) {
  switch (property) {
    case Property::Visible:
      ShowWindow(Window(), control_.Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Property::Bounds:
      Reposition();
      break;
    case Property::ZOrder:
      SetWindowPos(Window(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    case Property::Caption:
      SetWindowTextW(Window(), Wide(control_.Caption()).c_str());
      InvalidateRect(Window(), nullptr, TRUE);
      break;
    default:
      break;
  }
}

void ChildPeer::DpiChanged(UINT dpi) { Reposition(dpi); }

}  // namespace toolkit::win32
