// The process-wide values that live from start-up to the end of the program,
// all empty (or 0) at first.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// Set by the main window's creation handler from pack.db.
extern std::u16string DescriptorPath;
extern std::u16string PackageId;
extern std::u16string InstallerName;
extern std::u16string BannerUrl;
extern std::u16string PortalUrl;

// Set when the portal window is shown.
extern std::u16string DownloadDir;
// Set at each detection of the download marker.
extern std::u16string DownloadUrl;
// Set during the download.
extern std::u16string PackageFile;
extern std::int64_t ExpectedBytes;

// Back to the state at program start (each run in a test process starts so).
void ResetSharedValues();

}  // namespace app
