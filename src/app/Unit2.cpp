// The main window.
#include "app/Unit2.h"

#include "app/Unit5.h"
#include "app/descriptor.h"
#include "app/shared_values.h"
#include "sys/file.h"
#include "toolkit/application.h"

namespace app {

TForm2* Form2 = nullptr;

TForm2::TForm2() : Form(u"Form2") {
  clientWidth = 173;
  clientHeight = 72;
  borderStyle = toolkit::BorderStyle::Single;
  minimizeButton = false;
  maximizeButton = false;
  position = toolkit::FormPosition::WorkAreaCenter;
  SetColor(toolkit::Color::System(toolkit::kColorBtnFace));
  SetFont({u"宋体", 12, toolkit::Color::System(toolkit::kColorWindowText)});
  OnCreate = [this](toolkit::Object* sender) { FormCreate(sender); };
  OnShow = [this](toolkit::Object* sender) { FormShow(sender); };
  OnClose = [this](toolkit::Object* sender, toolkit::CloseAction& action) { FormClose(sender, action); };
}

void TForm2::FormCreate(toolkit::Object*) {
  toolkit::Application& application = toolkit::Application::Instance();
  DescriptorPath = application.ExeDirectory() + u"pack.db";
  ReadDescriptorFile(DescriptorPath, {&PackageId, &InstallerName, &BannerUrl, &PortalUrl},
                     [&application](const std::u16string& text) {
                       application.ShowMessage(text);
                       application.Terminate();
                     });
}

void TForm2::FormShow(toolkit::Object*) { Form5->ShowModal(); }

void TForm2::FormClose(toolkit::Object*, toolkit::CloseAction&) {
  if (!PackageFile.empty()) sys::RemoveFile(PackageFile);
}

}  // namespace app
