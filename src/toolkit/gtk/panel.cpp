// Panels: a GtkFixed for the children, the background and the caption
// painted by the panel, the children drawn over them.
#include <memory>

#include "sys/codepage.h"
#include "toolkit/gtk/controls.h"
#include "toolkit/gtk/fonts.h"

namespace toolkit::gtk {
namespace {

class PanelPeer : public WidgetPeer<>, public ContainerPeer {
 public:
  explicit PanelPeer(Panel& panel) : WidgetPeer(panel, gtk_fixed_new()), panel_(panel) {
    g_signal_connect(Widget(), "draw", G_CALLBACK(OnDraw), this);
  }
  ~PanelPeer() override { g_signal_handlers_disconnect_by_data(Widget(), this); }

  GtkFixed* Fixed() const override { return GTK_FIXED(Widget()); }

  void Changed(Property property) override {
    WidgetPeer<>::Changed(property);
    if (property == Property::Caption) gtk_widget_queue_draw(Widget());
  }

 private:
  // Runs before the fixed draws its children, so they cover the caption.
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    const Panel& panel = static_cast<PanelPeer*>(data)->panel_;
    const int width = gtk_widget_get_allocated_width(widget);
    const int height = gtk_widget_get_allocated_height(widget);
    if (panel.ownBackground) {
      const Rgb rgb = ColorValue(panel.GetColor());
      cairo_set_source_rgb(cr, rgb.red, rgb.green, rgb.blue);
      cairo_paint(cr);
    }
    if (!panel.Caption().empty()) {
      PangoLayout* layout = gtk_widget_create_pango_layout(widget, sys::ToUtf8(panel.Caption()).c_str());
      PangoFontDescription* font = FontDescription(panel.EffectiveFont());
      pango_layout_set_font_description(layout, font);
      pango_font_description_free(font);
      int textWidth = 0;
      int textHeight = 0;
      pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
      const Rgb rgb = ColorValue(panel.EffectiveFont().color);
      cairo_set_source_rgb(cr, rgb.red, rgb.green, rgb.blue);
      cairo_move_to(cr, (width - textWidth) / 2, (height - textHeight) / 2);
      pango_cairo_show_layout(cr, layout);
      g_object_unref(layout);
    }
    return FALSE;
  }

  Panel& panel_;
};

}  // namespace

std::unique_ptr<ControlPeer> MakePanelPeer(Panel& panel) { return std::make_unique<PanelPeer>(panel); }

}  // namespace toolkit::gtk
