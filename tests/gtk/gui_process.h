// packstub started as a user starts it: the built program copied into a
// folder of its own with pack.db beside it, shown on the tests' display.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace gui_testing {

class Program {
 public:
  // Copies the built packstub into dir.
  explicit Program(const std::filesystem::path& dir);
  ~Program();  // a program still running is ended
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  void Start();
  // The exit code, or -1 when the program was still running after seconds
  // (it is then ended).
  int Wait(double seconds);
  bool Running();
  std::string Output() const;  // standard output and error

 private:
  std::filesystem::path dir_;
  pid_t pid_ = -1;
  int exitCode_ = -1;
};

}  // namespace gui_testing
