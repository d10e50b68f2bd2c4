// packtool marker: the download marker of a saved page, read as the portal
// window reads a completed document.
#include "app/link_detection.h"
#include "base/file_stream.h"
#include "command.h"
#include "page_text.h"
#include "toolkit/application.h"

namespace packtool {

int RunMarker(const Args& args) {
  if (args.size() != 1) return UsageError(u"marker", u"marker needs PAGE");
  std::string source;
  try {
    base::TFileStream page = base::TFileStream::OpenExisting(args[0], sys::Access::Read, sys::Share::ReadWrite);
    char block[65536];
    for (std::size_t n; (n = page.Read(block, sizeof block)) > 0;) source.append(block, n);
  } catch (...) {
    PrintError(toolkit::ErrorMessage(std::current_exception()));
    return 1;
  }
  // Line breaks become CR LF and the text ends at its first NUL, as in the
  // window's text control.
  std::u16string pageText;
  try {
    pageText = ReadPageText(source).text;
  } catch (...) {
    PrintError(toolkit::ErrorMessage(std::current_exception()));
    return 1;
  }
  if (!app::HasDownloadMarker(pageText)) {
    PrintError(u"no download marker");
    return 1;
  }
  const std::u16string downloadUrl = app::TextBetween(pageText, u"|||", u"*");
  PrintLine(u"DownloadUrl: " + downloadUrl);
  PrintLine(u"FileName: " + app::LastUrlSegment(downloadUrl));
  return 0;
}

}  // namespace packtool
