// Certificates for the TLS tests, made once per test program with the
// openssl command: a CA the tests trust (through SSL_CERT_FILE, the ordinary
// way of OpenSSL) and server certificates it signed. Native builds only.
#pragma once

#include <string>

#include "script_server.h"

namespace nettest {

struct TestCertificates {
  bool ready = false;       // false when the openssl command failed
  std::string caFile;       // the trusted CA
  std::string emptyFile;    // a trust store with nothing in it
  TlsFiles localhost;       // for localhost
  TlsFiles otherName;       // for other.example
  TlsFiles expired;         // for localhost, its validity ended a day ago
};

// Made at the first call; SSL_CERT_FILE names caFile from then on.
const TestCertificates& Certificates();

}  // namespace nettest
