// A scripted HTTP server on 127.0.0.1 for the client's tests: it sends
// exactly the bytes each step gives, records the request bytes it got, and
// stops by itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace nettest {

struct Reply {
  std::string bytes;   // sent once a request head has arrived
  bool close = false;  // close the connection after sending
  // Sent again and again after bytes, for a server without end: until the
  // client stops taking it (or kRepeatLimit bytes, as a last stop).
  std::string repeat = {};
};

inline constexpr std::size_t kRepeatLimit = std::size_t{1} << 30;

// TLS for the server side (native builds only): certificate chain and key
// files in PEM.
struct TlsFiles {
  std::string certificate;
  std::string key;
  bool tls10Only = false;  // offers TLS 1.0 and nothing newer
};

class ScriptServer {
 public:
  // Listens on a port of its own and plays the replies in order on a
  // thread: for each, reads one request head (on the current connection,
  // or on a new one when the client has closed or there is none), records
  // it, then sends the reply. After the last reply it waits for the
  // client to close. Everything ends after 15 s at the latest. "{port}" in
  // a reply stands for the server's own port.
  explicit ScriptServer(std::vector<Reply> replies, const TlsFiles* tls = nullptr);
  ~ScriptServer();
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // "http://127.0.0.1:PORT"
  std::string Base() const;

  // Waits until the script has ended; then requests and connections hold
  // what happened (the connection number, from 0, of each request).
  void Wait();
  std::vector<std::string> requests;
  std::vector<int> connections;
  std::size_t sent = 0;  // bytes the replies sent, repeats included

 private:
  void Run();

  std::vector<Reply> replies_;
  const TlsFiles* tls_;
  std::intptr_t listener_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

// A server that takes connections (the system completes them) and never
// says a word; closed when destroyed. The system completes as many as the
// backlog holds; attempts beyond it are left unanswered.
class SilentServer {
 public:
  explicit SilentServer(int backlog = 8);
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  std::uint16_t Port() const { return port_; }

 private:
  std::intptr_t listener_ = -1;
  std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 where nothing listens (bound, then released).
std::uint16_t UnusedPort();

}  // namespace nettest
