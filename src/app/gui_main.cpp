// packstub: the program over the toolkit that draws real windows on this
// system, with the system's web-browser control in the portal window.
#include "app/program.h"
#include "sys/file.h"
#include "toolkit/native.h"

int main() {
  app::Program program(toolkit::CreateNativePlatform(), sys::ExecutablePath());
  return program.Run();
}
