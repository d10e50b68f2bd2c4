// One connection of the HTTP client.
#include "net/connection.h"

#include "net/errors.h"
#include "net/uri.h"
#include "sys/codepage.h"

namespace net {
namespace {

[[noreturn]] void RaiseFor(sys::ErrorCode error, const sys::TlsChannel* tls) {
  if (error == sys::kTlsFailure && tls != nullptr) throw ETlsError(tls->FailureText());
  throw ESocketError(error);
}

}  // namespace

void TConnection::Open(const std::string& host, std::uint16_t port, bool tls, int connectTimeoutMs, int readTimeoutMs,
                       const TTlsFactory& tlsFactory, std::size_t recvBufferSize) {
  Close();
  sys::Result<sys::Socket> socket = sys::Socket::Connect(host, port, connectTimeoutMs);
  if (!socket) throw ESocketError(socket.Error());
  socket_ = std::move(*socket);
  socket_.SetReceiveTimeout(readTimeoutMs);
  if (tls) {
    tls_ = tlsFactory ? tlsFactory() : sys::CreateTlsChannel();
    if (!tls_) {
      Close();
      throw ETlsLibraryLoadError(u"Could not load SSL library.");
    }
    if (const sys::ErrorCode error = tls_->Handshake(socket_, host)) {
      const std::u16string text = error == sys::kTlsFailure ? tls_->FailureText() : std::u16string();
      tls_.reset();
      socket_.Close();
      if (error == sys::kTlsFailure) throw ETlsError(text);
      throw ESocketError(error);
    }
  }
  host_ = host;
  port_ = port;
  peerClosed_ = false;
  buffer_.assign(recvBufferSize == 0 ? 1 : recvBufferSize, 0);
  begin_ = end_ = 0;
}

bool TConnection::Matches(const std::string& host, std::uint16_t port, bool tls) const {
  return socket_.IsOpen() && port == port_ && (tls_ != nullptr) == tls &&
         SameText(sys::FromUtf8(host), sys::FromUtf8(host_));
}

void TConnection::Close() {
  // Tells a TLS server the session ends, unless the connection is broken or
  // the server ended it first.
  if (tls_ && socket_.IsOpen() && !peerClosed_ && !failed_) tls_->Shutdown();
  tls_.reset();
  socket_.Close();
  peerClosed_ = false;
  failed_ = false;
  begin_ = end_ = 0;
}

void TConnection::Send(std::string_view bytes) {
  const sys::ErrorCode error =
      tls_ ? tls_->SendAll(bytes.data(), bytes.size()) : socket_.SendAll(bytes.data(), bytes.size());
  if (error != 0) {
    failed_ = true;
    RaiseFor(error, tls_.get());
  }
}

bool TConnection::Fill(int readTimeoutMs) {
  if (begin_ < end_) return true;
  begin_ = end_ = 0;
  if (peerClosed_ || !socket_.IsOpen()) return false;
  // The socket keeps the limit, so that a TLS record that stops half-way
  // is waited for no longer than a plain byte.
  socket_.SetReceiveTimeout(readTimeoutMs);
  const sys::Result<std::size_t> received =
      tls_ ? tls_->Receive(buffer_.data(), buffer_.size()) : socket_.Receive(buffer_.data(), buffer_.size());
  if (!received) {
    failed_ = true;
    RaiseFor(received.Error(), tls_.get());
  }
  if (*received == 0) {
    peerClosed_ = true;
    return false;
  }
  end_ = *received;
  return true;
}

bool TConnection::WaitData(int timeoutMs) {
  if (begin_ < end_) return true;
  if (!IsOpen()) return false;
  if (tls_ && tls_->HasPending()) return true;
  const sys::Result<bool> ready = socket_.WaitReadable(timeoutMs);
  if (!ready) throw ESocketError(ready.Error());
  return *ready;
}

}  // namespace net
