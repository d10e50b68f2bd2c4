// Where the browser peers get the control they host: the system's
// web-browser control, or what a test put in its place.
#pragma once

#include <unknwn.h>

#include <functional>

namespace toolkit::win32 {

// Makes one control (an OLE object offering IWebBrowser2 and the
// DWebBrowserEvents2 connection point); returns its status.
using BrowserControlFactory = std::function<HRESULT(IUnknown** control)>;

// An empty factory restores the system's control
// ({8856F961-340A-11D0-A96B-00C04FD705A2}).
void SetBrowserControlFactory(BrowserControlFactory factory);

}  // namespace toolkit::win32
