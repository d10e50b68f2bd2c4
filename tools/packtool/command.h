// packtool's commands: each takes the words after its name and returns the
// exit code (0 success, 1 where the program would fail, 2 usage error).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace packtool {

using Args = std::vector<std::u16string>;

struct Command {
  std::u16string_view name;
  int (*run)(const Args& args);
  std::string_view usage;  // one or more lines, each "packtool ..."
};

// Every command, in the order the usage text lists them.
const std::vector<Command>& Commands();

int RunDescriptor(const Args& args);
int RunUnzip(const Args& args);
int RunFetch(const Args& args);
int RunMarker(const Args& args);
int RunCheck(const Args& args);

// Output is UTF-8 on every platform, to a terminal or a pipe.
void PrintLine(std::u16string_view text);
void PrintError(std::u16string_view text);
// Prints the usage of one command (or all) to standard error; returns 2.
int UsageError(std::u16string_view command, std::u16string_view problem);

}  // namespace packtool
