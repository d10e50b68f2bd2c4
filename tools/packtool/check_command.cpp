// packtool check: the operator's preflight. Walks the program's road for a
// descriptor - descriptor, portal page, marker, package download,
// unpacking, installer - with the program's own code, without a window and
// without starting the installer, and says for each step what happened.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/Unit5.h"
#include "app/console_view.h"
#include "app/descriptor.h"
#include "app/link_detection.h"
#include "app/page_fetch.h"
#include "app/road_steps.h"
#include "base/encoding.h"
#include "base/file_stream.h"
#include "base/text.h"
#include "command.h"
#include "net/http_client.h"
#include "page_text.h"
#include "sys/codepage.h"
#include "sys/console.h"
#include "sys/file.h"
#include "toolkit/application.h"
#include "zip/zip_file.h"

namespace packtool {
namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr std::u16string_view kDownloadFailed = u"下载失败！可能文件不存在或网络不通，或磁盘空间不够";
constexpr std::u16string_view kPackageMissing = u"下载成功，软件包找不到，请退出杀毒软件重试";
constexpr std::u16string_view kInstallerMissing = u"没有找到安装启动程序：";
constexpr std::size_t kListedEntries = 20;

std::u16string Text(const std::string& ascii) { return sys::FromUtf8(ascii); }

// Control characters made visible, so an address with a line break in it
// stays on one output line.
std::u16string Visible(std::u16string_view text) {
  std::u16string out;
  for (char16_t c : text) {
    if (c == u'\r') {
      out += u"\\r";
    } else if (c == u'\n') {
      out += u"\\n";
    } else if (c == u'\t') {
      out += u"\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
      out += Text(hex);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// An error's text on one line: its line breaks become blanks.
std::u16string OneLine(std::u16string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    out.push_back(text[i] == u'\r' || text[i] == u'\n' ? u' ' : text[i]);
  }
  return Visible(out);
}

std::u16string Quoted(std::u16string_view text) { return u"\"" + Visible(text) + u"\""; }

// 4194304 as "4,194,304".
std::u16string Grouped(std::int64_t value) {
  const std::u16string digits = base::IntToText(value);
  std::u16string out;
  const std::size_t lead = digits.starts_with(u'-') ? 1 : 0;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const std::size_t fromEnd = digits.size() - i;
    if (i > lead && fromEnd % 3 == 0) out.push_back(u',');
    out.push_back(digits[i]);
  }
  return out;
}

std::u16string Duration(double seconds) {
  char text[32];
  if (seconds < 1.0) {
    std::snprintf(text, sizeof text, "%.0f ms", seconds * 1000.0);
  } else {
    std::snprintf(text, sizeof text, "%.2f s", seconds);
  }
  return Text(text);
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// "line 3, column 17" of an index into a text with CR LF, CR or LF breaks.
std::u16string Position(std::u16string_view text, std::size_t index) {
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < index && i < text.size(); ++i) {
    if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
      ++line;
      column = 1;
    } else if (text[i] != u'\r') {
      ++column;
    }
  }
  return u"line " + base::IntToText(static_cast<std::int64_t>(line)) + u", column " +
         base::IntToText(static_cast<std::int64_t>(column));
}

// A short piece of text from index on, for pointing at a place in a page.
std::u16string Excerpt(std::u16string_view text, std::size_t index) {
  constexpr std::size_t kLength = 48;
  std::u16string piece(text.substr(index, kLength));
  return Quoted(piece) + (index + kLength < text.size() ? u"..." : u"");
}

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string lowered(text);
  for (char16_t& c : lowered) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 0x20);
  }
  return lowered;
}

// The charset parameter of a Content-Type, in small letters; empty when none.
std::u16string Charset(std::u16string_view contentType) {
  const std::u16string lowered = AsciiLower(contentType);
  const std::size_t at = lowered.find(u"charset=");
  if (at == std::u16string::npos) return {};
  std::u16string value = lowered.substr(at + 8);
  value = value.substr(0, value.find_first_of(u"; "));
  if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.substr(1, value.size() - 2);
  return value;
}

