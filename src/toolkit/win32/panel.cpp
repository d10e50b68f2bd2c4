// A panel's window: no bevel, its background (its own colour or the
// parent's) and its caption centred where no child covers it.
#include <windows.h>

#include "toolkit/win32/common.h"
#include "toolkit/win32/peers.h"

namespace toolkit::win32 {
namespace {

class PanelPeer : public ChildPeer {
 public:
  explicit PanelPeer(Panel& panel) : ChildPeer(panel), panel_(panel) {
    CreateChild(ToolkitClass(), WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
    font_ = GdiFont(panel.EffectiveFont(), Dpi());
  }

  void DpiChanged(UINT dpi) override {
    font_ = GdiFont(panel_.EffectiveFont(), dpi);
    ChildPeer::DpiChanged(dpi);
  }

 private:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Window(), &paint);
        RECT client{};
        GetClientRect(Window(), &client);
        FillBackground(dc, client, panel_);
        if (!panel_.Caption().empty()) {
          SetBkMode(dc, TRANSPARENT);
          SetTextColor(dc, ColorRef(panel_.EffectiveFont().color));
          HGDIOBJ old = SelectObject(dc, font_.Get());
          const std::wstring caption = Wide(panel_.Caption());
          DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
          SelectObject(dc, old);
        }
        EndPaint(Window(), &paint);
        return 0;
      }
      default:
        return Default(message, wParam, lParam);
    }
  }

  Panel& panel_;
  GdiFont font_;
};

}  // namespace

std::unique_ptr<ControlPeer> MakePanelPeer(Panel& panel) { return std::make_unique<PanelPeer>(panel); }

}  // namespace toolkit::win32
