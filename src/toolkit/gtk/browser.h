// The web-browser control as a WebKitWebView.
#pragma once

#include <memory>

#include "toolkit/browser.h"

namespace toolkit::gtk {

// Every view of the program shares one web process: the first view made is
// the related view of the ones after it.
std::unique_ptr<BrowserPeer> MakeBrowserPeer(WebBrowser& browser);

}  // namespace toolkit::gtk
