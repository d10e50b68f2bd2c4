// packstub-console: the program over the headless toolkit, for terminals,
// automation and servers.
#include <memory>

#include "app/program.h"
#include "sys/file.h"
#include "toolkit/headless/headless_platform.h"

int main() {
  auto platform = std::make_unique<toolkit::headless::HeadlessPlatform>(/*console=*/true);
  app::Program program(std::move(platform), sys::ExecutablePath());
  return program.Run();
}
