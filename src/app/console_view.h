// How the console edition shows the portal window: Label1's texts as lines,
// the progress bar and percentage as one terminal line.
#pragma once

namespace app {

class TForm5;

// Attaches observers to the portal window's status controls. On a
// terminal the progress line is redrawn in place; into a pipe or file it is
// written at most once a second (and at its end), one line each time.
void AttachConsoleView(TForm5& form);

}  // namespace app
