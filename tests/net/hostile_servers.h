// Servers that misbehave, as one table for every level that downloads: the
// client into a stream, and the program's own download. Each row is a
// scripted server on 127.0.0.1 and the failure the client must end with.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "script_server.h"

namespace nettest {

enum class HostileTls { None, Localhost, OtherName, Expired, Tls10Only };

struct HostileServer {
  std::string name;
  std::vector<Reply> replies;
  // The client's failure text; empty: any failure (the system's own text).
  std::string error;
  bool errorIsPrefix = false;
  HostileTls tls = HostileTls::None;
  int readTimeoutMs = 0;  // 0: the program's own
  // A server that sends without end: it must have been stopped short.
  bool endless = false;
};

// The package path every row's server is asked for.
inline constexpr char kHostilePath[] = "/pkg/demo.zip";

std::vector<HostileServer> HostileServers();

// The address of the row's package on server.
std::string HostileUrl(const HostileServer& row, const ScriptServer& server);

// The server certificate of a TLS row; nullptr for plain rows, or where
// the tests have no TLS server of their own (the Windows build).
const TlsFiles* HostileTlsFiles(const HostileServer& row);

// Rows show by their name in test output.
void PrintTo(const HostileServer& row, std::ostream* out);

// For test names: letters and digits only.
std::string RowName(const std::string& name);

}  // namespace nettest
