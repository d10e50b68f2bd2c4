// Runs a program with its output caught in files of a temporary directory.
#include "support/run_process.h"

#include "support/temp_dir.h"
#include "sys/codepage.h"
#include "sys/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#endif

namespace testing_support {

std::u16string SiblingProgram(const std::u16string& name) {
  const std::u16string self = sys::ExecutablePath();
  const std::u16string dir = self.substr(0, self.find_last_of(sys::kPathDelimiter) + 1);
#ifdef _WIN32
  return dir + name + u".exe";
#else
  return dir + name;
#endif
}

#ifdef _WIN32
namespace {

// One argument as the C runtime's command-line parser reads it back.
std::wstring Quote(const std::u16string& arg) {
  const std::wstring text(arg.begin(), arg.end());
  if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos) return text;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

struct Handle {
  HANDLE h = INVALID_HANDLE_VALUE;
  ~Handle() {
    if (h != INVALID_HANDLE_VALUE && h != nullptr) CloseHandle(h);
  }
};

HANDLE Inheritable(const std::u16string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
  return CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &attributes, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProcessResult RunProcess(const std::u16string& program, const std::vector<std::u16string>& args) {
  TempDir dir;
  ProcessResult result;
  std::wstring commandLine = Quote(program);
  for (const auto& arg : args) commandLine += L" " + Quote(arg);
  {
    Handle in, out, err;
    in.h = Inheritable(u"NUL", GENERIC_READ, OPEN_EXISTING);
    out.h = Inheritable(dir.Text("out"), GENERIC_WRITE, CREATE_ALWAYS);
    err.h = Inheritable(dir.Text("err"), GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.h;
    startup.hStdOutput = out.h;
    startup.hStdError = err.h;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(reinterpret_cast<const wchar_t*>(program.c_str()), commandLine.data(), nullptr, nullptr,
                        TRUE, 0, nullptr, nullptr, &startup, &info)) {
      return result;
    }
    Handle process, thread;
    process.h = info.hProcess;
    thread.h = info.hThread;
    if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(info.hProcess, 1);
      WaitForSingleObject(info.hProcess, INFINITE);
      return result;
    }
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    result.exitCode = static_cast<int>(code);
  }
  result.out = ReadFile(dir.Path() / "out");
  result.err = ReadFile(dir.Path() / "err");
  return result;
}

RunningProcess::RunningProcess(const std::u16string& program, const std::vector<std::u16string>& args,
                               const std::string& outFile) {
  std::wstring commandLine = Quote(program);
  for (const auto& arg : args) commandLine += L" " + Quote(arg);
  Handle in, out;
  in.h = Inheritable(u"NUL", GENERIC_READ, OPEN_EXISTING);
  out.h = Inheritable(sys::FromUtf8(outFile), GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.h;
  startup.hStdOutput = out.h;
  startup.hStdError = out.h;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(reinterpret_cast<const wchar_t*>(program.c_str()), commandLine.data(), nullptr, nullptr, TRUE,
                      0, nullptr, nullptr, &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  handle_ = reinterpret_cast<std::intptr_t>(info.hProcess);
}

RunningProcess::~RunningProcess() {
  if (handle_ == -1) return;
  if (!done_) Kill();
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool RunningProcess::Started() const { return handle_ != -1; }

void RunningProcess::Kill() {
  if (handle_ == -1 || done_) return;
  TerminateProcess(reinterpret_cast<HANDLE>(handle_), 1);
  WaitForSingleObject(reinterpret_cast<HANDLE>(handle_), INFINITE);
  done_ = true;
}

int RunningProcess::Wait() {
  if (handle_ == -1 || done_) return -1;
  if (WaitForSingleObject(reinterpret_cast<HANDLE>(handle_), 60000) != WAIT_OBJECT_0) return -1;
  done_ = true;
  DWORD code = 0;
  GetExitCodeProcess(reinterpret_cast<HANDLE>(handle_), &code);
  return static_cast<int>(code);
}
#else
namespace {

// The child's side: standard streams, the caller's setup, the program.
[[noreturn]] void StartChild(const std::string& path, std::vector<char*>& argv, const char* outPath,
                             const char* errPath, const std::function<int()>* setup) {
  const int in = ::open("/dev/null", O_RDONLY);
  const int out = ::open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int err = errPath == nullptr ? out : ::open(errPath, O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (in < 0 || out < 0 || err < 0) ::_exit(126);
  ::dup2(in, 0);
  ::dup2(out, 1);
  ::dup2(err, 2);
  if (setup != nullptr && *setup && (*setup)() != 0) ::_exit(kSetupFailed);
  ::execv(path.c_str(), argv.data());
  ::_exit(127);
}

}  // namespace

RunningProcess::RunningProcess(const std::u16string& program, const std::vector<std::u16string>& args,
                               const std::string& outFile) {
  const std::string path = sys::ToUtf8(program);
  std::vector<std::string> words = {path};
  for (const auto& arg : args) words.push_back(sys::ToUtf8(arg));
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) StartChild(path, argv, outFile.c_str(), nullptr, nullptr);
  handle_ = child;
}

RunningProcess::~RunningProcess() {
  if (handle_ != -1 && !done_) Kill();
}

bool RunningProcess::Started() const { return handle_ != -1; }

void RunningProcess::Kill() {
  if (handle_ == -1 || done_) return;
  ::kill(static_cast<pid_t>(handle_), SIGKILL);
  int status = 0;
  while (::waitpid(static_cast<pid_t>(handle_), &status, 0) < 0 && errno == EINTR) {
  }
  done_ = true;
}

int RunningProcess::Wait() {
  if (handle_ == -1 || done_) return -1;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  for (;;) {
    const pid_t done = ::waitpid(static_cast<pid_t>(handle_), &status, WNOHANG);
    if (done == static_cast<pid_t>(handle_)) break;
    if (done < 0 && errno != EINTR) return -1;
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  done_ = true;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ProcessResult RunProcess(const std::u16string& program, const std::vector<std::u16string>& args) {
  return RunProcess(program, args, std::function<int()>());
}

ProcessResult RunProcess(const std::u16string& program, const std::vector<std::u16string>& args,
                         const std::function<int()>& setup) {
  TempDir dir;
  ProcessResult result;
  const std::string path = sys::ToUtf8(program);
  std::vector<std::string> words = {path};
  for (const auto& arg : args) words.push_back(sys::ToUtf8(arg));
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const std::string outPath = (dir.Path() / "out").string();
  const std::string errPath = (dir.Path() / "err").string();

  const pid_t child = ::fork();
  if (child < 0) return result;
  if (child == 0) StartChild(path, argv, outPath.c_str(), errPath.c_str(), &setup);
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  for (;;) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) return result;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ReadFile(dir.Path() / "out");
  result.err = ReadFile(dir.Path() / "err");
  return result;
}
#endif

}  // namespace testing_support
