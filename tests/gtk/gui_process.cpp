// Starting and ending the GUI program under test.
#include "gui_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/run_process.h"
#include "sys/codepage.h"

extern char** environ;

namespace gui_testing {

Program::Program(const std::filesystem::path& dir) : dir_(dir) {
  const std::filesystem::path built(sys::ToUtf8(testing_support::SiblingProgram(u"packstub")));
  std::filesystem::copy_file(built, dir_ / "packstub", std::filesystem::copy_options::overwrite_existing);
}

Program::~Program() {
  if (pid_ > 0 && Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void Program::Start() {
  const std::string program = (dir_ / "packstub").string();
  const std::string log = (dir_ / "output.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
}

bool Program::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done == 0) return true;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  pid_ = -1;
  return false;
}

int Program::Wait(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (Running()) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return exitCode_;
}

std::string Program::Output() const {
  std::ifstream in(dir_ / "output.txt");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace gui_testing
