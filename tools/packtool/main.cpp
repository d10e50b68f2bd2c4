// packtool: the portal operator's toolbox. Each command does one thing
// exactly as the program does it.
#include <string>
#include <vector>

#include "command.h"
#include "sys/codepage.h"
#include "sys/console.h"

namespace packtool {

void PrintLine(std::u16string_view text) { sys::WriteStd(sys::StdStream::Output, sys::ToUtf8(text) + "\n"); }

void PrintError(std::u16string_view text) { sys::WriteStd(sys::StdStream::Error, sys::ToUtf8(text) + "\n"); }

int UsageError(std::u16string_view command, std::u16string_view problem) {
  if (!problem.empty()) PrintError(u"packtool: " + std::u16string(problem));
  std::string usage = "usage:\n";
  for (const Command& entry : Commands()) {
    if (command.empty() || entry.name == command) usage += entry.usage;
  }
  sys::WriteStd(sys::StdStream::Error, usage);
  return 2;
}

namespace {

int Dispatch(std::vector<std::u16string> words) {
  if (words.empty()) return UsageError({}, {});
  const std::u16string name = words.front();
  words.erase(words.begin());
  for (const Command& command : Commands()) {
    if (command.name == name) return command.run(words);
  }
  return UsageError({}, u"unknown command: " + name);
}

}  // namespace
}  // namespace packtool

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> words;
  for (int i = 1; i < argc; ++i) words.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  return packtool::Dispatch(std::move(words));
}
#else
int main(int argc, char** argv) {
  std::vector<std::u16string> words;
  for (int i = 1; i < argc; ++i) words.push_back(sys::FromUtf8(argv[i]));
  return packtool::Dispatch(std::move(words));
}
#endif
