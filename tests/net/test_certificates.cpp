// Certificates for the TLS tests.
#include "test_certificates.h"

#ifndef _WIN32
#include <cstdlib>
#include <fstream>

#include "support/temp_dir.h"

namespace nettest {

const TestCertificates& Certificates() {
  static const TestCertificates made = [] {
    // Lives as long as the test program: the servers read the files.
    static testing_support::TempDir dir;
    const std::string d = dir.Path().string();
    const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    std::ofstream(d + "/leaf.cnf") << "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                                      "subjectAltName=DNS:localhost\n";
    std::ofstream(d + "/other.cnf") << "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n"
                                       "subjectAltName=DNS:other.example\n";
    const std::string script =
        "cd '" + d + "' && openssl req -x509" + key +
        " -keyout ca.key -out ca.pem -days 2 -subj '/CN=packstub test CA'"
        " -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign"
        " && openssl req" + key + " -keyout server.key -out server.csr -subj /CN=localhost"
        " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2"
        " -extfile leaf.cnf -out server.pem"
        // Valid from now until a day ago: expired from the start.
        " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days -1"
        " -extfile leaf.cnf -out expired.pem"
        " && openssl req" + key + " -keyout other.key -out other.csr -subj /CN=other.example"
        " && openssl x509 -req -in other.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2"
        " -extfile other.cnf -out other.pem"
        " && : > empty.pem) >/dev/null 2>&1";
    TestCertificates result;
    result.ready = std::system(("(" + script).c_str()) == 0;
    result.caFile = d + "/ca.pem";
    result.emptyFile = d + "/empty.pem";
    result.localhost = {d + "/server.pem", d + "/server.key"};
    result.otherName = {d + "/other.pem", d + "/other.key"};
    result.expired = {d + "/expired.pem", d + "/server.key"};
    setenv("SSL_CERT_FILE", result.caFile.c_str(), 1);
    return result;
  }();
  return made;
}

}  // namespace nettest
#endif
