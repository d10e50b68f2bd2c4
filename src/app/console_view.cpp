// The console edition's view of the portal window.
#include "app/console_view.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <string>

#include "app/Unit5.h"
#include "app/shared_values.h"
#include "sys/codepage.h"
#include "sys/console.h"
#include "toolkit/application.h"

namespace app {

std::string ByteCountText(std::int64_t bytes) { return sys::ToUtf8(ReadableByteCount(bytes)); }

std::string SpeedText(std::optional<double> bytesPerSecond) {
  if (!bytesPerSecond || !std::isfinite(*bytesPerSecond) || *bytesPerSecond < 0) return "--/s";
  return ByteCountText(static_cast<std::int64_t>(*bytesPerSecond)) + "/s";
}

namespace {

// "m:ss", or "h:mm:ss" from an hour on.
std::string ClockText(std::int64_t seconds) {
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  }
  return text;
}

}  // namespace

std::string TimeLeftText(std::int64_t done, std::int64_t total, std::optional<double> bytesPerSecond) {
  if (total <= 0) return "--:--";
  if (done >= total) return ClockText(0);
  if (!bytesPerSecond || !std::isfinite(*bytesPerSecond) || *bytesPerSecond <= 0) return "--:--";
  const double seconds = std::ceil(static_cast<double>(total - done) / *bytesPerSecond);
  if (seconds >= 100.0 * 3600.0) return "--:--";
  return ClockText(static_cast<std::int64_t>(seconds));
}

std::string ProgressFigures(std::int64_t done, std::int64_t total, std::optional<double> bytesPerSecond) {
  if (total <= 0) return "total unknown  " + SpeedText(bytesPerSecond);
  return ByteCountText(done) + " / " + ByteCountText(total) + "  " + SpeedText(bytesPerSecond) + "  " +
         TimeLeftText(done, total, bytesPerSecond) + " left";
}

std::string DownloadSummary(std::int64_t bytes, double seconds) {
  std::string duration;
  if (seconds >= 60.0) {
    duration = ClockText(static_cast<std::int64_t>(seconds));
  } else {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", std::max(seconds, 0.0));
    duration = text;
  }
  const std::optional<double> average =
      seconds > 0 ? std::optional<double>(static_cast<double>(bytes) / seconds) : std::nullopt;
  return ByteCountText(bytes) + " in " + duration + ", " + SpeedText(average) + " on average";
}

