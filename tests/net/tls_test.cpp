// HTTPS: the server's certificate must chain to a trusted root and name the
// host. The tests make their own CA and certificates and trust the CA the
// ordinary way: SSL_CERT_FILE for OpenSSL, the CurrentUser Root store for
// Schannel. Verification is never switched off.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/stream.h"
#include "net/http_client.h"
#include "script_server.h"
#include "test_certificates.h"
#include "sys/codepage.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#include <wincrypt.h>
#endif

namespace {

std::string Fetch(net::THttpClient& client, const std::string& url, std::string* body = nullptr) {
  base::TMemoryStream stream;
  try {
    client.Get(sys::FromUtf8(url), stream);
  } catch (const base::Exception& error) {
    return sys::ToUtf8(error.Message());
  }
  if (body != nullptr) *body = stream.Data();
  return {};
}

#ifndef _WIN32

// A CA, a certificate for localhost and one for another name, made with
// the openssl command once for all tests here.
class Https : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(nettest::Certificates().ready) << "the openssl command could not make the test certificates";
    localhost_ = nettest::Certificates().localhost;
    other_ = nettest::Certificates().otherName;
  }
  nettest::TlsFiles localhost_;
  nettest::TlsFiles other_;
};

const char kOk[] = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecret";

TEST_F(Https, TalksToAServerOfTheTrustedCa) {
  nettest::ScriptServer server({{kOk}, {kOk}}, &localhost_);
  std::string body;
  {
    net::THttpClient client;
    const std::string url = "https://localhost:" + std::to_string(server.Port()) + "/p";
    EXPECT_EQ(Fetch(client, url, &body), "");
    EXPECT_EQ(body, "secret");
    EXPECT_EQ(Fetch(client, url, &body), "");
  }
  server.Wait();
  ASSERT_EQ(server.requests.size(), 2u);
  EXPECT_EQ(server.requests[0].substr(0, server.requests[0].find("\r\nAccept")),
            "GET /p HTTP/1.1\r\nHost: localhost:" + std::to_string(server.Port()));
  EXPECT_EQ(server.connections, (std::vector<int>{0, 0}));
}

TEST_F(Https, FollowsARedirectFromHttpToHttps) {
  nettest::ScriptServer secure({{kOk}}, &localhost_);
  nettest::ScriptServer plain({{"HTTP/1.1 302 Found\r\nLocation: https://localhost:" + std::to_string(secure.Port()) +
                                "/pkg.zip\r\nContent-Length: 0\r\n\r\n"}});
  std::string body;
  {
    net::THttpClient client;
    client.HandleRedirects = true;
    EXPECT_EQ(Fetch(client, plain.Base() + "/", &body), "");
  }
  EXPECT_EQ(body, "secret");
  secure.Wait();
  ASSERT_EQ(secure.requests.size(), 1u);
  EXPECT_EQ(secure.requests[0].substr(0, 17), "GET /pkg.zip HTTP");
}

TEST_F(Https, RefusesACertificateForAnotherName) {
  nettest::ScriptServer server({{kOk}}, &other_);
  net::THttpClient client;
  base::TMemoryStream stream;
  try {
    client.Get(sys::FromUtf8("https://localhost:" + std::to_string(server.Port()) + "/"), stream);
    ADD_FAILURE() << "a certificate for other.example was taken for localhost";
  } catch (const net::ETlsError& error) {
    EXPECT_EQ(sys::ToUtf8(error.Message()), "The certificate of localhost is not trusted: hostname mismatch");
  }
  EXPECT_EQ(stream.Size(), 0);
}

TEST_F(Https, RefusesACertificateOfAnUntrustedCa) {
  setenv("SSL_CERT_FILE", nettest::Certificates().emptyFile.c_str(), 1);
  nettest::ScriptServer server({{kOk}}, &localhost_);
  net::THttpClient client;
  const std::string error = Fetch(client, "https://localhost:" + std::to_string(server.Port()) + "/");
  setenv("SSL_CERT_FILE", nettest::Certificates().caFile.c_str(), 1);
  EXPECT_EQ(error, "The certificate of localhost is not trusted: unable to get local issuer certificate");
}

#else  // _WIN32

// The Windows build has no TLS server of its own: the net_tls_wine test
// starts openssl s_server on the Linux side and names it here.
std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

bool TrustCa(const std::string& pemFile) {
  std::ifstream in(pemFile, std::ios::binary);
  std::stringstream pem;
  pem << in.rdbuf();
  const std::string text = pem.str();
  DWORD size = 0;
  if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) return false;
  std::string der(size, '\0');
  if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size,
                            nullptr, nullptr)) {
    return false;
  }
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (store == nullptr) return false;
  const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                      size, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(store, 0);
  return added != FALSE;
}

class Https : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("PACKSTUB_TLS_CA").empty()) {
      GTEST_SKIP() << "needs the openssl s_server that the net_tls_wine test starts";
    }
    ASSERT_TRUE(TrustCa(Env("PACKSTUB_TLS_CA")));
  }
};

TEST_F(Https, TalksToAServerOfTheTrustedCa) {
  net::THttpClient client;
  std::string body;
  EXPECT_EQ(Fetch(client, "https://localhost:" + Env("PACKSTUB_TLS_PORT") + "/", &body), "");
  // openssl s_server -www answers with a page about the session.
  EXPECT_EQ(body.substr(0, 6), "<HTML>");
  EXPECT_NE(body.find("TLSv1.2"), std::string::npos);
}

TEST_F(Https, RefusesACertificateForAnotherName) {
  net::THttpClient client;
  const std::string error = Fetch(client, "https://localhost:" + Env("PACKSTUB_TLS_OTHER_PORT") + "/");
  EXPECT_EQ(error.substr(0, 44), "The certificate of localhost is not trusted:") << error;
}

// Schannel under Wine takes any certificate: the explicit chain check must
// catch this one.
TEST_F(Https, RefusesACertificateOfAnUntrustedCa) {
  net::THttpClient client;
  const std::string error = Fetch(client, "https://localhost:" + Env("PACKSTUB_TLS_UNTRUSTED_PORT") + "/");
  EXPECT_EQ(error.substr(0, 44), "The certificate of localhost is not trusted:") << error;
}

TEST_F(Https, RefusesAnExpiredCertificate) {
  net::THttpClient client;
  const std::string error = Fetch(client, "https://localhost:" + Env("PACKSTUB_TLS_EXPIRED_PORT") + "/");
  EXPECT_EQ(error.substr(0, 44), "The certificate of localhost is not trusted:") << error;
}

TEST_F(Https, RefusesAServerOfferingOnlyTls10) {
  net::THttpClient client;
  const std::string error = Fetch(client, "https://localhost:" + Env("PACKSTUB_TLS_TLS10_PORT") + "/");
  EXPECT_EQ(error.substr(0, 37), "TLS handshake with localhost failed: ") << error;
}

#endif

}  // namespace
