// packtool descriptor: writes a descriptor, or reads one as the program
// reads pack.db.
#include <optional>

#include "app/descriptor.h"
#include "base/file_stream.h"
#include "command.h"
#include "sys/codepage.h"
#include "toolkit/application.h"

namespace packtool {
namespace {

std::optional<std::size_t> FieldNumber(std::u16string_view digits) {
  if (digits.empty() || digits.size() > 2) return std::nullopt;
  std::size_t n = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(c - u'0');
  }
  if (n >= app::kDescriptorFieldCount) return std::nullopt;
  return n;
}

int Create(const Args& args) {
  if (args.empty()) return UsageError(u"descriptor", u"descriptor create needs OUT");
  std::vector<std::u16string> fields(app::kDescriptorFieldCount);
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] != u"--field" || i + 1 >= args.size()) {
      return UsageError(u"descriptor", u"expected --field N=TEXT, got: " + args[i]);
    }
    const std::u16string& spec = args[++i];
    const std::size_t equals = spec.find(u'=');
    const auto number = FieldNumber(std::u16string_view(spec).substr(0, equals));
    if (equals == std::u16string::npos || !number) {
      return UsageError(u"descriptor", u"N must be a field number from 0 to 31: " + spec);
    }
    std::u16string text = spec.substr(equals + 1);
    if (text.find(app::kFieldSeparator) != std::u16string::npos) {
      return UsageError(u"descriptor", u"a field cannot hold a backtick: " + spec);
    }
    // The program decodes the plain text with the ANSI code page: a text it
    // would read back differently is refused rather than written.
    const auto bytes = sys::EncodeText(sys::kCodePageAnsi, text);
    if (!bytes || sys::DecodeBytes(sys::kCodePageAnsi, *bytes) != text) {
      PrintError(u"field " + spec.substr(0, equals) + u" cannot be written in the ANSI code page");
      return 1;
    }
    fields[*number] = std::move(text);
  }
  try {
    const std::string file = app::BuildDescriptorFile(fields);
    base::TFileStream out = base::TFileStream::Create(args[0], sys::Share::Read);
    out.WriteBuffer(file.data(), file.size());
  } catch (...) {
    PrintError(toolkit::ErrorMessage(std::current_exception()));
    return 1;
  }
  return 0;
}

int Show(const Args& args) {
  if (args.size() != 1) return UsageError(u"descriptor", u"descriptor show needs FILE");
  std::u16string packageId, installerName, bannerUrl, portalUrl;
  std::optional<std::u16string> rejected;
  try {
    app::ReadDescriptorFile(args[0], {&packageId, &installerName, &bannerUrl, &portalUrl},
                            [&](const std::u16string& text) { rejected = text; });
  } catch (...) {
    PrintError(toolkit::ErrorReportText(toolkit::ErrorMessage(std::current_exception())));
    return 1;
  }
  if (rejected) {
    PrintError(*rejected);
    return 1;
  }
  PrintLine(u"PackageId: " + packageId);
  PrintLine(u"InstallerName: " + installerName);
  PrintLine(u"BannerUrl: " + bannerUrl);
  PrintLine(u"PortalUrl: " + portalUrl);
  return 0;
}

}  // namespace

int RunDescriptor(const Args& args) {
  if (!args.empty() && args[0] == u"create") return Create(Args(args.begin() + 1, args.end()));
  if (!args.empty() && args[0] == u"show") return Show(Args(args.begin() + 1, args.end()));
  return UsageError(u"descriptor", args.empty() ? u"" : u"unknown descriptor command: " + args[0]);
}

}  // namespace packtool
