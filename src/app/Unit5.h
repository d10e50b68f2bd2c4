// The portal window: the banner page above, the portal page below, and the
// progress panel that replaces the portal page once it carries a download
// marker. The whole road of one installation (detection, download,
// unpacking, launch) runs inside one run of WebBrowser1DocumentComplete.
#pragma once

#include <cstdint>
#include <string>

#include "app/road_steps.h"
#include "toolkit/browser.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace net {
class THttpClient;
enum class TWorkMode;
}  // namespace net

namespace app {

class TForm5 : public toolkit::Form {
 public:
  TForm5();

  toolkit::WebBrowser WebBrowser1{u"WebBrowser1"};
  toolkit::WebBrowser WebBrowser2{u"WebBrowser2"};
  toolkit::Panel Panel1{u"Panel1"};
  toolkit::Panel Panel3{u"Panel3"};
  toolkit::Panel Panel2{u"Panel2"};
  toolkit::ProgressBar loading{u"loading"};
  toolkit::Label Label1{u"Label1"};
  toolkit::Memo Memo1{u"Memo1"};
  toolkit::Image Image1{u"Image1"};
  toolkit::Label bfb{u"bfb"};

  void FormShow(toolkit::Object* Sender);
  void FormCloseQuery(toolkit::Object* Sender, bool& CanClose);
  void WebBrowser1DocumentComplete(toolkit::Object* ASender, toolkit::Object* pDisp, const std::u16string& URL);
  void onWorkBegin(net::THttpClient* ASender, net::TWorkMode AWorkMode, std::int64_t AWorkCountMax);
  void onWork(net::THttpClient* ASender, net::TWorkMode AWorkMode, std::int64_t AWorkCount);

  // How long the package download waits for the connection and for each
  // next byte before it gives up with its failure message (ms).
  int DownloadConnectTimeout;
  int DownloadReadTimeout;

 private:
  // The page text of the current top-level document, through Memo1.
  std::u16string ReadPageText();
  void DownloadPackage(const std::u16string& fileName);
  void InstallPackage();

  // Set once a link has been taken: the road runs once, and notifications
  // delivered during or after it (the hidden browser keeps working) are not
  // inspected again.
  bool linkTaken_ = false;
};

extern TForm5* Form5;

// bfb's text when the answer announced no length: the bytes so far in a
// readable unit ("512 B", "1.5 KB", "20.0 MB", "1.25 GB").
std::u16string ReadableByteCount(std::int64_t bytes);

}  // namespace app
