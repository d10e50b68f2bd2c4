// The headless toolkit.
#include "toolkit/headless/headless_platform.h"

#include "sys/codepage.h"
#include "sys/console.h"
#include "toolkit/application.h"

namespace toolkit::headless {
namespace {

class HeadlessDocument : public Document {
 public:
  HeadlessDocument(std::string source, bool canSave) : source_(std::move(source)), canSave_(canSave) {}
  bool CanSave() const override { return canSave_; }
  void Save(base::TStream& stream) override { stream.WriteBuffer(source_.data(), source_.size()); }

 private:
  std::string source_;
  bool canSave_;
};

class HeadlessBrowserPeer : public BrowserPeer {
 public:
  HeadlessBrowserPeer(HeadlessPlatform& platform, WebBrowser& browser) : platform_(platform), browser_(browser) {}

  // Loading happens when the queued navigation is handled, as a real control
  // loads while the loop runs.
  void Navigate(const std::u16string& url) override {
    platform_.Record({EventKind::Navigate, url, {}});
    if (!platform_.Fetcher()) return;
    Application::Instance().PostCall([this, url] { Load(url); });
  }

  Document* TopDocument() override { return document_.get(); }

  void Complete(std::string source, bool canSave, const std::u16string& url) {
    document_ = std::make_unique<HeadlessDocument>(std::move(source), canSave);
    browser_.NotifyDocumentComplete(document_.get(), url);
  }

 private:
  void Load(const std::u16string& url) {
    std::string source;
    try {
      source = platform_.Fetcher()(url);
    } catch (...) {
      platform_.ReportNavigationError(url, ErrorMessage(std::current_exception()));
      return;
    }
    Complete(std::move(source), true, url);
  }

  HeadlessPlatform& platform_;
  WebBrowser& browser_;
  std::unique_ptr<HeadlessDocument> document_;
};

}  // namespace

HeadlessPlatform::HeadlessPlatform(bool console) : console_(console) {
  if (console_) sys::CatchInterrupts();
  idle_ = [](Application& application) {
    if (Form* form = application.ActiveForm()) form->Close();
  };
}

void HeadlessPlatform::Post(Message message) {
  if (message.quit) journal_.push_back({EventKind::Terminate, {}, {}});
  queue_.push_back(std::move(message));
}

std::optional<Message> HeadlessPlatform::Take() {
  if (console_ && sys::TakeInterrupt()) {
    queue_.push_back(Message{false, [] {
                               if (Form* form = Application::Instance().ActiveForm()) form->Close();
                             }});
  }
  if (queue_.empty()) return std::nullopt;
  Message message = std::move(queue_.front());
  queue_.pop_front();
  return message;
}

void HeadlessPlatform::Wait(Application& application) {
  if (application.Terminated() || !queue_.empty()) return;
  if (idle_) idle_(application);
}

std::vector<Event> HeadlessPlatform::Boxes() const {
  std::vector<Event> boxes;
  for (const Event& event : journal_) {
    if (event.kind == EventKind::MessageBox || event.kind == EventKind::ErrorReport) boxes.push_back(event);
  }
  return boxes;
}

void HeadlessPlatform::ShowBox(EventKind kind, const std::u16string& title, const std::u16string& text) {
  journal_.push_back({kind, text, title});
  if (console_) {
    const bool error = kind == EventKind::ErrorReport;
    const sys::StdStream stream = error ? sys::StdStream::Error : sys::StdStream::Output;
    std::string line = "[";
    line.append(sys::ToUtf8(title)).append("] ").append(error ? "error: " : "").append(sys::ToUtf8(text)).append("\n");
    sys::WriteStd(stream, line);
    if (sys::IsInputTerminal()) {
      sys::WriteStd(stream, "(press Enter)\n");
      sys::WaitForEnter();
    }
  }
  if (boxHandler_) boxHandler_(journal_.back());
}

void HeadlessPlatform::ShowMessageBox(const std::u16string& title, const std::u16string& text) {
  ShowBox(EventKind::MessageBox, title, text);
}

void HeadlessPlatform::ShowErrorBox(const std::u16string& title, const std::u16string& text) {
  ShowBox(EventKind::ErrorReport, title, text);
}

std::unique_ptr<BrowserPeer> HeadlessPlatform::CreateBrowserPeer(WebBrowser& browser) {
  return std::make_unique<HeadlessBrowserPeer>(*this, browser);
}

void HeadlessPlatform::ReportNavigationError(const std::u16string& url, const std::u16string& error) {
  if (console_) {
    sys::WriteStd(sys::StdStream::Error, "page not loaded: " + sys::ToUtf8(url) + ": " + sys::ToUtf8(error) + "\n");
  }
  if (navigationError_) navigationError_(url, error);
}

void HeadlessPlatform::CompleteDocument(WebBrowser& browser, std::string source, bool canSave) {
  auto& peer = static_cast<HeadlessBrowserPeer&>(browser.NativeBrowser());
  Application::Instance().PostCall([&peer, source = std::move(source), canSave]() mutable {
    peer.Complete(std::move(source), canSave, u"about:document");
  });
}

}  // namespace toolkit::headless