namespace {

using Clock = std::chrono::steady_clock;

// The pipe's line keeps its old width; the terminal's leaves room for the
// figures within 80 columns.
constexpr int kPipeBarWidth = 40;
constexpr int kTerminalBarWidth = 24;
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);
// The speed is taken over the last few seconds, as curl and apt do, so it
// follows a transfer that speeds up or stalls.
constexpr auto kSpeedWindow = std::chrono::seconds(3);
constexpr auto kShortestSpeedSpan = std::chrono::milliseconds(300);

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class ConsoleView {
 public:
  explicit ConsoleView(TForm5& form) : form_(form), terminal_(sys::IsTerminal(sys::StdStream::Output)) {}

  void StatusChanged() {
    EndProgressLine(true);
    sys::WriteStd(sys::StdStream::Output, sys::ToUtf8(form_.Label1.Caption()) + "\n");
  }

  // The bar's range is set when a body begins: the clock starts again.
  void TransferBegan() {
    transferStart_ = Clock::now();
    samples_.clear();
  }

  // Drawn when the loop next handles messages, as a window paints: the bar
  // and the percentage change one after the other, the line shows both.
  void ProgressChanged() {
    if (paintPending_) return;
    paintPending_ = true;
    toolkit::Application::Instance().PostCall([this] {
      paintPending_ = false;
      PaintProgress(false);
    });
  }

 private:
  bool Complete() const { return form_.bfb.Caption() == u"100%"; }

  // The bar counts in units of 100 bytes; the total is the announced one.
  std::int64_t BytesSoFar() const {
    const std::int64_t bytes = static_cast<std::int64_t>(form_.loading.Position()) * 100;
    if (ExpectedBytes > 0 && (Complete() || bytes > ExpectedBytes)) return ExpectedBytes;
    return std::max<std::int64_t>(bytes, 0);
  }

  std::optional<double> Speed(Clock::time_point now, std::int64_t bytes) {
    samples_.push_back({now, bytes});
    while (samples_.size() > 2 && now - samples_[1].time >= kSpeedWindow) samples_.pop_front();
    const Sample& first = samples_.front();
    if (now - first.time < kShortestSpeedSpan) return std::nullopt;
    return static_cast<double>(bytes - first.bytes) / Seconds(now - first.time);
  }

  void PaintProgress(bool force) {
    if (!form_.Panel2.Visible()) return;
    const auto now = Clock::now();
    if (terminal_) {
      if (!force && !Complete() && open_ && now - lastWrite_ < kRedrawInterval) return;
      const std::int64_t bytes = BytesSoFar();
      std::string line = BarLine(kTerminalBarWidth);
      line.append("  ").append(ProgressFigures(bytes, ExpectedBytes, Speed(now, bytes)));
      if (line == lastLine_) return;
      // Blanks cover what a longer earlier line left behind.
      const std::size_t cover = lastLine_.size() > line.size() ? lastLine_.size() - line.size() : 0;
      std::string redraw = "\r";
      redraw.append(line).append(cover, ' ');
      sys::WriteStd(sys::StdStream::Output, redraw);
      open_ = true;
      lastLine_ = line;
      lastWrite_ = now;
      return;
    }
    const std::string line = BarLine(kPipeBarWidth);
    if (line == lastLine_) return;
    if (!Complete() && now - lastWrite_ < std::chrono::seconds(1)) return;
    sys::WriteStd(sys::StdStream::Output, line + "\n");
    lastWrite_ = now;
    lastLine_ = line;
  }

  std::string BarLine(int width) const {
    const auto& bar = form_.loading;
    const long long range = static_cast<long long>(bar.Max()) - bar.Min();
    int filled = 0;
    if (range > 0) {
      const long long done = static_cast<long long>(bar.Position()) - bar.Min();
      filled = static_cast<int>(std::clamp<long long>(done * width / range, 0, width));
    }
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#').append(static_cast<std::size_t>(width - filled), '.');
    return line.append("] ").append(sys::ToUtf8(form_.bfb.Caption()));
  }

 public:
  // The last state is drawn whatever the interval, then, at the end of a
  // download, the total and the average speed on a line of their own.
  void EndProgressLine(bool summary) {
    if (!open_) return;
    PaintProgress(true);
    std::string end = "\n";
    if (summary) end += "downloaded " + DownloadSummary(BytesSoFar(), Seconds(Clock::now() - transferStart_)) + "\n";
    sys::WriteStd(sys::StdStream::Output, end);
    open_ = false;
    lastLine_.clear();
  }

 private:
  struct Sample {
    Clock::time_point time;
    std::int64_t bytes;
  };

  TForm5& form_;
  bool terminal_;
  bool open_ = false;
  bool paintPending_ = false;
  std::string lastLine_;
  Clock::time_point lastWrite_{};
  Clock::time_point transferStart_ = Clock::now();
  std::deque<Sample> samples_;
};

// Lives as long as the process: the window it watches does too.
ConsoleView* view = nullptr;

}  // namespace

void EndConsoleProgressLine() {
  if (view != nullptr) view->EndProgressLine(false);
}

void AttachConsoleView(TForm5& form) {
  view = new ConsoleView(form);
  form.Label1.SetObserver([](toolkit::Control&, toolkit::Property property) {
    if (property == toolkit::Property::Caption) view->StatusChanged();
  });
  form.loading.SetObserver([](toolkit::Control&, toolkit::Property property) {
    if (property == toolkit::Property::Range) view->TransferBegan();
    view->ProgressChanged();
  });
  form.bfb.SetObserver([](toolkit::Control&, toolkit::Property) { view->ProgressChanged(); });
  form.Panel2.SetObserver([](toolkit::Control& panel, toolkit::Property property) {
    // The progress view has just replaced the portal page: its status text
    // is the first line to show.
    if (property == toolkit::Property::Visible && panel.Visible()) view->StatusChanged();
  });
}

}  // namespace app
