// Values and settings shared by the program's road and packtool check.
#include "app/road_steps.h"

#include "net/http_client.h"
#include "sys/file.h"

namespace app {

std::u16string PortalAddress(std::u16string_view portalUrl, std::u16string_view packageId) {
  std::u16string address(portalUrl);
  address.append(u"?pid=").append(packageId).append(u"&code=").append(ClientCode).append(u"&fee=1");
  return address;
}

std::u16string InstallerPath(const std::u16string& downloadDir, std::u16string_view installerName) {
  std::u16string path = downloadDir;
  path.append(installerName);
  if (sys::kPathDelimiter == u'/') {
    for (std::size_t i = downloadDir.size(); i < path.size(); ++i) {
      if (path[i] == u'\\') path[i] = u'/';
    }
  }
  return path;
}

void PrepareDownloadClient(net::THttpClient& client) {
  client.HandleRedirects = true;
  // A server that stalls ends the download like any other failure.
  client.ConnectTimeout = net::kStalledServerTimeout;
  client.ReadTimeout = net::kStalledServerTimeout;
}

}  // namespace app
