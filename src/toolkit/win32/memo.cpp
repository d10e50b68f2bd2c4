// A memo's window: a multi-line edit control holding the control's text.
#include <windows.h>

#include "toolkit/win32/common.h"
#include "toolkit/win32/peers.h"

namespace toolkit::win32 {
namespace {

class MemoPeer : public ChildPeer {
 public:
  explicit MemoPeer(Memo& memo) : ChildPeer(memo), memo_(memo) {
    CreateChild(L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP, WS_EX_CLIENTEDGE);
    // The page texts it holds are far longer than an edit's default limit.
    SendMessageW(Window(), EM_SETLIMITTEXT, 0, 0);
    font_ = GdiFont(memo.EffectiveFont(), Dpi());
    SendMessageW(Window(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    ShowText();
  }

  void Changed(Property property) override {
    if (property == Property::Text) {
      ShowText();
      return;
    }
    ChildPeer::Changed(property);
  }

  void DpiChanged(UINT dpi) override {
    font_ = GdiFont(memo_.EffectiveFont(), dpi);
    SendMessageW(Window(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
    ChildPeer::DpiChanged(dpi);
  }

 private:
  void ShowText() {
    const std::u16string& text = memo_.Text();
    SetWindowTextW(Window(), reinterpret_cast<const wchar_t*>(text.c_str()));
  }

  Memo& memo_;
  GdiFont font_;
};

}  // namespace

std::unique_ptr<ControlPeer> MakeMemoPeer(Memo& memo) { return std::make_unique<MemoPeer>(memo); }

}  // namespace toolkit::win32
