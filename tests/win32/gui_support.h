// Helpers for tests of the Win32 windows: the program's windows and
// rectangles as the system sees them, and closing a modal box with Enter
// from inside its own modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/control.h"

namespace win32_testing {

HWND WindowOf(const toolkit::Control& control);
HWND ApplicationWindow();
// A window's rectangle in its parent's client area (a top-level window's on the screen).
toolkit::Bounds RectInParent(HWND window);
toolkit::Size ClientSize(HWND window);
std::wstring WindowText(HWND window);

// A modal box as found while open.
struct SeenBox {
  HWND window = nullptr;
  HWND owner = nullptr;
  std::wstring title;
  std::vector<std::wstring> texts;  // its children's texts
  std::vector<int> buttons;         // the identifiers of its buttons
  std::vector<HWND> disabledWindows; // the program's other top-level windows that were disabled
  std::vector<HWND> enabledWindows;  // and those that were not
};

// Watches for modal boxes of this thread from a thread timer (whose
// messages the box's own loop handles too), records each box and
// closes it with Enter. Stops watching after `count` boxes.
class BoxCloser {
 public:
  explicit BoxCloser(int count = 1);
  ~BoxCloser();
  const std::vector<SeenBox>& Boxes() const { return boxes_; }

 private:
  void Look();
  int count_;
  std::vector<SeenBox> boxes_;
  std::vector<HWND> known_;
  UINT_PTR timer_ = 0;
};

// Runs step from a thread timer every 20 ms until it returns true; the
// timer's messages are handled by whichever loop runs.
UINT_PTR Every(std::function<bool()> step);
void StopStep(UINT_PTR id);

// Runs action once the condition holds (looked at from a thread timer).
void WhenReady(std::function<bool()> condition, std::function<void()> action);

}  // namespace win32_testing
