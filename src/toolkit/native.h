// The toolkit that draws real windows on this system: Win32 on Windows,
// GTK elsewhere. Each implementation library defines this one function, so
// the GUI edition's entry names no platform.
#pragma once

#include <memory>

#include "toolkit/platform.h"

namespace toolkit {

std::unique_ptr<Platform> CreateNativePlatform();

}  // namespace toolkit
