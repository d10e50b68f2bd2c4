// A loopback HTTP server for tests: answers each request with the bytes a
// test registered for its path, records what it was asked, and stops by
// itself (when destroyed, or after its lifetime at the latest).
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class HttpServer {
 public:
  // Listens on 127.0.0.1 at a port of its own.
  explicit HttpServer(std::chrono::seconds lifetime = std::chrono::seconds(60));
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by path.
  std::string Url(const std::string& path) const;

  // The whole answer for a path (the request target without its query); a
  // path without one gets a 404. Each answer is sent, then the connection
  // is closed.
  void Route(const std::string& path, std::string answer);
  // A 200 answer with a length and a type.
  static std::string Ok(const std::string& body, const std::string& type = "application/octet-stream");
  static std::string NotFound();

  // Request targets in the order they arrived.
  std::vector<std::string> Requests() const;

  // From now on answers go out in pieces of bytes with a pause after each,
  // so that a test can act while a transfer is under way.
  void Throttle(std::size_t bytes, std::chrono::milliseconds pause);
  // Bytes of answers sent so far.
  std::size_t Sent() const { return sent_; }

 private:
  void Serve();
  void Answer(std::intptr_t client);

  std::intptr_t listener_ = -1;
  int port_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  std::atomic<bool> stop_{false};
  std::atomic<std::size_t> sent_{0};
  std::atomic<std::size_t> pieceBytes_{0};
  std::atomic<int> pauseMs_{0};
  mutable std::mutex mutex_;
  std::map<std::string, std::string> routes_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace testing_support
