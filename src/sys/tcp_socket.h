// TCP connections: IPv4 name resolution, connect, send, receive, close.
//
// Errors are Winsock numbers on every platform (10061 for a refused
// connection, 11001 for an unknown host, 10054 for a reset), so that every
// edition of the program reports a failure with the same number and text.
// On POSIX the errno values and resolver results are mapped to them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "sys/result.h"

namespace sys {

inline constexpr ErrorCode kSocketTimedOut = 10060;        // WSAETIMEDOUT
inline constexpr ErrorCode kSocketRefused = 10061;         // WSAECONNREFUSED
inline constexpr ErrorCode kSocketReset = 10054;           // WSAECONNRESET
inline constexpr ErrorCode kSocketHostNotFound = 11001;    // WSAHOST_NOT_FOUND

// The text for a Winsock error number, the same on every platform
// ("Connection refused.", "Host not found.", ...); numbers without a text of
// their own get the system's text.
std::u16string SocketErrorText(ErrorCode error);

// The last socket error of this thread as a Winsock number (errno mapped on
// POSIX). For sibling sys files that call the socket API themselves.
ErrorCode LastSocketError();

// A connected TCP socket; closed when destroyed. Move-only.
class Socket {
 public:
  Socket() = default;
  Socket(Socket&& other) noexcept;
  Socket& operator=(Socket&& other) noexcept;
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket();

  // Resolves host to an IPv4 address (a dotted IPv4 or an IPv6 literal
  // without brackets is used directly) and connects to port. timeoutMs 0 or
  // less leaves the attempt to the operating system; a limit that passes
  // fails with kSocketTimedOut. host is ASCII; anything else fails with
  // kSocketHostNotFound.
  static Result<Socket> Connect(std::string_view host, std::uint16_t port, int timeoutMs);

  bool IsOpen() const { return handle_ != kInvalid; }
  void Close();

  // Sends every byte or fails.
  ErrorCode SendAll(const void* data, std::size_t size);
  // Receives up to size bytes; 0 when the peer has closed the connection.
  // With a receive time-out set, a wait longer than that for the first byte
  // fails with kSocketTimedOut.
  Result<std::size_t> Receive(void* data, std::size_t size);
  // Limits every later Receive's wait (the TLS layer's too, which receives
  // through this socket); 0 or less: no limit.
  void SetReceiveTimeout(int timeoutMs) { receiveTimeoutMs_ = timeoutMs; }
  // True when Receive would not block (data or a close is waiting); false
  // when timeoutMs passed first. timeoutMs below 0 waits without limit.
  Result<bool> WaitReadable(int timeoutMs);

  // The platform handle (SOCKET or file descriptor), for sibling sys files.
  std::intptr_t Handle() const { return handle_; }

 private:
  static constexpr std::intptr_t kInvalid = -1;
  explicit Socket(std::intptr_t handle) : handle_(handle) {}
  // Waits for the receive time-out when one is set: 0, kSocketTimedOut or
  // the system's error.
  ErrorCode AwaitReceive();
  std::intptr_t handle_ = kInvalid;
  int receiveTimeoutMs_ = 0;
};

}  // namespace sys
