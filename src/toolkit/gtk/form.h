// A form as a GTK top-level window whose client area is a GtkFixed of the
// designed size, placed by the toolkit's own rules.
#pragma once

#include "toolkit/form.h"
#include "toolkit/gtk/widget_peer.h"

namespace toolkit::gtk {

class FormPeer : public ControlPeer, public ContainerPeer {
 public:
  explicit FormPeer(Form& form);
  ~FormPeer() override;

  void Changed(Property property) override;
  GtkFixed* Fixed() const override { return GTK_FIXED(client_); }
  GtkWindow* Window() const { return GTK_WINDOW(window_.get()); }

 private:
  void ApplyVisibility();
  void PlaceOnMonitor();

  Form& form_;
  OwnedWidget window_;
  GtkWidget* client_;  // owned by the window
};

// The window of the form the user works in, for boxes to belong to; null
// when none of the program's windows is on the screen.
GtkWindow* ActiveWindow();

}  // namespace toolkit::gtk