bool NamesCodePage936(std::u16string_view charset) {
  return charset == u"gbk" || charset == u"gb2312" || charset == u"gb18030" || charset == u"cp936" ||
         charset == u"windows-936" || charset == u"x-gbk";
}

std::u16string DecodingName(app::PageEncoding encoding) {
  switch (encoding) {
    case app::PageEncoding::Utf8Mark:
      return u"UTF-8 (byte-order mark)";
    case app::PageEncoding::Utf16LEMark:
      return u"UTF-16LE (byte-order mark)";
    case app::PageEncoding::Utf16BEMark:
      return u"UTF-16BE (byte-order mark)";
    case app::PageEncoding::Ansi:
      break;
  }
  return u"the ANSI code page " + base::IntToText(sys::ActiveAnsiCodePage()) + u" (no byte-order mark)";
}

// One line per step: "STEP: ok - figures" or "STEP: FAILED - reason",
// details indented below it.
class Report {
 public:
  void Ok(std::u16string_view step, std::u16string_view figures) {
    PrintLine(std::u16string(step) + u": ok - " + std::u16string(figures));
  }
  bool Fail(std::u16string_view step, std::u16string_view reason) {
    PrintLine(std::u16string(step) + u": FAILED - " + std::u16string(reason));
    failedStep_ = step;
    return false;
  }
  void Detail(std::u16string_view text) { PrintLine(u"  " + std::u16string(text)); }
  const std::u16string& FailedStep() const { return failedStep_; }

 private:
  std::u16string failedStep_;
};

// The folder the package goes to: --keep DIR, or a temporary folder that
// is removed again at the end.
class DownloadFolder {
 public:
  explicit DownloadFolder(const std::optional<std::u16string>& keep) : kept_(keep.has_value()) {
    if (keep) {
      path_ = fs::path(*keep);
      fs::create_directories(path_);
    } else {
      std::random_device random;
      const fs::path base = fs::temp_directory_path();
      for (int attempt = 0;; ++attempt) {
        path_ = base / ("packtool-check-" + std::to_string(random() % 100000000u));
        if (fs::create_directory(path_)) break;
        if (attempt > 100) throw fs::filesystem_error("no temporary folder", path_, std::error_code());
      }
    }
  }
  ~DownloadFolder() {
    if (!kept_) {
      std::error_code ignored;
      fs::remove_all(path_, ignored);
    }
  }
  DownloadFolder(const DownloadFolder&) = delete;
  DownloadFolder& operator=(const DownloadFolder&) = delete;

  // As the program's DownloadDir: ending with the path delimiter.
  std::u16string Text() const {
    std::u16string text = path_.u16string();
    if (text.empty() || (text.back() != sys::kPathDelimiter && text.back() != u'/')) text += sys::kPathDelimiter;
    return text;
  }
  bool Kept() const { return kept_; }

 private:
  fs::path path_;
  bool kept_;
};

// The check's own progress on a terminal, on standard error, so that the
// step lines stay as they are.
class DownloadProgress {
 public:
  DownloadProgress() : shown_(sys::IsTerminal(sys::StdStream::Error)) {}
  void Begin(std::int64_t total) {
    total_ = total;
    start_ = Clock::now();
  }
  void Work(std::int64_t count) {
    if (!shown_) return;
    const auto now = Clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const std::optional<double> speed =
        seconds > 0.3 ? std::optional<double>(static_cast<double>(count) / seconds) : std::nullopt;
    std::string line = "\r  " + (total_ > 0 ? app::ProgressFigures(count, total_, speed)
                                            : app::ByteCountText(count) + "  " + app::SpeedText(speed));
    line.resize(std::max<std::size_t>(line.size(), width_), ' ');
    width_ = line.size();
    sys::WriteStd(sys::StdStream::Error, line);
    drawn_ = true;
  }
  ~DownloadProgress() {
    if (!drawn_) return;
    // Built by appending, clear of GCC 12's false -Wrestrict alarm.
    std::string blank = "\r";
    blank.append(width_, ' ').append("\r");
    sys::WriteStd(sys::StdStream::Error, blank);
  }

 private:
  bool shown_;
  bool drawn_ = false;
  std::size_t width_ = 0;
  std::int64_t total_ = 0;
  Clock::time_point start_ = Clock::now();
  Clock::time_point last_{};
};

