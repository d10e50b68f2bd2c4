// The program's start-up, main loop and end, over whichever toolkit the
// edition brings.
#pragma once

#include <memory>
#include <string>

#include "toolkit/application.h"
#include "toolkit/platform.h"

namespace app {

// Start-up happens in the constructor: the application object (title,
// floating-point exceptions masked), the main window with its creation
// handler reading pack.db beside exeName, then the portal window. Run is the
// main loop; destruction is the end of the program (no close handler runs).
class Program {
 public:
  Program(std::unique_ptr<toolkit::Platform> platform, std::u16string exeName);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Shows the main window (whose show handler opens the portal window
  // modally) and handles messages until termination. The exit code: always
  // 0, the program sets none of its own.
  int Run();

  toolkit::Application& Application() { return *application_; }

 private:
  std::unique_ptr<toolkit::Application> application_;
};

}  // namespace app
