// Starting a file the way the desktop's "open" does, without waiting for it.
#pragma once

#include <string>

namespace sys {

// Windows: ShellExecuteW with the verb "open", no parameters, no working
// directory, SW_SHOWNORMAL. POSIX: an executable file is started as a
// detached process (a session of its own, this process's current
// directory); any other existing file is handed to xdg-open. True when the
// start succeeded (the started program's own outcome is not known).
bool ShellOpen(const std::u16string& path);

}  // namespace sys