struct EntryListing {
  std::u16string name;
  std::uint32_t size = 0;
  std::u16string notes;
};

class Check {
 public:
  Check(std::u16string descriptorPath, std::optional<std::u16string> keep)
      : descriptorPath_(std::move(descriptorPath)), keep_(std::move(keep)) {}

  int Run() {
    PrintLine(u"packtool check: the program's road for " + descriptorPath_ +
              u", without a window and without starting the installer.");
    PrintLine(
        u"The portal page is read as its source text, as the console edition reads it: the page's scripts are not "
        u"run.");
    const bool reached = Descriptor() && PortalPage() && Marker() && WithFolder();
    if (!reached) {
      PrintLine(u"check: the road stops at the " + report_.FailedStep() + u" step");
      return 1;
    }
    PrintLine(u"check: the road reaches the launch of the installer (not started here)");
    return 0;
  }

 private:
  bool WithFolder() {
    std::optional<DownloadFolder> folder;
    try {
      folder.emplace(keep_);
    } catch (const std::exception& error) {
      return report_.Fail(u"package", u"no folder to download into: " + sys::FromUtf8(error.what()));
    }
    downloadDir_ = folder->Text();
    const bool reached = Package() && Unpack() && Installer();
    if (!folder->Kept()) report_.Detail(u"(the temporary folder " + downloadDir_ + u" is removed; --keep DIR keeps the files)");
    return reached;
  }

  bool Descriptor() {
    std::optional<std::u16string> rejected;
    try {
      app::ReadDescriptorFile(descriptorPath_, {&packageId_, &installerName_, &bannerUrl_, &portalUrl_},
                              [&](const std::u16string& text) { rejected = text; });
    } catch (...) {
      const std::u16string text = toolkit::ErrorReportText(toolkit::ErrorMessage(std::current_exception()));
      return report_.Fail(u"descriptor", u"the program's error report shows " + Quoted(text) + u"; it goes on with " +
                                             (packageId_.empty() ? u"every value empty" : u"only PackageId set") +
                                             u" and reaches no portal page");
    }
    if (rejected) return report_.Fail(u"descriptor", u"the program shows " + Quoted(*rejected) + u" and ends");
    report_.Ok(u"descriptor", descriptorPath_);
    report_.Detail(u"PackageId (field 2): " + Quoted(packageId_) + u", sent to the portal as pid");
    report_.Detail(u"InstallerName (field 15): " + Quoted(installerName_) +
                   u", started from the download folder after unpacking");
    report_.Detail(u"BannerUrl (field 21): " + Quoted(bannerUrl_) +
                   (bannerUrl_.size() > 10 ? u", shown above the portal page"
                                           : u", 10 characters or fewer: no banner page"));
    report_.Detail(u"PortalUrl (field 30): " + Quoted(portalUrl_));
    portalAddress_ = app::PortalAddress(portalUrl_, packageId_);
    report_.Detail(u"portal address: " + Visible(portalAddress_));
    return true;
  }

  bool PortalPage() {
    const auto start = Clock::now();
    app::FetchedPage page;
    try {
      page = app::FetchPageWithHead(portalAddress_);
    } catch (...) {
      return report_.Fail(u"portal page", OneLine(toolkit::ErrorMessage(std::current_exception())) +
                                              u"; the console edition reports \"page not loaded\" and closes, a "
                                              u"window shows the browser's error page");
    }
    const double seconds = SecondsSince(start);
    source_ = std::move(page.source);
    const app::PageEncoding encoding = app::PageSourceEncoding(source_);
    report_.Ok(u"portal page", Visible(page.head.statusLine) + u", " +
                                   Grouped(static_cast<std::int64_t>(source_.size())) + u" bytes in " +
                                   Duration(seconds) + u", decoded as " + DecodingName(encoding));
    if (!page.head.contentType.empty()) report_.Detail(u"Content-Type: " + Visible(page.head.contentType));
    const std::u16string charset = Charset(page.head.contentType);
    const bool ansiIs936 = sys::ActiveAnsiCodePage() == 936;
    if (encoding == app::PageEncoding::Ansi && !charset.empty() && !(ansiIs936 && NamesCodePage936(charset))) {
      report_.Detail(u"the server names charset " + charset +
                     u", but the program goes by the byte-order mark alone: without one the page is read in the "
                     u"ANSI code page, and non-ASCII text in it reads differently");
    }
    return true;
  }

