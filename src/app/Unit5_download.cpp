// The portal window's download of the package, with its progress display.
#include <cmath>
#include <cstdio>
#include <memory>

#include "app/Unit5.h"
#include "app/link_detection.h"
#include "app/road_steps.h"
#include "app/shared_values.h"
#include "base/exception.h"
#include "base/file_stream.h"
#include "base/text.h"
#include "net/http_client.h"
#include "sys/file.h"
#include "toolkit/application.h"

namespace app {

std::u16string ReadableByteCount(std::int64_t bytes) {
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
  if (bytes < 1024) return base::IntToText(bytes) + u" B";
  double value = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit >= 2 ? "%.2f %s" : "%.1f %s", value, kUnits[unit]);
  return base::AsciiText(text);
}

void TForm5::DownloadPackage(const std::u16string& fileName) {
  toolkit::Application& application = toolkit::Application::Instance();
  // A name taken from the address must not lead out of the download
  // directory: refused before anything is deleted, created or remembered.
  if (!IsPlainFileName(fileName)) throw base::EArgumentException(u"Invalid characters in path");

  PackageFile = DownloadDir + fileName;
  application.ProcessMessages();
  const std::u16string tempFile = PackageFile + u".tmp";
  sys::RemoveFile(tempFile);
  sys::RemoveFile(PackageFile);
  auto stream = std::make_unique<base::TFileStream>(base::TFileStream::Create(tempFile, sys::Share::ReadWrite));

  std::unique_ptr<net::THttpClient> client;
  bool failed = false;
  try {
    client = std::make_unique<net::THttpClient>();
    client->OnWorkBegin = [this](net::THttpClient* sender, net::TWorkMode mode, std::int64_t max) {
      onWorkBegin(sender, mode, max);
    };
    client->OnWork = [this](net::THttpClient* sender, net::TWorkMode mode, std::int64_t count) {
      onWork(sender, mode, count);
    };
    PrepareDownloadClient(*client);
    client->ConnectTimeout = DownloadConnectTimeout;
    client->ReadTimeout = DownloadReadTimeout;
    client->Get(DownloadUrl, *stream);
    client->Disconnect();
  } catch (...) {
    failed = true;
  }
  if (failed) {
    application.ShowMessage(u"下载失败！可能文件不存在或网络不通，或磁盘空间不够");
    application.Terminate();
  }
  stream.reset();
  client.reset();
  application.ProcessMessages();
  if (failed) return;

  application.ProcessMessages();
  sys::RenameFile(tempFile, PackageFile);
  application.ProcessMessages();
  InstallPackage();
}

void TForm5::onWorkBegin(net::THttpClient*, net::TWorkMode, std::int64_t AWorkCountMax) {
  loading.SetMin(0);
  loading.SetMax(static_cast<std::int32_t>(static_cast<std::uint32_t>(AWorkCountMax / 100)));
  ExpectedBytes = AWorkCountMax;
  toolkit::Application::Instance().ProcessMessages();
}

void TForm5::onWork(net::THttpClient*, net::TWorkMode, std::int64_t AWorkCount) {
  if (ExpectedBytes != 0) {
    // Rounded to a double first, then cut: 99.99 per cent shows as 99%.
    const volatile double ratio = static_cast<double>(AWorkCount) / static_cast<double>(ExpectedBytes);
    const double percent = std::trunc(ratio * 100.0);
    const bool representable = std::isfinite(percent) && std::fabs(percent) < 9.2e18;
    bfb.SetCaption(base::IntToText(representable ? static_cast<std::int64_t>(percent) : 0) + u"%");
  } else {
    // No announced length: the bytes so far stand where a percentage would.
    bfb.SetCaption(ReadableByteCount(AWorkCount));
  }
  loading.SetPosition(static_cast<std::int32_t>(static_cast<std::uint32_t>(AWorkCount / 100)));
  toolkit::Application::Instance().ProcessMessages();
}

}  // namespace app
