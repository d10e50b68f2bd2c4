// The message box: a system task dialog, or a dialog of the program's own.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "toolkit/win32/boxes.h"

namespace toolkit::win32 {
namespace {

using TaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

TaskDialogIndirectFunction FindTaskDialog() {
  // Version 6 of the common controls (the manifest's) is the one loaded.
  HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
  if (comctl == nullptr) comctl = LoadLibraryW(L"comctl32.dll");
  if (comctl == nullptr) return nullptr;
  return reinterpret_cast<TaskDialogIndirectFunction>(
      reinterpret_cast<void*>(GetProcAddress(comctl, "TaskDialogIndirect")));
}

// An in-memory dialog template: a static text and an OK button.
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& title, const std::wstring& text, short width, short textHeight) {
    DLGTEMPLATE dialog{};
    dialog.style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dialog.cdit = 2;
    dialog.cx = width;
    dialog.cy = static_cast<short>(textHeight + 36);
    Append(&dialog, sizeof dialog);
    Word(0);  // no menu
    Word(0);  // the standard class
    Text(title);
    Word(9);
    Text(L"Segoe UI");
    Item(0, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 10, 10, static_cast<short>(width - 20), textHeight,
         0xFFFF, 0x0082, text);
    Item(IDOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, static_cast<short>(width - 60),
         static_cast<short>(textHeight + 16), 50, 14, 0xFFFF, 0x0080, L"OK");
  }
  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

 private:
  void Append(const void* p, std::size_t n) {
    const auto* bytes = static_cast<const unsigned char*>(p);
    data_.insert(data_.end(), bytes, bytes + n);
  }
  void Word(WORD w) { Append(&w, sizeof w); }
  void Text(const std::wstring& s) { Append(s.c_str(), (s.size() + 1) * sizeof(wchar_t)); }
  void Align() {
    while (data_.size() % 4 != 0) data_.push_back(0);
  }
  void Item(WORD id, DWORD style, short x, short y, short cx, short cy, WORD classMark, WORD classAtom,
            const std::wstring& text) {
    Align();
    DLGITEMTEMPLATE item{};
    item.style = style;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Append(&item, sizeof item);
    Word(classMark);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
  }
  std::vector<unsigned char> data_;
};

INT_PTR CALLBACK OwnDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDOK);
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, IDOK);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowOwnMessageDialog(HWND owner, const std::wstring& title, const std::wstring& text) {
  // Size the text by counting its lines (dialog units: 8 per line).
  short lines = 1;
  std::size_t longest = 0;
  std::size_t current = 0;
  for (wchar_t c : text) {
    if (c == L'\n') {
      ++lines;
      current = 0;
    } else {
      longest = std::max(longest, ++current);
    }
  }
  const short width = static_cast<short>(std::min<std::size_t>(std::max<std::size_t>(longest * 4 + 30, 120), 400));
  lines = static_cast<short>(lines + static_cast<short>(longest * 4 / 380));
  const DialogTemplate dialog(title, text, width, static_cast<short>(lines * 9));
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, &OwnDialogProcedure, 0);
}

void ShowTaskMessage(HWND owner, const std::wstring& title, const std::wstring& text) {
  static const TaskDialogIndirectFunction taskDialog = FindTaskDialog();
  if (taskDialog != nullptr) {
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    // Without a window to centre on, the task dialog centres itself on the
    // monitor (the owner's); cancellation lets Escape and the close button
    // close a box that has only OK.
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = title.c_str();
    config.pszContent = text.c_str();
    config.nDefaultButton = IDOK;
    if (SUCCEEDED(taskDialog(&config, nullptr, nullptr, nullptr))) return;
  }
  ShowOwnMessageDialog(owner, title, text);
}

}  // namespace toolkit::win32
