// The console edition's view of the portal window.
#include "app/console_view.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "app/Unit5.h"
#include "sys/codepage.h"
#include "sys/console.h"
#include "toolkit/application.h"

namespace app {
namespace {

constexpr int kBarWidth = 40;

class ConsoleView {
 public:
  explicit ConsoleView(TForm5& form) : form_(form), terminal_(sys::IsTerminal(sys::StdStream::Output)) {}

  void StatusChanged() {
    EndProgressLine();
    sys::WriteStd(sys::StdStream::Output, sys::ToUtf8(form_.Label1.Caption()) + "\n");
  }

  // Drawn when the loop next handles messages, as a window paints: the bar
  // and the percentage change one after the other, the line shows both.
  void ProgressChanged() {
    if (paintPending_) return;
    paintPending_ = true;
    toolkit::Application::Instance().PostCall([this] {
      paintPending_ = false;
      PaintProgress();
    });
  }

 private:
  void PaintProgress() {
    if (!form_.Panel2.Visible()) return;
    const std::string line = ProgressLine();
    if (line == lastLine_) return;
    const auto now = std::chrono::steady_clock::now();
    const bool complete = form_.bfb.Caption() == u"100%";
    if (terminal_) {
      // Blanks cover what a longer earlier line left behind.
      const std::size_t cover = lastLine_.size() > line.size() ? lastLine_.size() - line.size() : 0;
      std::string redraw = "\r";
      redraw.append(line).append(cover, ' ');
      sys::WriteStd(sys::StdStream::Output, redraw);
      open_ = true;
    } else if (complete || now - lastWrite_ >= std::chrono::seconds(1)) {
      sys::WriteStd(sys::StdStream::Output, line + "\n");
      lastWrite_ = now;
    } else {
      return;
    }
    lastLine_ = line;
  }

  std::string ProgressLine() const {
    const auto& bar = form_.loading;
    const long long range = static_cast<long long>(bar.Max()) - bar.Min();
    int filled = 0;
    if (range > 0) {
      const long long done = static_cast<long long>(bar.Position()) - bar.Min();
      filled = static_cast<int>(std::clamp<long long>(done * kBarWidth / range, 0, kBarWidth));
    }
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#').append(static_cast<std::size_t>(kBarWidth - filled), '.');
    return line.append("] ").append(sys::ToUtf8(form_.bfb.Caption()));
  }

  void EndProgressLine() {
    if (!open_) return;
    sys::WriteStd(sys::StdStream::Output, "\n");
    open_ = false;
  }

  TForm5& form_;
  bool terminal_;
  bool open_ = false;
  bool paintPending_ = false;
  std::string lastLine_;
  std::chrono::steady_clock::time_point lastWrite_{};
};

}  // namespace

void AttachConsoleView(TForm5& form) {
  // Lives as long as the process: the window it watches does too.
  static ConsoleView* view = new ConsoleView(form);
  form.Label1.SetObserver([](toolkit::Control&, toolkit::Property property) {
    if (property == toolkit::Property::Caption) view->StatusChanged();
  });
  const auto progress = [](toolkit::Control&, toolkit::Property) { view->ProgressChanged(); };
  form.loading.SetObserver(progress);
  form.bfb.SetObserver(progress);
  form.Panel2.SetObserver([](toolkit::Control& panel, toolkit::Property property) {
    // The progress view has just replaced the portal page: its status text
    // is the first line to show.
    if (property == toolkit::Property::Visible && panel.Visible()) view->StatusChanged();
  });
}

}  // namespace app
