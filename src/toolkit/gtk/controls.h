// The peers of the plain controls: panels, labels, the progress bar and the
// picture. The memo is never shown and gets no widget.
#pragma once

#include <memory>

#include "toolkit/controls.h"
#include "toolkit/gtk/widget_peer.h"

namespace toolkit::gtk {

std::unique_ptr<ControlPeer> MakePanelPeer(Panel& panel);
std::unique_ptr<ControlPeer> MakeLabelPeer(Label& label);
std::unique_ptr<ControlPeer> MakeProgressBarPeer(ProgressBar& bar);
std::unique_ptr<ControlPeer> MakeImagePeer(Image& image);

}  // namespace toolkit::gtk
