// libFuzzer target: opens the input as an archive, reads every entry's data
// and unpacks it into a scratch directory. Errors of the archive are
// expected; crashes, hangs, reads out of bounds and files outside the
// scratch directory are not.
#include <cstddef>
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

const std::filesystem::path& Scratch() {
  static const std::filesystem::path path = [] {
    std::filesystem::path p = std::filesystem::temp_directory_path() / "packstub-zip-fuzz";
    std::filesystem::create_directories(p / "dl");
    return p;
  }();
  return path;
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
    const std::filesystem::path destination = Scratch() / "dl";
    try {
      archive.ExtractAll(destination.u16string() + u"/");
    } catch (const base::Exception&) {
    }
    std::error_code ignored;
    // Read-only entries must not survive into the next run.
    for (auto it = std::filesystem::recursive_directory_iterator(destination, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow,
                                   ignored);
    }
    std::filesystem::remove_all(destination, ignored);
    std::filesystem::create_directories(destination, ignored);
    // Nothing may appear beside the destination.
    for (const auto& entry : std::filesystem::directory_iterator(Scratch(), ignored)) {
      if (entry.path().filename() != "dl") __builtin_trap();
    }
  }
  return 0;
}
