// A loopback HTTP server for tests.
#include "http_server.h"

#include <algorithm>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLength = int;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketLength = socklen_t;
#endif

namespace testing_support {
namespace {

#ifdef _WIN32
using Native = SOCKET;
void CloseSocket(std::intptr_t s) { closesocket(static_cast<Native>(s)); }
struct WinsockStart {
  WinsockStart() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};
#else
using Native = int;
void CloseSocket(std::intptr_t s) { ::close(static_cast<Native>(s)); }
#endif

// Waits up to 100 ms for a socket to become readable.
bool Readable(std::intptr_t s) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(static_cast<Native>(s), &set);
  timeval timeout{0, 100000};
  const int ready = ::select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &timeout);
  // A failing select must not turn the loops around it into busy ones.
  if (ready < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return ready > 0;
}

// The server answers one connection at a time, so a client that is gone
// but whose connection stays open (under Wine, a killed process's socket
// outlives it) must not hold the send of a large answer, and with it every
// later request, for ever: a send that cannot go on for 10 s gives up.
void LimitSendWait(Native client) {
#ifdef _WIN32
  const DWORD timeout = 10000;
#else
  const timeval timeout{10, 0};
#endif
  ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

}  // namespace

HttpServer::HttpServer(std::chrono::seconds lifetime) : deadline_(std::chrono::steady_clock::now() + lifetime) {
#ifdef _WIN32
  static WinsockStart start;
#endif
  // Not inherited by the programs a test starts (installers, the console
  // edition), so the port closes with the server.
#ifdef _WIN32
  const Native s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                              WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
#else
  const Native s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
#endif
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(s, 16) != 0) {
    throw std::runtime_error("test server: cannot listen on 127.0.0.1");
  }
  SocketLength length = sizeof address;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  listener_ = static_cast<std::intptr_t>(s);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
  stop_ = true;
  thread_.join();
  CloseSocket(listener_);
}

std::string HttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpServer::Route(const std::string& path, std::string answer) {
  std::lock_guard lock(mutex_);
  routes_[path] = std::move(answer);
}

std::string HttpServer::Ok(const std::string& body, const std::string& type) {
  return "HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

std::string HttpServer::NotFound() {
  const std::string body = "<html><body>404 Not Found</body></html>";
  return "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

void HttpServer::Throttle(std::size_t bytes, std::chrono::milliseconds pause) {
  pieceBytes_ = bytes;
  pauseMs_ = static_cast<int>(pause.count());
}

std::vector<std::string> HttpServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void HttpServer::Serve() {
  while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
    if (!Readable(listener_)) continue;
    const Native client = ::accept(static_cast<Native>(listener_), nullptr, nullptr);
    if (client == static_cast<Native>(-1)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
#ifdef _WIN32
    SetHandleInformation(reinterpret_cast<HANDLE>(client), HANDLE_FLAG_INHERIT, 0);
#endif
    LimitSendWait(client);
    Answer(static_cast<std::intptr_t>(client));
    CloseSocket(static_cast<std::intptr_t>(client));
  }
}

void HttpServer::Answer(std::intptr_t client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    if (!Readable(client)) {
      if (stop_ || std::chrono::steady_clock::now() >= deadline_) return;
      continue;
    }
    const int n = static_cast<int>(::recv(static_cast<Native>(client), buffer, sizeof buffer, 0));
    if (n <= 0) return;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  const std::size_t start = request.find(' ') + 1;
  const std::string target = request.substr(start, request.find(' ', start) - start);
  const std::string path = target.substr(0, target.find('?'));
  std::string answer;
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(target);
    const auto route = routes_.find(path);
    answer = route != routes_.end() ? route->second : NotFound();
  }
#ifdef _WIN32
  const int flags = 0;
#else
  const int flags = MSG_NOSIGNAL;  // a client that went away must not end the test
#endif
  std::size_t sent = 0;
  while (sent < answer.size()) {
    const std::size_t piece = pieceBytes_ > 0 ? std::min<std::size_t>(pieceBytes_, answer.size() - sent) : answer.size() - sent;
    const int n = static_cast<int>(::send(static_cast<Native>(client), answer.data() + sent, static_cast<int>(piece), flags));
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
    sent_ += static_cast<std::size_t>(n);
    if (pieceBytes_ > 0 && pauseMs_ > 0) {
      if (stop_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs_.load()));
    }
  }
}

}  // namespace testing_support
