// A stand-in for the system's web-browser control, for tests: an OLE object
// with IWebBrowser2 and the DWebBrowserEvents2 connection point that records
// what its host asks of it and completes documents with the source bytes a
// test gives (or fetches).
//
// Navigate answers at once and completes the document later, from a timer
// of its own window, as the system's control does while the loop runs.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace win32_testing {

struct FakeBrowserLog {
  std::vector<std::u16string> navigations;
  HWND window = nullptr;         // the control's own window, in the host's
  bool inPlaceActive = false;    // DoVerb reached with a parent window
  HWND parent = nullptr;
};

struct FakeBrowserOptions {
  // The source of the page at an address; nullopt: nothing completes.
  std::function<std::optional<std::string>(const std::u16string& url)> pages;
  HRESULT navigateStatus = S_OK;  // a failure is returned by Navigate
  bool documentCanSave = true;    // false: the document has no IPersistStreamInit
};

// Replaces the browser control every browser peer hosts from now on;
// Uninstall restores the system's.
void InstallFakeBrowser(FakeBrowserOptions options);
void UninstallFakeBrowser();

// What the controls made since the last install were asked (one per control, in creation order).
const std::vector<FakeBrowserLog>& FakeBrowserLogs();
// Objects of the fake (controls, documents, connection points) still alive.
int LiveFakeObjects();

}  // namespace win32_testing
