// The application object: the title, the message loop with its termination
// request, the processing of pending messages, the message box and the
// general error report. One per process, created before any window.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/form.h"
#include "toolkit/platform.h"

namespace toolkit {

class Application {
 public:
  // Masks floating-point exceptions and derives the title from exeName (the
  // executable's full path).
  Application(std::unique_ptr<Platform> platform, std::u16string exeName);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The one application object; valid while it exists.
  static Application& Instance();

  const std::u16string& ExeName() const { return exeName_; }
  // The executable's directory, up to and including its last delimiter.
  std::u16string ExeDirectory() const;
  const std::u16string& Title() const { return title_; }
  Platform& GetPlatform() { return *platform_; }

  // Builds a form, sets reference to it, runs its creation event and, for
  // the first form, makes it the main form. The application owns it.
  template <class T>
  T* CreateForm(T*& reference) {
    auto form = std::make_unique<T>();
    reference = form.get();
    forms_.push_back(std::move(form));
    reference->DoCreate();
    if (mainForm_ == nullptr) mainForm_ = reference;
    return reference;
  }
  Form* MainForm() const { return mainForm_; }
  // The form the user works in: the innermost modal form, else the main form.
  Form* ActiveForm() const;

  // Shows the main form and handles messages until termination.
  void Run();

  // The termination request: posts the quit message and returns.
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles every waiting message, then returns.
  void ProcessMessages();
  // Handles one message, or waits for one when none is waiting.
  void HandleMessage();
  void PostCall(std::function<void()> call);

  // The message box: the text under the application title, one OK button.
  void ShowMessage(const std::u16string& text);
  // The general error report for a failure that left an event handler.
  void HandleException(std::exception_ptr error);
  // Runs an event handler; its failure goes to the general error report.
  void Deliver(const std::function<void()>& handler);

  // Modal forms register themselves while their display lasts.
  void PushModal(Form& form) { modalForms_.push_back(&form); }
  void PopModal() { modalForms_.pop_back(); }

 private:
  bool ProcessMessage();

  std::unique_ptr<Platform> platform_;
  std::u16string exeName_;
  std::u16string title_;
  std::vector<std::unique_ptr<Form>> forms_;
  std::vector<Form*> modalForms_;
  Form* mainForm_ = nullptr;
  bool terminated_ = false;
};

// The title for an executable path: the file name, cut at its first ".",
// every character after the first lower-cased.
std::u16string DeriveTitle(std::u16string_view exePath);

// The text of the general error report: the message, with "." appended when
// it is not empty and its last character comes after "." (U+002E).
std::u16string ErrorReportText(const std::u16string& message);

// The message of a failure: an Exception's own text, else what() as UTF-8.
std::u16string ErrorMessage(std::exception_ptr error);

}  // namespace toolkit
