// Runs a program to its end with its standard output and error caught, for
// tests of the command-line tools.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
  int exitCode = -1;
  std::string out;  // standard output, as bytes
  std::string err;  // standard error, as bytes
};

// Starts program with args (no shell in between), standard input empty,
// and waits at most a minute for it; a program still running then is ended
// and the exit code is -1.
ProcessResult RunProcess(const std::u16string& program, const std::vector<std::u16string>& args);

// A program built beside the running test executable ("packtool" gives
// packtool.exe on Windows).
std::u16string SiblingProgram(const std::u16string& name);

}  // namespace testing_support
