// One connection of the HTTP client: a TCP socket, a TLS channel over it
// when the address asks for one, and the buffer of received bytes not yet
// taken by the answer reader.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sys/tcp_socket.h"
#include "sys/tls.h"

namespace net {

using TTlsFactory = std::function<std::unique_ptr<sys::TlsChannel>()>;

class TConnection {
 public:
  TConnection() = default;
  TConnection(const TConnection&) = delete;
  TConnection& operator=(const TConnection&) = delete;
  ~TConnection() { Close(); }

  // Connects to host (ASCII) and port, with TLS verified for host when tls
  // is set. readTimeoutMs above 0 limits each wait for the server during
  // the handshake too. Raises ESocketError or ETlsError.
  void Open(const std::string& host, std::uint16_t port, bool tls, int connectTimeoutMs, int readTimeoutMs,
            const TTlsFactory& tlsFactory, std::size_t recvBufferSize);
  // Open and not closed by the server as far as has been seen.
  bool IsOpen() const { return socket_.IsOpen() && !peerClosed_; }
  // Open to this host (without regard to case), port and kind.
  bool Matches(const std::string& host, std::uint16_t port, bool tls) const;
  void Close();

  // Sends every byte; raises ESocketError or ETlsError.
  void Send(std::string_view bytes);

  // Received bytes not yet taken.
  const char* Data() const { return buffer_.data() + begin_; }
  std::size_t Size() const { return end_ - begin_; }
  void Consume(std::size_t count) { begin_ += count; }
  void DropBuffered() { begin_ = end_ = 0; }
  // Bytes received and not taken, in the buffer or inside the TLS layer.
  bool HasBuffered() const { return begin_ < end_ || (tls_ && tls_->HasPending()); }
  // Receives one block of up to the buffer size into the buffer (only when
  // it is empty). False when the server has closed the connection.
  // readTimeoutMs above 0 limits the wait for the next byte (ESocketError
  // 10060 when it passes), also inside the TLS layer.
  bool Fill(int readTimeoutMs);
  // True when bytes are buffered or arrive (or the connection closes)
  // within timeoutMs.
  bool WaitData(int timeoutMs);

 private:
  sys::Socket socket_;
  std::unique_ptr<sys::TlsChannel> tls_;
  std::string host_;
  std::uint16_t port_ = 0;
  bool peerClosed_ = false;
  bool failed_ = false;  // a send or receive failed: no polite TLS close
  std::vector<char> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace net
