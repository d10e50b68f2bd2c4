// Forms as GTK windows.
#include "toolkit/gtk/form.h"

#include "sys/codepage.h"
#include "toolkit/application.h"
#include "toolkit/gtk/fonts.h"
#include "toolkit/layout.h"

namespace toolkit::gtk {
namespace {

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  // The close button is the user's close: the core decides (a modal form
  // only marks its display as cancelled); the window never destroys itself.
  Form& form = *static_cast<Form*>(data);
  Application::Instance().Deliver([&form] { form.Close(); });
  return TRUE;
}

gboolean OnDrawBackground(GtkWidget* widget, cairo_t* cr, gpointer data) {
  const Rgb rgb = ColorValue(static_cast<Form*>(data)->GetColor());
  cairo_set_source_rgb(cr, rgb.red, rgb.green, rgb.blue);
  cairo_paint(cr);
  return FALSE;
}

void OnRealize(GtkWidget* widget, gpointer data) {
  // What the title bar offers, as the form resource says: a fixed border,
  // the system menu with close, minimise only where the form has it.
  const Form& form = *static_cast<Form*>(data);
  GdkWindow* window = gtk_widget_get_window(widget);
  int functions = GDK_FUNC_MOVE | GDK_FUNC_CLOSE;
  int decorations = GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU;
  if (form.minimizeButton) {
    functions |= GDK_FUNC_MINIMIZE;
    decorations |= GDK_DECOR_MINIMIZE;
  }
  if (form.maximizeButton && form.borderStyle == BorderStyle::Sizeable) {
    functions |= GDK_FUNC_MAXIMIZE | GDK_FUNC_RESIZE;
    decorations |= GDK_DECOR_MAXIMIZE | GDK_DECOR_RESIZEH;
  }
  gdk_window_set_functions(window, static_cast<GdkWMFunction>(functions));
  gdk_window_set_decorations(window, static_cast<GdkWMDecoration>(decorations));
}

}  // namespace

GtkWindow* ActiveWindow() {
  Form* form = Application::Instance().ActiveForm();
  if (form == nullptr || !form->Visible()) return nullptr;
  auto* peer = dynamic_cast<FormPeer*>(form->Peer());
  return peer != nullptr ? peer->Window() : nullptr;
}

FormPeer::FormPeer(Form& form) : form_(form), window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
  GtkWindow* window = Window();
  gtk_window_set_title(window, sys::ToUtf8(form.Caption()).c_str());
  gtk_window_set_resizable(window, form.borderStyle == BorderStyle::Sizeable);
  if (!form.minimizeButton && !form.maximizeButton) gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  client_ = gtk_fixed_new();
  gtk_widget_set_size_request(client_, form.clientWidth, form.clientHeight);
  gtk_container_add(GTK_CONTAINER(window), client_);
  gtk_widget_show(client_);
  g_signal_connect(client_, "draw", G_CALLBACK(OnDrawBackground), &form_);
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), &form_);
  g_signal_connect(window, "realize", G_CALLBACK(OnRealize), &form_);
  ApplyVisibility();
}

FormPeer::~FormPeer() { g_signal_handlers_disconnect_by_data(window_.get(), &form_); }

void FormPeer::Changed(Property property) {
  switch (property) {
    case Property::Visible: ApplyVisibility(); break;
    case Property::Caption: gtk_window_set_title(Window(), sys::ToUtf8(form_.Caption()).c_str()); break;
    default: break;
  }
}

void FormPeer::ApplyVisibility() {
  if (!form_.Visible()) {
    gtk_widget_hide(window_.get());
    return;
  }
  PlaceOnMonitor();
  gtk_widget_show(window_.get());
}

void FormPeer::PlaceOnMonitor() {
  if (form_.position != FormPosition::WorkAreaCenter) return;
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = nullptr;
  if (GdkWindow* window = gtk_widget_get_window(window_.get())) {
    monitor = gdk_display_get_monitor_at_window(display, window);
  }
  if (monitor == nullptr) monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  if (monitor == nullptr) return;
  GdkRectangle area;
  gdk_monitor_get_workarea(monitor, &area);
  const Bounds place =
      CenteredInWorkArea({area.x, area.y, area.width, area.height}, form_.clientWidth, form_.clientHeight);
  gtk_window_move(Window(), place.left, place.top);
}

}  // namespace toolkit::gtk
