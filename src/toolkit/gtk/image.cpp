// The picture: the first frame of its GIF, decoded by GdkPixbuf, at its
// natural size in the top-left corner of the control's box; the GIF's
// transparent colour becomes alpha, so the panel shows through.
#include <memory>

#include "toolkit/gtk/controls.h"

namespace toolkit::gtk {
namespace {

GtkWidget* PictureWidget(const Image& image) {
  GtkWidget* widget = gtk_image_new();
  gtk_widget_set_halign(widget, GTK_ALIGN_START);
  gtk_widget_set_valign(widget, GTK_ALIGN_START);
  gtk_widget_set_size_request(widget, -1, -1);
  if (image.picture.empty()) return widget;
  ObjectRef<GdkPixbufLoader> loader = ObjectRef<GdkPixbufLoader>::Adopt(gdk_pixbuf_loader_new());
  const auto* bytes = reinterpret_cast<const guchar*>(image.picture.data());
  const bool loaded = gdk_pixbuf_loader_write(loader.get(), bytes, image.picture.size(), nullptr) &&
                      gdk_pixbuf_loader_close(loader.get(), nullptr);
  if (!loaded) return widget;  // an unreadable picture shows nothing, as a blank image would
  if (GdkPixbufAnimation* animation = gdk_pixbuf_loader_get_animation(loader.get())) {
    gtk_image_set_from_pixbuf(GTK_IMAGE(widget), gdk_pixbuf_animation_get_static_image(animation));
  }
  return widget;
}

class ImagePeer : public WidgetPeer<> {
 public:
  explicit ImagePeer(Image& image) : WidgetPeer(image, PictureWidget(image)) { ApplyBounds(); }

 protected:
  // The picture keeps its natural size; the box only positions it.
  void ApplyBounds() override {
    WidgetPeer<>::ApplyBounds();
    gtk_widget_set_size_request(Widget(), -1, -1);
  }
};

}  // namespace

std::unique_ptr<ControlPeer> MakeImagePeer(Image& image) { return std::make_unique<ImagePeer>(image); }

}  // namespace toolkit::gtk
