// The portal window's last stretch: unpacking the package and starting its
// installer.
#include "app/Unit5.h"
#include "app/road_steps.h"
#include "app/shared_values.h"
#include "base/encoding.h"
#include "sys/file.h"
#include "sys/shell.h"
#include "toolkit/application.h"
#include "zip/zip_file.h"

namespace app {

void TForm5::InstallPackage() {
  toolkit::Application& application = toolkit::Application::Instance();
  if (!sys::FileExists(PackageFile)) {
    application.ShowMessage(u"下载成功，软件包找不到，请退出杀毒软件重试");
    application.Terminate();
    return;
  }
  Label1.SetCaption(u"下载成功，正在解压文件包，耗时可能较长,请耐心等待...");
  application.ProcessMessages();

  const std::unique_ptr<base::TEncoding> names = base::TEncoding::GetEncoding(936);
  zip::TZipFile::ExtractZipFile(PackageFile, DownloadDir, names.get());
  application.ProcessMessages();

  if (!sys::FileExists(InstallerPath(DownloadDir, InstallerName))) {
    application.ShowMessage(u"没有找到安装启动程序：" + InstallerName);
    application.Terminate();
    return;
  }
  // A launch the shell reports as failed is not announced as started.
  if (!sys::ShellOpen(InstallerPath(DownloadDir, InstallerName))) {
    application.ShowMessage(u"无法启动安装程序：" + InstallerName);
    application.Terminate();
    return;
  }
  application.ProcessMessages();
  Label1.SetCaption(u"已经启动安装，安装完毕后可以关闭此窗口");
}

}  // namespace app
