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

namespace {

// A box written to the terminal starts on a line of its own, also when it
// comes in the middle of a progress line (a failed download).
class ConsolePlatform : public toolkit::headless::HeadlessPlatform {
 public:
  ConsolePlatform() : HeadlessPlatform(/*console=*/true) {}
  void ShowMessageBox(const std::u16string& title, const std::u16string& text) override {
    app::EndConsoleProgressLine();
    HeadlessPlatform::ShowMessageBox(title, text);
  }
  void ShowErrorBox(const std::u16string& title, const std::u16string& text) override {
    app::EndConsoleProgressLine();
    HeadlessPlatform::ShowErrorBox(title, text);
  }
};

}  // namespace

int main() {
  auto platform = std::make_unique<ConsolePlatform>();
  platform->SetPageFetcher(app::FetchPage);
  app::Program program(std::move(platform), sys::ExecutablePath());
  app::AttachConsoleView(*app::Form5);
  return program.Run();
}
