// Owning holders for GObject references and top-level widgets.
#pragma once

#include <gtk/gtk.h>

#include <utility>

namespace toolkit::gtk {

// One strong reference to a GObject; floating references are sunk, so the
// holder owns what it is given either way.
template <class T>
class ObjectRef {
 public:
  ObjectRef() = default;
  explicit ObjectRef(T* object) : object_(object) {
    if (object_ != nullptr) g_object_ref_sink(object_);
  }
  // Takes over a reference the caller already owns (a *_new of a
  // non-floating object, a transfer-full result).
  static ObjectRef Adopt(T* object) {
    ObjectRef ref;
    ref.object_ = object;
    return ref;
  }
  ObjectRef(ObjectRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ObjectRef& operator=(ObjectRef&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  ObjectRef(const ObjectRef&) = delete;
  ObjectRef& operator=(const ObjectRef&) = delete;
  ~ObjectRef() { Reset(); }

  void Reset() {
    if (object_ != nullptr) g_object_unref(std::exchange(object_, nullptr));
  }
  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

// A widget the peer owns: a reference held for the peer's life, the widget
// destroyed (taken out of its parent, or a top-level window closed) when
// the peer goes.
class OwnedWidget {
 public:
  explicit OwnedWidget(GtkWidget* widget) : ref_(widget) {}
  OwnedWidget(OwnedWidget&&) = default;
  OwnedWidget& operator=(OwnedWidget&&) = default;
  ~OwnedWidget() {
    if (ref_) gtk_widget_destroy(ref_.get());
  }
  GtkWidget* get() const { return ref_.get(); }

 private:
  ObjectRef<GtkWidget> ref_;
};

// A GLib-allocated string or buffer, freed with g_free.
template <class T>
struct GFree {
  void operator()(T* p) const { g_free(p); }
};

}  // namespace toolkit::gtk
