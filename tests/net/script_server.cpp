// A scripted HTTP server on 127.0.0.1 for the client's tests.
#include "script_server.h"

#include <chrono>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using NativeSocket = SOCKET;
#define CLOSE_SOCKET closesocket
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using NativeSocket = int;
#define CLOSE_SOCKET close
#endif

#ifndef _WIN32
#include <openssl/err.h>
#include <openssl/ssl.h>
#endif

namespace nettest {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLifetime = std::chrono::seconds(15);

void StartSockets() {
#ifdef _WIN32
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
#endif
}

// Waits until the socket is readable or the deadline passes.
bool Readable(NativeSocket socket, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    const int wait = left > 100 ? 100 : static_cast<int>(left);
#ifdef _WIN32
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval limit{0, wait * 1000};
    if (select(0, &set, nullptr, nullptr, &limit) > 0) return true;
#else
    pollfd entry{socket, POLLIN, 0};
    if (poll(&entry, 1, wait) > 0) return true;
#endif
  }
}

// One accepted connection, plain or TLS.
class Peer {
 public:
  Peer(NativeSocket socket, const TlsFiles* tls) : socket_(socket) {
#ifndef _WIN32
    if (tls != nullptr) {
      context_ = SSL_CTX_new(TLS_server_method());
      if (tls->tls10Only) {
        SSL_CTX_set_security_level(context_, 0);
        SSL_CTX_set_min_proto_version(context_, TLS1_VERSION);
        SSL_CTX_set_max_proto_version(context_, TLS1_VERSION);
      }
      SSL_CTX_use_certificate_chain_file(context_, tls->certificate.c_str());
      SSL_CTX_use_PrivateKey_file(context_, tls->key.c_str(), SSL_FILETYPE_PEM);
      ssl_ = SSL_new(context_);
      SSL_set_fd(ssl_, socket_);
      if (SSL_accept(ssl_) != 1) failed_ = true;
    }
#else
    (void)tls;
#endif
  }
  ~Peer() {
#ifndef _WIN32
    if (ssl_ != nullptr) {
      if (!failed_) SSL_shutdown(ssl_);
      SSL_free(ssl_);
    }
    if (context_ != nullptr) SSL_CTX_free(context_);
#endif
    CLOSE_SOCKET(socket_);
  }
  bool Failed() const { return failed_; }

  // Bytes received, 0 at the end, -1 on error or deadline.
  int Receive(char* buffer, int size, Clock::time_point deadline) {
#ifndef _WIN32
    if (ssl_ != nullptr && SSL_pending(ssl_) > 0) return SSL_read(ssl_, buffer, size);
#endif
    if (!Readable(socket_, deadline)) return -1;
#ifndef _WIN32
    if (ssl_ != nullptr) {
      const int n = SSL_read(ssl_, buffer, size);
      return n > 0 ? n : 0;
    }
#endif
    return static_cast<int>(recv(socket_, buffer, size, 0));
  }

  // The bytes sent; fewer than all when the client stopped taking them.
  std::size_t Send(const std::string& bytes) {
#ifndef _WIN32
    if (ssl_ != nullptr) {
      if (bytes.empty() || failed_) return 0;
      return SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size())) > 0 ? bytes.size() : 0;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = send(socket_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
#else
    std::size_t done = 0;
    while (done < bytes.size()) {
      const int n = send(socket_, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
#endif
    return done;
  }

 private:
  NativeSocket socket_;
  bool failed_ = false;
#ifndef _WIN32
  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
#endif
};

}  // namespace

ScriptServer::ScriptServer(std::vector<Reply> replies, const TlsFiles* tls) : replies_(std::move(replies)), tls_(tls) {
  StartSockets();
  const NativeSocket listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener, 8);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  listener_ = static_cast<std::intptr_t>(listener);
  for (Reply& reply : replies_) {
    for (std::size_t at; (at = reply.bytes.find("{port}")) != std::string::npos;) {
      reply.bytes.replace(at, 6, std::to_string(port_));
    }
  }
  thread_ = std::thread([this] { Run(); });
}

ScriptServer::~ScriptServer() {
  Wait();
  if (listener_ != -1) CLOSE_SOCKET(static_cast<NativeSocket>(listener_));
}

std::string ScriptServer::Base() const { return "http://127.0.0.1:" + std::to_string(port_); }

void ScriptServer::Wait() {
  if (thread_.joinable()) thread_.join();
}

void ScriptServer::Run() {
  const auto deadline = Clock::now() + kLifetime;
  const NativeSocket listener = static_cast<NativeSocket>(listener_);
  std::unique_ptr<Peer> peer;
  int connection = -1;
  std::string pending;  // bytes of the next request already received
  const auto accept_one = [&]() -> bool {
    peer.reset();
    pending.clear();
    if (!Readable(listener, deadline)) return false;
    const NativeSocket accepted = accept(listener, nullptr, nullptr);
    peer = std::make_unique<Peer>(accepted, tls_);
    ++connection;
    return true;
  };
  for (const Reply& reply : replies_) {
    std::string request;
    bool haveHead = false;
    while (!haveHead) {
      if (!peer && !accept_one()) return;
      const std::size_t end = pending.find("\r\n\r\n");
      if (end != std::string::npos) {
        request = pending.substr(0, end + 4);
        pending.erase(0, end + 4);
        haveHead = true;
        break;
      }
      // A refused handshake is the end of the story.
      if (peer->Failed()) return;
      char buffer[4096];
      const int n = peer->Receive(buffer, sizeof buffer, deadline);
      if (n < 0 && Clock::now() >= deadline) return;
      if (n <= 0) {
        // The client let this connection go: the request comes on a new one.
        peer.reset();
        continue;
      }
      pending.append(buffer, static_cast<std::size_t>(n));
    }
    requests.push_back(request);
    connections.push_back(connection);
    sent += peer->Send(reply.bytes);
    if (!reply.repeat.empty()) {
      std::size_t repeated = 0;
      while (repeated < kRepeatLimit && Clock::now() < deadline) {
        const std::size_t n = peer->Send(reply.repeat);
        repeated += n;
        if (n < reply.repeat.size()) break;
      }
      sent += repeated;
    }
    if (reply.close) peer.reset();
  }
  // Until the client closes (or the time is up).
  while (peer && !peer->Failed()) {
    char buffer[4096];
    if (peer->Receive(buffer, sizeof buffer, deadline) <= 0) break;
  }
}

SilentServer::SilentServer(int backlog) {
  StartSockets();
  const NativeSocket listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener, backlog);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  listener_ = static_cast<std::intptr_t>(listener);
}

SilentServer::~SilentServer() { CLOSE_SOCKET(static_cast<NativeSocket>(listener_)); }

std::uint16_t UnusedPort() {
  StartSockets();
  const NativeSocket probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  CLOSE_SOCKET(probe);
  return ntohs(address.sin_port);
}

}  // namespace nettest
