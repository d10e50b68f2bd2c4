// Fuzzes the descriptor: any bytes as pack.db must end in values, a
// rejection or one of the program's errors, never a crash; and the pieces
// keep their promises (split fields join back, unscrambling inverts).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/descriptor.h"
#include "base/exception.h"
#include "sys/codepage.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
  }
}

const std::string& FilePath() {
  static const std::string path = [] {
    std::atexit([] { std::remove(FilePath().c_str()); });
    return "/tmp/packstub-descriptor-fuzz-" + std::to_string(::getpid()) + ".db";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The payload on its own.
  try {
    const std::string plain = app::UnscrambleText(bytes);
    Check(plain.size() == size / 2, "one plain byte per pair");
    Check(app::UnscrambleText(app::ScrambleText(plain)) == plain, "scrambling inverts");
    const std::u16string text = sys::DecodeBytes(sys::kCodePageAnsi, plain).value_or(u"");
    const auto fields = app::SplitFields(text, u'`');
    std::u16string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) joined += (i > 0 ? u"`" : u"") + fields[i];
    Check(joined == text, "fields join back to the text");
    Check(text.empty() == fields.empty(), "only the empty text gives no field");
  } catch (const base::EConvertError&) {
  }

  // The bytes as a whole file. A length beyond the file would make every
  // run allocate gigabytes before the read fails, which the unit tests
  // cover; such inputs stop here.
  if (size >= 4) {
    const std::uint32_t length = data[size - 4] | (data[size - 3] << 8) | (data[size - 2] << 16) |
                                 (static_cast<std::uint32_t>(data[size - 1]) << 24);
    if (static_cast<std::int32_t>(length) > static_cast<std::int64_t>(size) - 4) return 0;
  }
  if (FILE* file = std::fopen(FilePath().c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  std::u16string packageId, installerName, bannerUrl, portalUrl;
  bool rejected = false;
  try {
    app::ReadDescriptorFile(sys::FromUtf8(FilePath()), {&packageId, &installerName, &bannerUrl, &portalUrl},
                            [&](const std::u16string&) { rejected = true; });
    if (rejected) Check(packageId.empty() && portalUrl.empty(), "a rejected file sets nothing");
  } catch (const base::EConvertError&) {
    Check(installerName.empty() && bannerUrl.empty() && portalUrl.empty(), "only the package id before field 13");
  } catch (const base::EStreamError&) {
    Check(packageId.empty(), "a read failure sets nothing");
  } catch (const base::EIntOverflow&) {
  } catch (const base::EOutOfMemory&) {
  }
  return 0;
}
