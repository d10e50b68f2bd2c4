// The general error report: MessageBoxW with every other window disabled.
#include <windows.h>

#include <vector>

#include "toolkit/win32/boxes.h"

namespace toolkit::win32 {
namespace {

struct Disabling {
  HWND applicationWindow;
  std::vector<HWND> windows;
};

BOOL CALLBACK DisableWindow(HWND window, LPARAM parameter) {
  auto* disabling = reinterpret_cast<Disabling*>(parameter);
  if (window != disabling->applicationWindow && IsWindowVisible(window) && IsWindowEnabled(window)) {
    disabling->windows.push_back(window);
  }
  return TRUE;
}

}  // namespace

void ShowErrorReport(HWND owner, HWND applicationWindow, const std::wstring& title, const std::wstring& text) {
  HWND active = GetActiveWindow();
  Disabling disabling{applicationWindow, {}};
  EnumThreadWindows(GetCurrentThreadId(), &DisableWindow, reinterpret_cast<LPARAM>(&disabling));
  for (HWND window : disabling.windows) EnableWindow(window, FALSE);
  MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
  for (HWND window : disabling.windows) {
    if (IsWindow(window)) EnableWindow(window, TRUE);
  }
  if (active != nullptr && IsWindow(active)) SetActiveWindow(active);
}

}  // namespace toolkit::win32
