// Placing, showing and restacking child widgets.
#include "toolkit/gtk/widget_peer.h"

namespace toolkit::gtk {

GtkFixed* ParentFixed(const Control& control) {
  const Control* parent = control.Parent();
  if (parent == nullptr) return nullptr;
  auto* container = dynamic_cast<ContainerPeer*>(parent->Peer());
  return container != nullptr ? container->Fixed() : nullptr;
}

void PutWidget(const Control& control, GtkWidget* widget) {
  if (GtkFixed* fixed = ParentFixed(control)) {
    const Bounds& b = control.GetBounds();
    gtk_fixed_put(fixed, widget, b.left, b.top);
  }
}

void MoveWidget(const Control& control, GtkWidget* widget) {
  const Bounds& b = control.GetBounds();
  GtkFixed* fixed = ParentFixed(control);
  if (fixed != nullptr && gtk_widget_get_parent(widget) == GTK_WIDGET(fixed)) gtk_fixed_move(fixed, widget, b.left, b.top);
  gtk_widget_set_size_request(widget, b.width, b.height);
}

void ShowWidget(const Control& control, GtkWidget* widget) {
  if (control.Visible()) {
    gtk_widget_show(widget);
  } else {
    gtk_widget_hide(widget);
  }
}

void RestackWidget(const Control& control, GtkWidget* widget) {
  GtkFixed* fixed = ParentFixed(control);
  if (fixed == nullptr) return;
  g_object_ref(widget);
  gtk_container_remove(GTK_CONTAINER(fixed), widget);
  const Bounds& b = control.GetBounds();
  gtk_fixed_put(fixed, widget, b.left, b.top);
  g_object_unref(widget);
}

}  // namespace toolkit::gtk
