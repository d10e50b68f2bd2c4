// Labels: a GtkLabel in the label's own font; a label that sizes itself
// reports its text's size back to the control.
#include <memory>

#include "sys/codepage.h"
#include "toolkit/gtk/controls.h"
#include "toolkit/gtk/fonts.h"

namespace toolkit::gtk {
namespace {

class LabelPeer : public WidgetPeer<> {
 public:
  explicit LabelPeer(Label& label) : WidgetPeer(label, gtk_label_new(nullptr)), label_(label) {
    GtkLabel* widget = GTK_LABEL(Widget());
    PangoAttrList* attributes = LabelAttributes(label.EffectiveFont());
    gtk_label_set_attributes(widget, attributes);
    pango_attr_list_unref(attributes);
    const float x = label.alignment == TextAlignment::Center ? 0.5f
                    : label.alignment == TextAlignment::Right ? 1.0f
                                                              : 0.0f;
    gtk_label_set_xalign(widget, x);
    gtk_label_set_yalign(widget, 0.0f);
    gtk_label_set_single_line_mode(widget, TRUE);
    ApplyCaption();
  }

  void Changed(Property property) override {
    WidgetPeer<>::Changed(property);
    if (property == Property::Caption) ApplyCaption();
  }

 private:
  void ApplyCaption() {
    gtk_label_set_text(GTK_LABEL(Widget()), sys::ToUtf8(label_.Caption()).c_str());
    if (!label_.autoSize) return;
    GtkRequisition natural;
    gtk_widget_set_size_request(Widget(), -1, -1);
    gtk_widget_get_preferred_size(Widget(), nullptr, &natural);
    label_.FitText(natural.width, natural.height);
    MoveWidget(label_, Widget());
  }

  Label& label_;
};

}  // namespace

std::unique_ptr<ControlPeer> MakeLabelPeer(Label& label) { return std::make_unique<LabelPeer>(label); }

}  // namespace toolkit::gtk
