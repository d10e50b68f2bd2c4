// The GUI tests' portal over POSIX sockets.
#include "gui_portal.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace gui_testing {

Portal::Portal() {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener_, 16);
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { Accept(); });
}

Portal::~Portal() {
  stop_ = true;
  acceptor_.join();
  for (std::thread& worker : workers_) worker.join();
  close(listener_);
}

std::string Portal::Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

void Portal::Route(const std::string& path, Answer answer) {
  std::lock_guard lock(mutex_);
  routes_[path] = std::move(answer);
}

Answer Portal::Page(std::string html, const std::string& type) {
  return {"HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " + std::to_string(html.size()) +
              "\r\nConnection: close\r\n\r\n",
          std::move(html)};
}

Answer Portal::File(std::string bytes, std::size_t bytesPerSecond) {
  return {"HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: " + std::to_string(bytes.size()) +
              "\r\nConnection: close\r\n\r\n",
          std::move(bytes), bytesPerSecond};
}

bool Portal::WaitForBody(const std::string& path, double seconds) {
  std::unique_lock lock(mutex_);
  return started_.wait_for(lock, std::chrono::duration<double>(seconds), [&] {
    return std::find(bodiesStarted_.begin(), bodiesStarted_.end(), path) != bodiesStarted_.end();
  });
}

std::vector<std::string> Portal::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void Portal::Accept() {
  while (!stop_) {
    pollfd wait{listener_, POLLIN, 0};
    if (poll(&wait, 1, 100) <= 0) continue;
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    workers_.emplace_back([this, client] { Serve(client); });
  }
}

void Portal::Serve(int client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && !stop_) {
    pollfd wait{client, POLLIN, 0};
    if (poll(&wait, 1, 100) <= 0) continue;
    const ssize_t n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t start = request.find(' ') + 1;
  std::string target = request.substr(start, request.find(' ', start) - start);
  const std::string path = target.substr(0, target.find('?'));
  Answer answer{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\n", "not found"};
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(target);
    if (auto found = routes_.find(path); found != routes_.end()) answer = found->second;
  }
  send(client, answer.head.data(), answer.head.size(), MSG_NOSIGNAL);
  {
    std::lock_guard lock(mutex_);
    bodiesStarted_.push_back(path);
  }
  started_.notify_all();
  // Slow answers go out in tenths of their rate, ten times a second.
  const std::size_t step = answer.bytesPerSecond == 0 ? answer.body.size() : std::max<std::size_t>(1, answer.bytesPerSecond / 10);
  for (std::size_t sent = 0; sent < answer.body.size() && !stop_;) {
    const std::size_t n = std::min(step, answer.body.size() - sent);
    if (send(client, answer.body.data() + sent, n, MSG_NOSIGNAL) <= 0) break;
    sent += n;
    if (answer.bytesPerSecond != 0 && sent < answer.body.size()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  close(client);
}

}  // namespace gui_testing
