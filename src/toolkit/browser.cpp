// The embedded web-browser control.
#include "toolkit/browser.h"

#include "toolkit/application.h"

namespace toolkit {

WebBrowser::WebBrowser(std::u16string name) : Control(std::move(name)) {}

WebBrowser::~WebBrowser() = default;

std::unique_ptr<ControlPeer> WebBrowser::MakePeer() {
  return Application::Instance().GetPlatform().CreateBrowserPeer(*this);
}

BrowserPeer& WebBrowser::NativeBrowser() {
  Realize();
  return static_cast<BrowserPeer&>(*Peer());
}

void WebBrowser::Navigate(const std::u16string& url) { NativeBrowser().Navigate(url); }

Document* WebBrowser::GetDocument() { return NativeBrowser().TopDocument(); }

void WebBrowser::NotifyDocumentComplete(Object* document, const std::u16string& url) {
  if (!OnDocumentComplete) return;
  Application::Instance().Deliver([&] { OnDocumentComplete(this, document, url); });
}

}  // namespace toolkit
