// The embedded web-browser control.
#include "toolkit/browser.h"

#include "toolkit/application.h"

namespace toolkit {

WebBrowser::WebBrowser(std::u16string name) : Control(std::move(name)) {}

WebBrowser::~WebBrowser() = default;

BrowserPeer& WebBrowser::Peer() {
  if (!peer_) peer_ = Application::Instance().GetPlatform().CreateBrowserPeer(*this);
  return *peer_;
}

void WebBrowser::Navigate(const std::u16string& url) { Peer().Navigate(url); }

Document* WebBrowser::GetDocument() { return Peer().TopDocument(); }

void WebBrowser::NotifyDocumentComplete(Object* document, const std::u16string& url) {
  if (!OnDocumentComplete) return;
  Application::Instance().Deliver([&] { OnDocumentComplete(this, document, url); });
}

void WebBrowser::VisibleChanged() {
  if (peer_) peer_->VisibleChanged(Visible());
}

}  // namespace toolkit
