// A label's window: its text in its font and colour on the parent's
// background; a label that sizes itself is told the measured text size.
#include <windows.h>

#include "toolkit/win32/common.h"
#include "toolkit/win32/peers.h"

namespace toolkit::win32 {
namespace {

class LabelPeer : public ChildPeer {
 public:
  explicit LabelPeer(Label& label) : ChildPeer(label), label_(label) {
    Fit();
    CreateChild(ToolkitClass(), 0);
    font_ = GdiFont(label.EffectiveFont(), Dpi());
  }

  void Changed(Property property) override {
    if (property == Property::Caption) {
      InvalidateRect(Window(), nullptr, TRUE);
      Fit();
      return;
    }
    ChildPeer::Changed(property);
  }

  void DpiChanged(UINT dpi) override {
    font_ = GdiFont(label_.EffectiveFont(), dpi);
    ChildPeer::DpiChanged(dpi);
    InvalidateRect(Window(), nullptr, TRUE);
  }

 private:
  // The caption's size in the label's font at 96 dots per inch: the layout's
  // unit, whatever the monitor.
  void Fit() {
    if (!label_.autoSize) return;
    const GdiFont font(label_.EffectiveFont(), kDefaultDpi);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font.Get());
    const std::wstring caption = Wide(label_.Caption());
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteDC(dc);
    label_.FitText(measured.right - measured.left, measured.bottom - measured.top);
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Window(), &paint);
        RECT client{};
        GetClientRect(Window(), &client);
        FillBackground(dc, client, label_);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorRef(label_.EffectiveFont().color));
        HGDIOBJ old = SelectObject(dc, font_.Get());
        const std::wstring caption = Wide(label_.Caption());
        UINT format = DT_NOPREFIX | DT_WORDBREAK;
        if (label_.alignment == TextAlignment::Center) format |= DT_CENTER;
        if (label_.alignment == TextAlignment::Right) format |= DT_RIGHT;
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &client, format);
        SelectObject(dc, old);
        EndPaint(Window(), &paint);
        return 0;
      }
      case WM_NCHITTEST:
        return HTTRANSPARENT;
      default:
        return Default(message, wParam, lParam);
    }
  }

  Label& label_;
  GdiFont font_;
};

}  // namespace

std::unique_ptr<ControlPeer> MakeLabelPeer(Label& label) { return std::make_unique<LabelPeer>(label); }

}  // namespace toolkit::win32
