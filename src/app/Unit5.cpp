// The portal window: layout, show and close handlers, link detection.
#include "app/Unit5.h"

#include "app/link_detection.h"
#include "app/shared_values.h"
#include "app/status_picture.h"
#include "base/exception.h"
#include "net/http_client.h"
#include "sys/file.h"
#include "toolkit/application.h"

namespace app {

TForm5* Form5 = nullptr;

TForm5::TForm5()
    : Form(u"Form5"),
      DownloadConnectTimeout(net::kStalledServerTimeout),
      DownloadReadTimeout(net::kStalledServerTimeout) {
  using toolkit::Align;
  using toolkit::Color;
  clientWidth = 965;
  clientHeight = 771;
  borderStyle = toolkit::BorderStyle::Single;
  minimizeButton = true;
  maximizeButton = false;
  position = toolkit::FormPosition::WorkAreaCenter;
  SetCaption(toolkit::Application::Instance().Title());
  SetColor(Color::System(toolkit::kColorBtnFace));
  SetFont({u"Tahoma", 11, Color::System(toolkit::kColorWindowText)});

  Panel1.SetParent(this);
  Panel1.SetBounds({0, 0, 965, 613});
  Panel1.SetAlign(Align::Top);
  Panel1.SetCaption(u"Panel1");
  WebBrowser2.SetParent(&Panel1);
  WebBrowser2.SetBounds({0, 0, 965, 613});
  WebBrowser2.SetAlign(Align::Client);

  Panel3.SetParent(this);
  Panel3.SetBounds({0, 613, 965, 158});
  Panel3.SetAlign(Align::Client);
  Panel3.SetCaption(u"Panel3");
  WebBrowser1.SetParent(&Panel3);
  WebBrowser1.SetBounds({0, 0, 965, 158});
  WebBrowser1.SetAlign(Align::Client);

  Panel2.SetParent(&Panel3);
  Panel2.SetBounds({0, 0, 965, 158});
  Panel2.SetAlign(Align::Client);
  Panel2.SetVisible(false);
  Panel2.SetColor(Color::System(toolkit::kColorGradientActiveCaption));
  Panel2.ownBackground = true;

  Label1.SetParent(&Panel2);
  Label1.SetBounds({254, 69, 433, 25});
  Label1.autoSize = false;
  Label1.alignment = toolkit::TextAlignment::Center;
  Label1.SetFont({u"Tahoma", 11, Color::Rgb(0, 0, 0)});
  Label1.SetCaption(u"正在连接服务器...");

  Image1.SetParent(&Panel2);
  Image1.SetBounds({392, 6, 201, 57});
  Image1.picture = StatusPicture();
  Image1.transparent = true;

  bfb.SetParent(&Panel2);
  bfb.SetBounds({456, 125, 33, 13});
  bfb.SetFont(GetFont());
  bfb.SetCaption(u"0.00%");

  loading.SetParent(&Panel2);
  loading.SetBounds({200, 96, 553, 18});
  loading.SetMin(0);
  loading.SetMax(100);
  loading.SetPosition(0);

  Memo1.SetParent(&Panel2);
  Memo1.SetBounds({808, 24, 105, 89});
  Memo1.SetVisible(false);
  Memo1.SetText(u"Memo1");

  OnShow = [this](toolkit::Object* sender) { FormShow(sender); };
  OnCloseQuery = [this](toolkit::Object* sender, bool& canClose) { FormCloseQuery(sender, canClose); };
  WebBrowser1.OnDocumentComplete = [this](toolkit::Object* sender, toolkit::Object* document,
                                          const std::u16string& url) {
    WebBrowser1DocumentComplete(sender, document, url);
  };
}

void TForm5::FormShow(toolkit::Object*) {
  toolkit::Application& application = toolkit::Application::Instance();
  DownloadDir = application.ExeDirectory() + u"download" + sys::kPathDelimiter;
  if (!sys::DirectoryExists(DownloadDir)) sys::MakeDirectory(DownloadDir);
  WebBrowser1.Navigate(PortalAddress(PortalUrl, PackageId));
  application.ProcessMessages();
  if (BannerUrl.size() > 10) WebBrowser2.Navigate(BannerUrl);
}

void TForm5::FormCloseQuery(toolkit::Object*, bool&) {
  if (!PackageFile.empty()) sys::RemoveFile(PackageFile);
  toolkit::Application::Instance().ProcessMessages();
  toolkit::Application::Instance().Terminate();
}

std::u16string TForm5::ReadPageText() {
  Memo1.Clear();
  toolkit::Document* document = WebBrowser1.GetDocument();
  if (document == nullptr) return {};
  if (!document->CanSave()) throw base::EIntfCastError(u"Interface not supported");
  base::TMemoryStream source;
  try {
    document->Save(source);
  } catch (...) {
    // What was saved before the failure is inspected like a whole page.
  }
  Memo1.SetText(DecodePageSource(source.Data()));
  return TrimBlanks(Memo1.Text());
}

void TForm5::WebBrowser1DocumentComplete(toolkit::Object*, toolkit::Object*, const std::u16string&) {
  if (linkTaken_) return;
  const std::u16string pageText = ReadPageText();
  if (!HasDownloadMarker(pageText)) return;
  linkTaken_ = true;

  DownloadUrl = TextBetween(pageText, u"|||", u"*");
  WebBrowser1.SetVisible(false);
  Panel2.SetVisible(true);
  Panel2.BringToFront();
  toolkit::Application::Instance().ProcessMessages();
  DownloadPackage(LastUrlSegment(DownloadUrl));
}

}  // namespace app
