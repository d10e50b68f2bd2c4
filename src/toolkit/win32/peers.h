// The Win32 peers of each control kind, one file each.
#pragma once

#include <memory>

#include "toolkit/browser.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace toolkit::win32 {

class Win32Platform;

std::unique_ptr<ControlPeer> MakeFormPeer(Form& form, Win32Platform& platform);
std::unique_ptr<ControlPeer> MakePanelPeer(Panel& panel);
std::unique_ptr<ControlPeer> MakeLabelPeer(Label& label);
std::unique_ptr<ControlPeer> MakeProgressBarPeer(ProgressBar& bar);
std::unique_ptr<ControlPeer> MakeMemoPeer(Memo& memo);
std::unique_ptr<ControlPeer> MakeImagePeer(Image& image);
std::unique_ptr<BrowserPeer> MakeBrowserPeer(WebBrowser& browser);

}  // namespace toolkit::win32
