// A temporary directory for one test, removed with everything in it when the
// test ends.
#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The directory as the program's text, ending with the path delimiter.
  std::u16string Text() const;
  // A path below the directory, as the program's text.
  std::u16string Text(const std::filesystem::path& relative) const;

 private:
  std::filesystem::path path_;
};

// Whole-file helpers for fixtures.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// A path as the program's text (UTF-16), with the platform's delimiter.
std::u16string ToText(const std::filesystem::path& path);

}  // namespace testing_support
