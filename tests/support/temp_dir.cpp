// Temporary directories for tests.
#include "temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>

namespace testing_support {

TempDir::TempDir() {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("packstub-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Read-only files made by a test must not keep their directory alive.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow,
                                 ignored);
  }
  std::filesystem::remove_all(path_, ignored);
}

std::u16string ToText(const std::filesystem::path& path) {
  std::filesystem::path preferred = path;
  return preferred.make_preferred().u16string();
}

std::u16string TempDir::Text() const {
  std::u16string text = ToText(path_);
  text.push_back(std::filesystem::path::preferred_separator);
  return text;
}

std::u16string TempDir::Text(const std::filesystem::path& relative) const { return ToText(path_ / relative); }

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace testing_support
