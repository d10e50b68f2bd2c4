// packstub with the test browser control in place of the system's, which
// Wine here cannot load pages with: the same program, whose browsers fetch
// each page's source over HTTP and complete it as a document. Used by the
// process-level road test and for the screenshots.
#include <optional>
#include <string>

#include "app/page_fetch.h"
#include "app/program.h"
#include "fake_browser_control.h"
#include "sys/file.h"
#include "toolkit/native.h"

int main() {
  win32_testing::FakeBrowserOptions options;
  options.pages = [](const std::u16string& url) -> std::optional<std::string> {
    try {
      return app::FetchPage(url);
    } catch (...) {
      return std::nullopt;  // as a page that does not load: no document completes
    }
  };
  win32_testing::InstallFakeBrowser(std::move(options));
  int code = 0;
  {
    app::Program program(toolkit::CreateNativePlatform(), sys::ExecutablePath());
    code = program.Run();
  }
  win32_testing::UninstallFakeBrowser();
  return code;
}
