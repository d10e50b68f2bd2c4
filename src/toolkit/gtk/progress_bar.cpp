// The progress bar: a GtkProgressBar whose bar fills its designed height,
// as the Windows control does.
#include <algorithm>
#include <memory>

#include "toolkit/gtk/controls.h"

namespace toolkit::gtk {
namespace {

constexpr const char* kStyle =
    "progressbar trough, progressbar progress { min-height: 14px; border-radius: 0; }"
    "progressbar progress { background-image: none; background-color: rgb(6, 176, 37); border-color: rgb(6, 160, 34); }";

class ProgressBarPeer : public WidgetPeer<> {
 public:
  explicit ProgressBarPeer(ProgressBar& bar) : WidgetPeer(bar, gtk_progress_bar_new()), bar_(bar) {
    ObjectRef<GtkCssProvider> style = ObjectRef<GtkCssProvider>::Adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(style.get(), kStyle, -1, nullptr);
    ApplyStyle(Widget(), GTK_STYLE_PROVIDER(style.get()));
    ApplyFraction();
  }

  void Changed(Property property) override {
    WidgetPeer<>::Changed(property);
    if (property == Property::Position || property == Property::Range) ApplyFraction();
  }

 private:
  static void ApplyStyle(GtkWidget* widget, GtkStyleProvider* style) {
    gtk_style_context_add_provider(gtk_widget_get_style_context(widget), style,
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }

  void ApplyFraction() {
    const double range = static_cast<double>(bar_.Max()) - bar_.Min();
    const double done = static_cast<double>(bar_.Position()) - bar_.Min();
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(Widget()), range > 0 ? std::clamp(done / range, 0.0, 1.0) : 0.0);
  }

  ProgressBar& bar_;
};

}  // namespace

std::unique_ptr<ControlPeer> MakeProgressBarPeer(ProgressBar& bar) { return std::make_unique<ProgressBarPeer>(bar); }

}  // namespace toolkit::gtk