  bool Marker() {
    PageText page;
    try {
      page = ReadPageText(source_);
    } catch (...) {
      return report_.Fail(u"marker", toolkit::ErrorMessage(std::current_exception()));
    }
    if (!app::HasDownloadMarker(page.text)) return NoMarker(page);
    const std::size_t bars = page.held.find(u"|||");
    downloadUrl_ = app::TextBetween(page.text, u"|||", u"*");
    if (downloadUrl_.empty()) {
      const std::size_t after = bars + 3;
      const bool star = after < page.held.size() && page.held[after] == u'*';
      return report_.Fail(u"marker", u"\"|||\" at " + Position(page.held, bars) +
                                         (star ? u" is followed directly by \"*\"" : u" has no \"*\" after it") +
                                         u": the address is empty, and the user would see " + Quoted(kDownloadFailed));
    }
    fileName_ = app::LastUrlSegment(downloadUrl_);
    if (fileName_.empty()) {
      return report_.Fail(u"marker", u"the address " + Quoted(downloadUrl_) +
                                         u" gives no package file name (it is blank or ends with \"/\"): the "
                                         u"download gets no name of its own, and the user would see " +
                                         Quoted(kPackageMissing));
    }
    if (!app::IsPlainFileName(fileName_)) {
      return report_.Fail(u"marker", u"the package file name " + Quoted(fileName_) +
                                         u" would lead out of the download folder: the program refuses it (\"Invalid "
                                         u"characters in path.\")");
    }
    report_.Ok(u"marker", u"DownloadUrl " + Quoted(downloadUrl_) + u", package file " + Quoted(fileName_));
    report_.Detail(u"\"|||\" at " + Position(page.held, bars));
    return true;
  }

  bool NoMarker(const PageText& page) {
    const std::u16string lowered = AsciiLower(page.held);
    const std::size_t bars = page.held.find(u"|||");
    if (bars != std::u16string::npos) {
      report_.Fail(u"marker", u"\"|||\" at " + Position(page.held, bars) +
                                  u", but no \"http://\" (in any case) anywhere in the page: the program takes no "
                                  u"link from it");
      if (lowered.find(u"https://") != std::u16string::npos) {
        report_.Detail(u"the page has https:// addresses only; \"http://\" must stand somewhere in it too, for "
                       u"instance in the document type line");
      }
      return false;
    }
    const std::size_t nul = page.decoded.find(u'\0');
    if (nul != std::u16string::npos) {
      report_.Fail(u"marker", u"no \"|||\" in the page text, which ends at a NUL character at " +
                                  Position(page.decoded, nul) + u": the window's text control holds nothing after it");
      const auto zeros = static_cast<std::size_t>(std::count(source_.begin(), source_.end(), '\0'));
      if (app::PageSourceEncoding(source_) == app::PageEncoding::Ansi && zeros * 4 >= source_.size()) {
        report_.Detail(u"the page looks like UTF-16 without a byte-order mark: it is read in the ANSI code page");
      }
      return false;
    }
    report_.Fail(u"marker", u"no \"|||\" in the page text");
    // What the operator most likely meant as the marker.
    for (const std::u16string_view candidate : {u"||", u"|", u"http://", u"https://"}) {
      const std::size_t at = candidate.starts_with(u'h') ? lowered.find(candidate) : page.held.find(candidate);
      if (at == std::u16string::npos) continue;
      report_.Detail(u"the nearest candidate, at " + Position(page.held, at) + u": " + Excerpt(page.held, at));
      break;
    }
    if (lowered.find(u"<script") != std::u16string::npos) {
      report_.Detail(u"the page has scripts; they are not run here, nor in the console edition: a marker that a "
                     u"script, or a page it leads to, would bring is not seen");
    }
    return false;
  }

