// Runs a program to its end with its standard output and error caught, for
// tests of the command-line tools.
#pragma once

#include <cstdint>
#include <functional>
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

// POSIX: setup runs in the child between fork and exec, so it may call
// only async-signal-safe functions (system calls such as unshare, mount,
// setrlimit, signal). A result other than 0 ends the child with exit code
// kSetupFailed instead of starting the program.
#ifndef _WIN32
inline constexpr int kSetupFailed = 125;
ProcessResult RunProcess(const std::u16string& program, const std::vector<std::u16string>& args,
                         const std::function<int()>& setup);
#endif

// A program started without waiting for it; ended (killed) if still
// running when destroyed. Standard input empty, standard output and error
// into the files given.
class RunningProcess {
 public:
  RunningProcess(const std::u16string& program, const std::vector<std::u16string>& args, const std::string& outFile);
  ~RunningProcess();
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;

  bool Started() const;
  // Ends the program at once, as a kill from outside does (SIGKILL,
  // TerminateProcess), and waits for it to be gone.
  void Kill();
  // Waits at most a minute; the exit code, -1 when killed or still running.
  int Wait();

 private:
  std::intptr_t handle_ = -1;  // process handle or pid
  bool done_ = false;
};

// A program built beside the running test executable ("packtool" gives
// packtool.exe on Windows).
std::u16string SiblingProgram(const std::u16string& name);

}  // namespace testing_support
