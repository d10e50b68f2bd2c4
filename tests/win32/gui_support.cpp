// Helpers for tests of the Win32 windows.
#include "gui_support.h"

#include <algorithm>
#include <map>
#include <memory>

#include "toolkit/application.h"
#include "toolkit/win32/common.h"
#include "toolkit/win32/platform.h"

namespace win32_testing {

HWND WindowOf(const toolkit::Control& control) { return toolkit::win32::WindowOf(&control); }

HWND ApplicationWindow() {
  auto& platform = static_cast<toolkit::win32::Win32Platform&>(toolkit::Application::Instance().GetPlatform());
  return platform.ApplicationWindow();
}

toolkit::Bounds RectInParent(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  HWND parent = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0 ? GetParent(window) : nullptr;
  if (parent != nullptr) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

toolkit::Size ClientSize(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return {r.right - r.left, r.bottom - r.top};
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

bool IsDialog(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return std::wstring(name) == L"#32770" && IsWindowVisible(window);
}

void PressEnter(HWND dialog) {
  HWND focus = GetFocus();
  HWND target = focus != nullptr && (focus == dialog || IsChild(dialog, focus)) ? focus : dialog;
  PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
  PostMessageW(target, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
}

// Steps run by thread timers: a timer message comes only when it is due, so
// a loop that handles every waiting message still comes to its end.
struct Step {
  std::function<bool()> run;  // true: done
  bool running = false;
};
std::map<UINT_PTR, std::shared_ptr<Step>>& Steps() {
  static std::map<UINT_PTR, std::shared_ptr<Step>> steps;
  return steps;
}

void CALLBACK RunStep(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Steps().find(id);
  if (it == Steps().end()) return;
  std::shared_ptr<Step> step = it->second;
  if (step->running) return;
  step->running = true;
  const bool done = step->run();
  step->running = false;
  if (done) {
    KillTimer(nullptr, id);
    Steps().erase(id);
  }
}

}  // namespace

UINT_PTR Every(std::function<bool()> step) {
  const UINT_PTR id = SetTimer(nullptr, 0, 20, &RunStep);
  Steps()[id] = std::make_shared<Step>(Step{std::move(step)});
  return id;
}

void StopStep(UINT_PTR id) {
  if (Steps().erase(id) != 0) KillTimer(nullptr, id);
}

BoxCloser::BoxCloser(int count) : count_(count) {
  timer_ = Every([this] {
    Look();
    return static_cast<int>(boxes_.size()) >= count_;
  });
}

BoxCloser::~BoxCloser() { StopStep(timer_); }

void BoxCloser::Look() {
  for (HWND window : ThreadWindows()) {
    if (!IsDialog(window) || std::find(known_.begin(), known_.end(), window) != known_.end()) continue;
    known_.push_back(window);
    SeenBox box;
    box.window = window;
    box.owner = GetWindow(window, GW_OWNER);
    box.title = WindowText(window);
    std::vector<HWND> children;
    EnumChildWindows(window, &CollectWindow, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
      const std::wstring text = WindowText(child);
      if (!text.empty()) box.texts.push_back(text);
      wchar_t name[32] = {};
      GetClassNameW(child, name, 32);
      if (lstrcmpiW(name, L"Button") == 0 && IsWindowVisible(child)) box.buttons.push_back(GetDlgCtrlID(child));
    }
    for (HWND other : ThreadWindows()) {
      if (other == window || !IsWindowVisible(other) || other == ApplicationWindow()) continue;
      (IsWindowEnabled(other) ? box.enabledWindows : box.disabledWindows).push_back(other);
    }
    boxes_.push_back(box);
    PressEnter(window);
    break;
  }
}

void WhenReady(std::function<bool()> condition, std::function<void()> action) {
  Every([condition, action] {
    if (!condition()) return false;
    action();
    return true;
  });
}

}  // namespace win32_testing
