// packtool unzip: unpacks a package exactly as the program unpacks its
// download, so an operator can check a package before publishing it.
#include <exception>

#include "base/encoding.h"
#include "command.h"
#include "sys/file.h"
#include "toolkit/application.h"
#include "zip/zip_file.h"

namespace packtool {

int RunUnzip(const Args& args) {
  if (args.size() != 2) return UsageError(u"unzip", u"unzip needs ARCHIVE and DIR");
  // DIR is taken as the program takes its download directory: ending with
  // the path delimiter.
  std::u16string directory = args[1];
  const bool hasDelimiter =
      !directory.empty() && (directory.back() == sys::kPathDelimiter || directory.back() == u'/');
  if (!hasDelimiter) directory += sys::kPathDelimiter;
  try {
    // Names without the UTF-8 flag are read as the program reads them.
    const std::unique_ptr<base::TEncoding> decoder = base::TEncoding::GetEncoding(936);
    zip::TZipFile::ExtractZipFile(args[0], directory, decoder.get());
  } catch (...) {
    PrintError(toolkit::ErrorMessage(std::current_exception()));
    return 1;
  }
  return 0;
}

}  // namespace packtool
