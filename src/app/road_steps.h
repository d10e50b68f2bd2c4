// Values and settings of the program's road that packtool check forms in
// exactly the same way: the portal address, the installer's path and the
// download client.
#pragma once

#include <string>
#include <string_view>

namespace net {
class THttpClient;
}

namespace app {

// Sent in the portal address's "code" value: names this build.
inline constexpr std::u16string_view ClientCode = u"packstub";

// PortalUrl + "?pid=" + PackageId + "&code=" + ClientCode + "&fee=1", the
// values inserted unchanged (no escaping), also when PortalUrl carries a
// query of its own.
std::u16string PortalAddress(std::u16string_view portalUrl, std::u16string_view packageId);

// The installer's path below the download directory (which ends with its
// delimiter). Descriptors are made on Windows and may name a subdirectory
// with "\"; where the delimiter is "/" that is taken as "/".
std::u16string InstallerPath(const std::u16string& downloadDir, std::u16string_view installerName);

// The download's client settings: redirects followed, and a connect and a
// read time-out of a minute each, so a stalled server ends the download;
// nothing else (no proxy, credentials or extra headers).
void PrepareDownloadClient(net::THttpClient& client);

}  // namespace app