  bool Package() {
    packageFile_ = downloadDir_ + fileName_;
    const std::u16string tempFile = packageFile_ + u".tmp";
    sys::RemoveFile(tempFile);
    sys::RemoveFile(packageFile_);
    std::optional<base::TFileStream> stream;
    try {
      stream.emplace(base::TFileStream::Create(tempFile, sys::Share::ReadWrite));
    } catch (...) {
      return report_.Fail(u"package", u"the program's error report shows " +
                                          Quoted(toolkit::ErrorReportText(toolkit::ErrorMessage(std::current_exception()))) +
                                          u"; nothing is downloaded");
    }
    std::int64_t announced = 0;
    std::u16string failure, contentType;
    const auto start = Clock::now();
    {
      DownloadProgress progress;
      try {
        net::THttpClient client;
        app::PrepareDownloadClient(client);
        client.OnWorkBegin = [&](net::THttpClient*, net::TWorkMode, std::int64_t total) {
          announced = total;
          progress.Begin(total);
        };
        client.OnWork = [&](net::THttpClient*, net::TWorkMode, std::int64_t count) { progress.Work(count); };
        client.Get(downloadUrl_, *stream);
        contentType = client.Response().contentType;
        client.Disconnect();
      } catch (...) {
        failure = toolkit::ErrorMessage(std::current_exception());
        if (failure.empty()) failure = u"(an error without a text)";
      }
    }
    const double seconds = SecondsSince(start);
    stream.reset();
    if (!failure.empty()) {
      return report_.Fail(u"package", OneLine(failure) + u"; the user would see " + Quoted(kDownloadFailed));
    }
    sys::RenameFile(tempFile, packageFile_);
    if (!sys::FileExists(packageFile_)) {
      return report_.Fail(u"package", u"the download could not be moved to " + packageFile_ +
                                          u"; the user would see " + Quoted(kPackageMissing));
    }
    std::error_code error;
    const auto size = static_cast<std::int64_t>(fs::file_size(fs::path(packageFile_), error));
    const std::optional<double> speed =
        seconds > 0 ? std::optional<double>(static_cast<double>(size) / seconds) : std::nullopt;
    report_.Ok(u"package", Grouped(size) + u" bytes (" + sys::FromUtf8(app::ByteCountText(size)) + u") in " +
                               Duration(seconds) + u", " + sys::FromUtf8(app::SpeedText(speed)));
    report_.Detail(u"saved as " + packageFile_ + (contentType.empty() ? u"" : u", served as " + Visible(contentType)));
    if (announced > 0 && announced != size) {
      report_.Detail(u"announced " + Grouped(announced) + u" bytes, received " + Grouped(size) +
                     u": the program goes on with what it received");
    }
    return true;
  }

