// packtool fetch: downloads an address into a file the way the program
// downloads its package - one client, redirects followed, nothing else set.
#include <chrono>
#include <string>

#include "base/file_stream.h"
#include "base/text.h"
#include "command.h"
#include "net/http_client.h"
#include "sys/codepage.h"
#include "sys/console.h"
#include "toolkit/application.h"

namespace packtool {
namespace {

// A progress line on a terminal, redrawn at most a few times a second.
class Progress {
 public:
  explicit Progress(bool shown) : shown_(shown) {}

  void Begin(std::int64_t total) {
    total_ = total;
    Draw(0, true);
  }
  void Work(std::int64_t count) { Draw(count, false); }
  void End() {
    if (shown_ && drawn_) sys::WriteStd(sys::StdStream::Error, "\n");
    drawn_ = false;
  }

 private:
  void Draw(std::int64_t count, bool force) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && count != total_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    std::string line = "\r";
    if (total_ > 0) {
      line += std::to_string(count * 100 / total_);
      line += "% ";
      line += std::to_string(count);
      line += " of ";
      line += std::to_string(total_);
    } else {
      line += std::to_string(count);
    }
    line += " bytes";
    line += "   ";
    sys::WriteStd(sys::StdStream::Error, line);
    drawn_ = true;
  }

  bool shown_;
  bool drawn_ = false;
  std::int64_t total_ = 0;
  std::chrono::steady_clock::time_point last_{};
};

// The client's text, with its line breaks as the terminal writes them.
std::u16string Lines(std::u16string text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace

int RunFetch(const Args& args) {
  if (args.size() != 2) return UsageError(u"fetch", u"fetch needs URL and OUT");
  Progress progress(sys::IsTerminal(sys::StdStream::Error));
  try {
    base::TFileStream out = base::TFileStream::Create(args[1], sys::Share::ReadWrite);
    net::THttpClient client;
    client.HandleRedirects = true;
    client.ConnectTimeout = net::kStalledServerTimeout;
    client.ReadTimeout = net::kStalledServerTimeout;
    client.OnWorkBegin = [&](net::THttpClient*, net::TWorkMode, std::int64_t total) { progress.Begin(total); };
    client.OnWork = [&](net::THttpClient*, net::TWorkMode, std::int64_t count) { progress.Work(count); };
    client.OnWorkEnd = [&](net::THttpClient*, net::TWorkMode) { progress.End(); };
    client.Get(args[0], out);
    client.Disconnect();
  } catch (...) {
    progress.End();
    PrintError(Lines(toolkit::ErrorMessage(std::current_exception())));
    return 1;
  }
  return 0;
}

}  // namespace packtool
