// Forms: top-level windows with the creation, show, close-query and close
// events, modal display, and the user's close.
#pragma once

#include <functional>

#include "toolkit/control.h"

namespace toolkit {

enum class ModalResult { None = 0, Ok = 1, Cancel = 2 };
enum class CloseAction { None, Hide, Free, Minimize };
enum class BorderStyle { Sizeable, Single };
// Where a form is placed each time it is shown.
enum class FormPosition { Designed, WorkAreaCenter };

class Form : public Control {
 public:
  explicit Form(std::u16string name) : Control(std::move(name)) { SetVisible(false); }

  std::function<void(Object* sender)> OnCreate;
  std::function<void(Object* sender)> OnShow;
  std::function<void(Object* sender, bool& canClose)> OnCloseQuery;
  std::function<void(Object* sender, CloseAction& action)> OnClose;

  // Window properties as the form resource gives them.
  int clientWidth = 0;
  int clientHeight = 0;
  BorderStyle borderStyle = BorderStyle::Sizeable;
  bool minimizeButton = true;
  bool maximizeButton = true;
  FormPosition position = FormPosition::Designed;

  Size ClientSize() const override { return {clientWidth, clientHeight}; }

  // Runs the creation event once, a failure going to the general error report.
  void DoCreate();
  // Makes the form visible; its window is realised first, then the show
  // event runs, before the form is placed and appears.
  void Show();
  void Hide() { SetVisible(false); }

  // Shows the form and handles messages until its modal display ends: by a
  // close the user asked for (the close-query and close events decide), or
  // with Cancel, without those events, once the application is terminated.
  ModalResult ShowModal();
  bool IsModal() const { return modal_; }
  ModalResult GetModalResult() const { return modalResult_; }
  void SetModalResult(ModalResult result) { modalResult_ = result; }

  // The user's close (close button, system menu, Alt+F4). A modal form only
  // marks its display as cancelled; its modal loop acts on the mark after
  // the message in hand. Any other form asks the close-query event, runs the
  // close event and hides, and the main form then requests termination.
  void Close();
  bool CloseQuery();

 private:
  void CloseModal();

  bool modal_ = false;
  bool created_ = false;
  ModalResult modalResult_ = ModalResult::None;
};

}  // namespace toolkit
