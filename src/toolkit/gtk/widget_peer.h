// The GTK peers' common half: a widget placed by the toolkit's own layout
// in its parent's GtkFixed, shown, hidden and restacked as its control says.
#pragma once

#include <gtk/gtk.h>

#include "toolkit/control.h"
#include "toolkit/gtk/gobject_ref.h"

namespace toolkit::gtk {

// A peer whose children are placed inside it.
class ContainerPeer {
 public:
  virtual ~ContainerPeer() = default;
  virtual GtkFixed* Fixed() const = 0;
};

// The container of control's parent; null when the parent draws nothing.
GtkFixed* ParentFixed(const Control& control);
// Puts widget into the parent's container at the control's place.
void PutWidget(const Control& control, GtkWidget* widget);
void MoveWidget(const Control& control, GtkWidget* widget);
void ShowWidget(const Control& control, GtkWidget* widget);
// A GtkFixed draws its children in the order they were put: the one in
// front is put again last.
void RestackWidget(const Control& control, GtkWidget* widget);

// Base is ControlPeer, or a richer peer interface such as BrowserPeer.
template <class Base = ControlPeer>
class WidgetPeer : public Base {
 public:
  WidgetPeer(Control& control, GtkWidget* widget) : control_(control), widget_(widget) {
    PutWidget(control, widget);
    MoveWidget(control, widget);
    ShowWidget(control, widget);
  }

  void Changed(Property property) override {
    switch (property) {
      case Property::Bounds: ApplyBounds(); break;
      case Property::Visible: ShowWidget(control_, Widget()); break;
      case Property::ZOrder: RestackWidget(control_, Widget()); break;
      default: break;
    }
  }

  Control& GetControl() const { return control_; }
  GtkWidget* Widget() const { return widget_.get(); }

 protected:
  virtual void ApplyBounds() { MoveWidget(control_, Widget()); }

 private:
  Control& control_;
  OwnedWidget widget_;
};

}  // namespace toolkit::gtk
