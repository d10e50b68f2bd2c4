// The process-wide values.
#include "app/shared_values.h"

namespace app {

std::u16string DescriptorPath;
std::u16string PackageId;
std::u16string InstallerName;
std::u16string BannerUrl;
std::u16string PortalUrl;
std::u16string DownloadDir;
std::u16string DownloadUrl;
std::u16string PackageFile;
std::int64_t ExpectedBytes = 0;

void ResetSharedValues() {
  DescriptorPath.clear();
  PackageId.clear();
  InstallerName.clear();
  BannerUrl.clear();
  PortalUrl.clear();
  DownloadDir.clear();
  DownloadUrl.clear();
  PackageFile.clear();
  ExpectedBytes = 0;
}

}  // namespace app
