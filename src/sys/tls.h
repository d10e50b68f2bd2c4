// TLS over a connected socket (tcp_socket.h): the client side of TLS 1.2 and later, with
// the server's certificate chain and host name verified against the
// system's trust store.
//
// Backends: OpenSSL on POSIX (linked; its ordinary trust store, which the
// SSL_CERT_FILE and SSL_CERT_DIR environment variables redirect), Schannel on
// Windows (the CurrentUser and LocalMachine Root stores; the chain and the
// host name are verified explicitly after the handshake, since Schannel
// under Wine accepts any certificate otherwise). TLS 1.3 is offered where the
// backend has it (OpenSSL); Schannel is held to TLS 1.2.
//
// TlsChannel is the seam between the HTTP client and the backend: tests may
// hand the client a channel of their own. Every failing call returns either
// a socket error (a Winsock number, see tcp_socket.h) or kTlsFailure, in which
// case FailureText() says what went wrong in plain words.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "sys/result.h"
#include "sys/tcp_socket.h"

namespace sys {

// A failure of the TLS protocol or of the certificate check, not of the
// network.
inline constexpr ErrorCode kTlsFailure = -100;

class TlsChannel {
 public:
  virtual ~TlsChannel() = default;

  // Runs the handshake on socket, which must outlive the channel, and
  // verifies that the server's certificate chains to a trusted root and
  // names hostName (ASCII). On failure the channel is unusable.
  virtual ErrorCode Handshake(Socket& socket, std::string_view hostName) = 0;
  // Encrypts and sends every byte, or fails.
  virtual ErrorCode SendAll(const void* data, std::size_t size) = 0;
  // Up to size bytes of plain text; 0 when the server has ended the session
  // (close_notify, or the connection closed at a record boundary).
  virtual Result<std::size_t> Receive(void* data, std::size_t size) = 0;
  // True when decrypted or received bytes are already waiting, so that a
  // wait on the socket would be misleading.
  virtual bool HasPending() const = 0;
  // Tells the server the session ends (best effort); the socket stays open.
  virtual void Shutdown() = 0;
  // The reason of the last kTlsFailure.
  virtual const std::u16string& FailureText() const = 0;
};

// A channel of the platform's backend.
std::unique_ptr<TlsChannel> CreateTlsChannel();

}  // namespace sys
