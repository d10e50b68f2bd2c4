// Forms and their modal display.
#include "toolkit/form.h"

#include "toolkit/application.h"

namespace toolkit {

void Form::DoCreate() {
  if (created_) return;
  created_ = true;
  if (OnCreate) Application::Instance().Deliver([this] { OnCreate(this); });
}

void Form::Show() {
  if (Visible()) return;
  Realize();
  if (OnShow) Application::Instance().Deliver([this] { OnShow(this); });
  SetVisible(true);
  Application::Instance().GetPlatform().FormVisibilityChanged(*this);
}

ModalResult Form::ShowModal() {
  Application& application = Application::Instance();
  modal_ = true;
  modalResult_ = ModalResult::None;
  application.PushModal(*this);
  Show();
  do {
    application.HandleMessage();
    if (application.Terminated()) {
      modalResult_ = ModalResult::Cancel;
    } else if (modalResult_ != ModalResult::None) {
      CloseModal();
    }
  } while (modalResult_ == ModalResult::None);
  application.PopModal();
  modal_ = false;
  Hide();
  application.GetPlatform().FormVisibilityChanged(*this);
  return modalResult_;
}

bool Form::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void Form::CloseModal() {
  CloseAction action = CloseAction::None;
  Application::Instance().Deliver([&] {
    if (CloseQuery()) {
      action = CloseAction::Hide;
      if (OnClose) OnClose(this, action);
    }
  });
  if (action == CloseAction::None) modalResult_ = ModalResult::None;
}

void Form::Close() {
  if (modal_) {
    modalResult_ = ModalResult::Cancel;
    return;
  }
  if (!CloseQuery()) return;
  CloseAction action = CloseAction::Hide;
  if (OnClose) OnClose(this, action);
  if (action == CloseAction::None) return;
  Application& application = Application::Instance();
  if (application.MainForm() == this) {
    application.Terminate();
  } else {
    Hide();
    application.GetPlatform().FormVisibilityChanged(*this);
  }
}

}  // namespace toolkit
