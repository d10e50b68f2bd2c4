// The two modal boxes of the program.
#pragma once

#include <windows.h>

#include <string>

namespace toolkit::win32 {

// The message box: a task dialog (looked up in comctl32 at run time) with
// the title, no icon, the text and one default OK button; Enter, Escape and
// the close button close it. Without task dialogs, a dialog of the
// program's own with the same title, text and button.
void ShowTaskMessage(HWND owner, const std::wstring& title, const std::wstring& text);
// The dialog of the program's own, also used where task dialogs are missing.
void ShowOwnMessageDialog(HWND owner, const std::wstring& title, const std::wstring& text);

// The general error report: a system box with the error icon and one OK
// button. Every other window of the program is disabled while it is open;
// afterwards they are enabled again and the window that was active is
// made active again.
void ShowErrorReport(HWND owner, HWND applicationWindow, const std::wstring& title, const std::wstring& text);

}  // namespace toolkit::win32
