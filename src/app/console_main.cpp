// packstub-console: the program over the headless toolkit, for terminals,
// automation and servers. Pages are fetched, not rendered; message boxes go
// to the terminal; Ctrl+C is the user's close of the window, and the window
// closes by itself once nothing more can happen.
#include <memory>

#include "app/Unit5.h"
#include "app/console_view.h"
#include "app/page_fetch.h"
#include "app/program.h"
#include "sys/file.h"
#include "toolkit/headless/headless_platform.h"

int main() {
  auto platform = std::make_unique<toolkit::headless::HeadlessPlatform>(/*console=*/true);
  platform->SetPageFetcher(app::FetchPage);
  app::Program program(std::move(platform), sys::ExecutablePath());
  app::AttachConsoleView(*app::Form5);
  return program.Run();
}
