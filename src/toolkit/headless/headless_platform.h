// The headless toolkit: an in-process message queue and browsers that fetch
// their pages through a function the edition supplies. Nothing is drawn.
//
// Message boxes and error reports are recorded in a journal, for tests, and
// in console mode also written to the terminal (message boxes to standard
// output, error reports to standard error), waiting for Enter when standard
// input is a terminal. In console mode Ctrl+C is the user's close of the
// active form.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/browser.h"
#include "toolkit/platform.h"

namespace toolkit::headless {

enum class EventKind { MessageBox, ErrorReport, Terminate, Navigate };

struct Event {
  EventKind kind;
  std::u16string text;  // the box's text, or the address navigated to
  std::u16string title;
  bool operator==(const Event&) const = default;
};

// Fetches a page's source bytes; raises on failure.
using PageFetcher = std::function<std::string(const std::u16string& url)>;

class HeadlessPlatform : public Platform {
 public:
  explicit HeadlessPlatform(bool console = false);

  void Post(Message message) override;
  std::optional<Message> Take() override;
  // With the queue empty, nothing more can happen by itself: the idle
  // handler runs (by default the user's close of the active form). Returns
  // at once once the application is terminated.
  void Wait(Application& application) override;

  void ShowMessageBox(const std::u16string& title, const std::u16string& text) override;
  void ShowErrorBox(const std::u16string& title, const std::u16string& text) override;
  std::unique_ptr<BrowserPeer> CreateBrowserPeer(WebBrowser& browser) override;

  void SetIdleHandler(std::function<void(Application&)> handler) { idle_ = std::move(handler); }
  void SetPageFetcher(PageFetcher fetcher) { fetcher_ = std::move(fetcher); }
  // Runs when a box is shown, after it is recorded: a test's way of acting
  // while a modal box is open.
  void SetBoxHandler(std::function<void(const Event&)> handler) { boxHandler_ = std::move(handler); }
  // A navigation's failure: the page is not shown and no document completes.
  void SetNavigationErrorHandler(std::function<void(const std::u16string& url, const std::u16string& error)> handler) {
    navigationError_ = std::move(handler);
  }

  const std::vector<Event>& Journal() const { return journal_; }
  std::vector<Event> Boxes() const;  // message boxes and error reports only
  void ClearJournal() { journal_.clear(); }
  std::size_t PendingMessages() const { return queue_.size(); }

  // Hands browser a document with these source bytes, delivered like a
  // completed navigation when the loop takes it. canSave false makes a
  // document that is not a web page.
  static void CompleteDocument(WebBrowser& browser, std::string source, bool canSave = true);

  const PageFetcher& Fetcher() const { return fetcher_; }
  void ReportNavigationError(const std::u16string& url, const std::u16string& error);
  void Record(Event event) { journal_.push_back(std::move(event)); }

 private:
  void ShowBox(EventKind kind, const std::u16string& title, const std::u16string& text);

  bool console_;
  std::deque<Message> queue_;
  std::vector<Event> journal_;
  std::function<void(Application&)> idle_;
  std::function<void(const Event&)> boxHandler_;
  std::function<void(const std::u16string&, const std::u16string&)> navigationError_;
  PageFetcher fetcher_;
};

}  // namespace toolkit::headless