  bool Unpack() {
    std::vector<std::u16string> written;
    const std::unique_ptr<base::TEncoding> names = base::TEncoding::GetEncoding(936);
    try {
      zip::TZipFile::ExtractZipFile(packageFile_, downloadDir_, names.get(),
                                    [&](const std::u16string& name, const zip::TZipHeader&, std::uint64_t) {
                                      if (written.empty() || written.back() != name) written.push_back(name);
                                    });
    } catch (...) {
      const std::u16string text = toolkit::ErrorMessage(std::current_exception());
      report_.Fail(u"unpack", OneLine(text) + u"; the program's error report shows it, and the installer is not "
                                              u"started");
      if (!written.empty()) {
        report_.Detail(base::IntToText(static_cast<std::int64_t>(written.size())) +
                       u" entries written before it, the last " + Quoted(written.back()));
      }
      return false;
    }
    std::vector<EntryListing> entries;
    std::int64_t files = 0, folders = 0, total = 0;
    try {
      zip::TZipFile archive;
      archive.SetEncoding(names.get());
      archive.Open(packageFile_, zip::TZipMode::zmRead);
      for (std::size_t i = 0; i < archive.FileCount(); ++i) {
        const zip::TZipHeader& central = archive.FileInfo(i);
        zip::TZipHeader local;
        archive.Read(static_cast<int>(i), local);
        EntryListing entry{archive.EntryName(local, central), central.UncompressedSize, {}};
        const bool folder = !entry.name.empty() && (entry.name.back() == u'/' || entry.name.back() == u'\\');
        (folder ? folders : files) += 1;
        if (!folder) total += central.UncompressedSize;
        std::u16string unicodePath;
        if (zip::TZipFile::GetUTF8PathFromExtraField(local, unicodePath)) {
          entry.notes = u", name from its Unicode Path field";
        } else if (central.Flag & zip::kUtf8NameFlag) {
          entry.notes = u", name in UTF-8";
        } else if (std::any_of(central.FileName.begin(), central.FileName.end(),
                               [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
          entry.notes = u", name in code page 936";
        }
        if ((central.MadeByVersion >> 8) == zip::kMadeByUnix && (central.ExternalAttributes >> 16) != 0) {
          char mode[16];
          std::snprintf(mode, sizeof mode, ", mode %03o", (central.ExternalAttributes >> 16) & 0777);
          entry.notes += Text(mode);
        }
        if (!folder) entries.push_back(std::move(entry));
      }
    } catch (...) {
      // The unpacking itself succeeded; the listing is only for the report.
    }
    report_.Ok(u"unpack", base::IntToText(files) + u" files" +
                              (folders > 0 ? u" (and " + base::IntToText(folders) + u" folder entries)" : u"") +
                              u", " + sys::FromUtf8(app::ByteCountText(total)) + u", into " + downloadDir_);
    for (std::size_t i = 0; i < entries.size() && i < kListedEntries; ++i) {
      report_.Detail(Visible(entries[i].name) + u" (" + sys::FromUtf8(app::ByteCountText(entries[i].size)) +
                     entries[i].notes + u")");
    }
    if (entries.size() > kListedEntries) {
      report_.Detail(u"... and " + base::IntToText(static_cast<std::int64_t>(entries.size() - kListedEntries)) +
                     u" more");
    }
    entries_ = std::move(entries);
    return true;
  }

  bool Installer() {
    const std::u16string path = app::InstallerPath(downloadDir_, installerName_);
    if (!sys::FileExists(path)) {
      report_.Fail(u"installer", u"no file " + Quoted(installerName_) + u" in the unpacked package (" + path +
                                     u"): the user would see " + Quoted(std::u16string(kInstallerMissing) + installerName_));
      const std::u16string wanted = AsciiLower(app::InstallerPath(u"", installerName_));
      for (const EntryListing& entry : entries_) {
        if (AsciiLower(app::InstallerPath(u"", entry.name)) == wanted) {
          report_.Detail(u"the package has " + Quoted(entry.name) + u": the name must match in case too");
        }
      }
      return false;
    }
    std::error_code error;
    const fs::path file(path);
    const auto size = static_cast<std::int64_t>(fs::file_size(file, error));
    std::u16string launch;
    if (sys::kPathDelimiter == u'/') {
      const fs::perms perms = fs::status(file, error).permissions();
      const bool executable =
          (perms & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) != fs::perms::none;
      launch = executable ? u"executable: the program would start it as a process of its own"
                          : u"not executable: the program would hand it to xdg-open, which opens it as a document";
    } else {
      launch = u"the program would open it through the shell";
    }
    report_.Ok(u"installer", path + u" (" + sys::FromUtf8(app::ByteCountText(size)) + u"), " + launch);
    return true;
  }

  Report report_;
  std::u16string descriptorPath_;
  std::optional<std::u16string> keep_;
  std::u16string packageId_, installerName_, bannerUrl_, portalUrl_, portalAddress_;
  std::string source_;
  std::u16string downloadUrl_, fileName_;
  std::u16string downloadDir_, packageFile_;
  std::vector<EntryListing> entries_;
};

}  // namespace

int RunCheck(const Args& args) {
  std::optional<std::u16string> descriptor, keep;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == u"--keep") {
      if (i + 1 >= args.size() || keep) return UsageError(u"check", u"--keep needs one DIR");
      keep = args[++i];
    } else if (!descriptor && !args[i].starts_with(u"--")) {
      descriptor = args[i];
    } else {
      return UsageError(u"check", u"unexpected word: " + args[i]);
    }
  }
  if (!descriptor) return UsageError(u"check", u"check needs the descriptor file");
  return Check(*descriptor, keep).Run();
}

}  // namespace packtool
