// The terminal: UTF-8 output to standard output and error, whether they are a
// terminal or a pipe, waiting for Enter, and the user's Ctrl+C.
#pragma once

#include <string_view>

namespace sys {

enum class StdStream { Output, Error };

void WriteStd(StdStream stream, std::string_view utf8);
bool IsTerminal(StdStream stream);
bool IsInputTerminal();
// Reads standard input up to the end of a line (or its end).
void WaitForEnter();

// After this, Ctrl+C no longer ends the process; it is remembered instead and
// TakeInterrupt reports it once.
void CatchInterrupts();
bool TakeInterrupt();

}  // namespace sys
