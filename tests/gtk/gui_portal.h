// A loopback portal for the GUI tests: every connection is served on a
// thread of its own (a browser engine opens several at once), answers can
// be sent slowly, and the test can wait until the body of one has begun.
#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace gui_testing {

struct Answer {
  std::string head;  // status line and headers, ending in an empty line
  std::string body;
  std::size_t bytesPerSecond = 0;  // 0: at once
};

class Portal {
 public:
  Portal();
  ~Portal();
  Portal(const Portal&) = delete;
  Portal& operator=(const Portal&) = delete;

  std::string Url(const std::string& path) const;
  void Route(const std::string& path, Answer answer);
  static Answer Page(std::string html, const std::string& type = "text/html");
  static Answer File(std::string bytes, std::size_t bytesPerSecond = 0);

  // Waits until the body of the answer for path has begun to go out.
  bool WaitForBody(const std::string& path, double seconds);
  std::vector<std::string> Requests() const;

 private:
  void Accept();
  void Serve(int client);

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::condition_variable started_;
  std::map<std::string, Answer> routes_;
  std::vector<std::string> requests_;
  std::vector<std::string> bodiesStarted_;
  std::thread acceptor_;
  std::vector<std::thread> workers_;
};

}  // namespace gui_testing
