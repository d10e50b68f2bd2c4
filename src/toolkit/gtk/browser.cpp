// WebKitWebView as the program's browser control.
//
// A document completes when the main frame has finished loading without a
// failure (a failed load completes nothing, as a navigation error does).
// Its source is the main resource's data as it was received, read for the
// handler by running the main context until WebKit hands it over.
#include "toolkit/gtk/browser.h"

#include <webkit2/webkit2.h>

#include <optional>
#include <utility>
#include <string>

#include "base/exception.h"
#include "sys/codepage.h"
#include "toolkit/application.h"
#include "toolkit/gtk/widget_peer.h"

namespace toolkit::gtk {
namespace {

WebKitWebView* firstView = nullptr;

class WebDocument : public Document {
 public:
  explicit WebDocument(WebKitWebView* view) : view_(view) {}

  bool CanSave() const override { return webkit_web_view_get_main_resource(view_) != nullptr; }

  void Save(base::TStream& stream) override {
    WebKitWebResource* resource = webkit_web_view_get_main_resource(view_);
    if (resource == nullptr) return;
    Pending pending;
    webkit_web_resource_get_data(resource, nullptr, OnData, &pending);
    GMainContext* context = g_main_context_default();
    while (!pending.done) g_main_context_iteration(context, TRUE);
    if (!pending.data.empty()) stream.WriteBuffer(pending.data.data(), pending.data.size());
  }

 private:
  struct Pending {
    bool done = false;
    std::string data;
  };

  static void OnData(GObject* source, GAsyncResult* result, gpointer user) {
    auto& pending = *static_cast<Pending*>(user);
    gsize length = 0;
    GError* error = nullptr;
    guchar* data = webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result, &length, &error);
    if (data != nullptr) pending.data.assign(reinterpret_cast<const char*>(data), length);
    g_free(data);
    if (error != nullptr) g_error_free(error);
    pending.done = true;
  }

  WebKitWebView* view_;
};

class WebViewPeer : public WidgetPeer<BrowserPeer> {
 public:
  explicit WebViewPeer(WebBrowser& browser) : WidgetPeer(browser, NewView()), browser_(browser), document_(View()) {
    if (firstView == nullptr) firstView = View();
    g_signal_connect(Widget(), "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(Widget(), "load-failed", G_CALLBACK(OnLoadFailed), this);
  }

  ~WebViewPeer() override {
    g_signal_handlers_disconnect_by_data(Widget(), this);
    if (firstView == View()) firstView = nullptr;
  }

  void Navigate(const std::u16string& url) override {
    const std::string address = sys::ToUtf8(url);
    if (!g_uri_is_valid(address.c_str(), G_URI_FLAGS_NONE, nullptr)) {
      throw base::Exception(u"The address cannot be opened: " + url);
    }
    webkit_web_view_load_uri(View(), address.c_str());
  }

  Document* TopDocument() override { return loaded_ ? &document_ : nullptr; }

 private:
  static GtkWidget* NewView() {
    if (firstView != nullptr) return webkit_web_view_new_with_related_view(firstView);
    return webkit_web_view_new();
  }

  WebKitWebView* View() const { return WEBKIT_WEB_VIEW(Widget()); }

  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    auto& peer = *static_cast<WebViewPeer*>(data);
    if (event == WEBKIT_LOAD_STARTED) {
      // The load after a failure is WebKit's own error page, which is no
      // document of the portal's.
      peer.inErrorPage_ = std::exchange(peer.errorPagePending_, false);
      if (!peer.inErrorPage_) peer.failed_ = false;
    } else if (event == WEBKIT_LOAD_FINISHED) {
      if (std::exchange(peer.failed_, false) || peer.inErrorPage_) return;
      peer.loaded_ = true;
      // Delivery catches the handler's failures for the error report.
      peer.browser_.NotifyDocumentComplete(&peer.document_, peer.CurrentUri());
    }
  }

  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer data) {
    auto& peer = *static_cast<WebViewPeer*>(data);
    peer.failed_ = true;
    // A cancelled load (a new navigation replaced it) gets no error page.
    peer.errorPagePending_ = !g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED);
    return FALSE;  // WebKit shows its own error page
  }

  std::u16string CurrentUri() const {
    const gchar* uri = webkit_web_view_get_uri(View());
    return uri != nullptr ? sys::FromUtf8(uri) : std::u16string();
  }

  WebBrowser& browser_;
  WebDocument document_;
  bool loaded_ = false;
  bool failed_ = false;
  bool errorPagePending_ = false;
  bool inErrorPage_ = false;
};

}  // namespace

std::unique_ptr<BrowserPeer> MakeBrowserPeer(WebBrowser& browser) { return std::make_unique<WebViewPeer>(browser); }

}  // namespace toolkit::gtk
