// A progress bar's window: the system's progress control with the
// control's range and position.
#include <windows.h>

#include <commctrl.h>

#include "toolkit/win32/common.h"
#include "toolkit/win32/peers.h"

namespace toolkit::win32 {
namespace {

class ProgressBarPeer : public ChildPeer {
 public:
  explicit ProgressBarPeer(ProgressBar& bar) : ChildPeer(bar), bar_(bar) {
    CreateChild(PROGRESS_CLASSW, 0);
    SendMessageW(Window(), PBM_SETRANGE32, static_cast<WPARAM>(bar.Min()), static_cast<LPARAM>(bar.Max()));
    SendMessageW(Window(), PBM_SETPOS, static_cast<WPARAM>(bar.Position()), 0);
  }

  void Changed(Property property) override {
    switch (property) {
      case Property::Range:
        SendMessageW(Window(), PBM_SETRANGE32, static_cast<WPARAM>(bar_.Min()), static_cast<LPARAM>(bar_.Max()));
        SendMessageW(Window(), PBM_SETPOS, static_cast<WPARAM>(bar_.Position()), 0);
        break;
      case Property::Position:
        SendMessageW(Window(), PBM_SETPOS, static_cast<WPARAM>(bar_.Position()), 0);
        break;
      default:
        ChildPeer::Changed(property);
        break;
    }
  }

 private:
  ProgressBar& bar_;
};

}  // namespace

std::unique_ptr<ControlPeer> MakeProgressBarPeer(ProgressBar& bar) { return std::make_unique<ProgressBarPeer>(bar); }

}  // namespace toolkit::win32
