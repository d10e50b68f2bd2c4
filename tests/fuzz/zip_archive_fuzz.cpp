// libFuzzer target: opens the input as an archive, reads every entry's data
// and unpacks it into a scratch directory. Errors of the archive are
// expected; crashes, hangs, reads out of bounds and files outside the
// scratch directory are not.
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/encoding.h"
#include "base/exception.h"
#include "base/stream.h"
#include "zip/zip_file.h"

namespace {

// The largest entry the reading pass drains: a small input can still claim
// gigabytes, and a Deflate bomb can deliver them.
constexpr std::size_t kDrainLimit = 1 << 22;

// The destination lies a few directories deep inside a scratch directory of
// this process, so that an entry climbing out of it lands where the check
// after each run sees it.
constexpr int kDepth = 6;

const std::filesystem::path& Scratch() {
  static const std::filesystem::path path = [] {
    std::filesystem::path p =
        std::filesystem::temp_directory_path() / ("packstub-zip-fuzz-" + std::to_string(::getpid()));
    std::filesystem::remove_all(p);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(Scratch(), ignored);
    });
    return p;
  }();
  return path;
}

std::filesystem::path Destination() {
  std::filesystem::path p = Scratch();
  for (int level = 0; level < kDepth; ++level) p /= "up";
  return p / "dl";
}

// Every directory on the way down holds the next one and nothing else.
void CheckNothingBeside() {
  std::error_code ignored;
  std::filesystem::path p = Scratch();
  for (int level = 0; level <= kDepth; ++level) {
    const char* expected = level < kDepth ? "up" : "dl";
    for (const auto& entry : std::filesystem::directory_iterator(p, ignored)) {
      if (entry.path().filename() != expected) {
        std::fprintf(stderr, "written outside the destination: %s\n", entry.path().c_str());
        __builtin_trap();
      }
    }
    p /= expected;
  }
}

void Drain(zip::TZipFile& archive) {
  static char buffer[65536];
  for (std::size_t i = 0; i < archive.FileCount(); ++i) {
    try {
      zip::TZipHeader local;
      auto data = archive.Read(static_cast<int>(i), local);
      (void)archive.EntryName(local, archive.FileInfo(i));
      std::size_t total = 0;
      while (total < kDrainLimit) {
        const std::size_t n = data->Read(buffer, sizeof buffer);
        if (n == 0) break;
        total += n;
      }
    } catch (const base::Exception&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const auto decoder = base::TEncoding::GetEncoding(936);
  base::TMemoryStream stream;
  stream.Write(data, size);
  stream.SetPosition(0);
  zip::TZipFile archive;
  archive.SetEncoding(decoder.get());
  try {
    archive.Open(stream, zip::TZipMode::zmRead);
  } catch (const base::Exception&) {
    return 0;
  }
  Drain(archive);
  // Unpacking: sizes are capped by the data present for stored entries, but
  // a Deflate bomb could still fill the disk; skip archives that claim more
  // than the drain limit in all.
  std::uint64_t claimed = 0;
  for (std::size_t i = 0; i < archive.FileCount(); ++i) claimed += archive.FileInfo(i).UncompressedSize;
  if (claimed <= kDrainLimit) {
    const std::filesystem::path destination = Destination();
    std::error_code ignored;
    std::filesystem::create_directories(destination, ignored);
    try {
      archive.ExtractAll(destination.u16string() + u"/");
    } catch (const base::Exception&) {
    }
    CheckNothingBeside();
    // Read-only entries must not survive into the next run.
    for (auto it = std::filesystem::recursive_directory_iterator(destination, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow,
                                   ignored);
    }
    std::filesystem::remove_all(destination, ignored);
  }
  return 0;
}
