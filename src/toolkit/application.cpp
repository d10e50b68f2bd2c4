// The application object and its message loop.
#include "toolkit/application.h"

#include <cassert>

#include "base/exception.h"
#include "sys/casing.h"
#include "sys/codepage.h"
#include "sys/file.h"
#include "sys/fpu.h"

namespace toolkit {
namespace {

Application* instance = nullptr;

}  // namespace

std::u16string DeriveTitle(std::u16string_view exePath) {
  const std::size_t slash = exePath.find_last_of(u"\\/");
  std::u16string_view name = slash == std::u16string_view::npos ? exePath : exePath.substr(slash + 1);
  name = name.substr(0, name.find(u'.'));
  if (name.empty()) return {};
  std::u16string title(name.substr(0, 1));
  return title.append(sys::LowerCase(name.substr(1)));
}

std::u16string ErrorReportText(const std::u16string& message) {
  if (!message.empty() && message.back() > u'.') return message + u".";
  return message;
}

std::u16string ErrorMessage(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const base::Exception& e) {
    return e.Message();
  } catch (const std::bad_alloc&) {
    return u"Out of memory";
  } catch (const std::exception& e) {
    return sys::FromUtf8(e.what());
  } catch (...) {
    return {};
  }
}

Application::Application(std::unique_ptr<Platform> platform, std::u16string exeName)
    : platform_(std::move(platform)), exeName_(std::move(exeName)) {
  assert(instance == nullptr);
  instance = this;
  sys::MaskFloatingPointExceptions();
  title_ = DeriveTitle(exeName_);
  platform_->Attach(*this);
}

Application::~Application() {
  // Windows go first, while the platform they belong to still exists; no
  // close handler runs.
  forms_.clear();
  platform_.reset();
  instance = nullptr;
}

std::u16string Application::ExeDirectory() const {
  return exeName_.substr(0, exeName_.find_last_of(sys::kPathDelimiter) + 1);
}

Application& Application::Instance() {
  assert(instance != nullptr);
  return *instance;
}

Form* Application::ActiveForm() const {
  return modalForms_.empty() ? mainForm_ : modalForms_.back();
}

void Application::Run() {
  if (mainForm_ != nullptr) mainForm_->Show();
  do {
    HandleMessage();
  } while (!terminated_);
}

void Application::Terminate() { platform_->Post(Message{true, {}}); }

bool Application::ProcessMessage() {
  std::optional<Message> message = platform_->Take();
  if (!message) return false;
  if (message->quit) {
    terminated_ = true;
  } else if (message->call) {
    Deliver(message->call);
  }
  return true;
}

void Application::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

void Application::HandleMessage() {
  if (ProcessMessage()) return;
  // Waiting is where the user's input arrives (the headless idle step closes
  // the active form): its failures leave a handler like any message's.
  Deliver([this] { platform_->Wait(*this); });
}

void Application::PostCall(std::function<void()> call) { platform_->Post(Message{false, std::move(call)}); }

void Application::ShowMessage(const std::u16string& text) { platform_->ShowMessageBox(title_, text); }

void Application::HandleException(std::exception_ptr error) {
  platform_->ShowErrorBox(title_, ErrorReportText(ErrorMessage(error)));
}

void Application::Deliver(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

}  // namespace toolkit
