// Start-up, main loop and end.
#include "app/program.h"

#include "app/Unit2.h"
#include "app/Unit5.h"
#include "app/shared_values.h"

namespace app {

Program::Program(std::unique_ptr<toolkit::Platform> platform, std::u16string exeName) {
  ResetSharedValues();
  application_ = std::make_unique<toolkit::Application>(std::move(platform), std::move(exeName));
  application_->CreateForm(Form2);
  application_->CreateForm(Form5);
}

Program::~Program() {
  application_.reset();
  Form2 = nullptr;
  Form5 = nullptr;
  ResetSharedValues();
}

int Program::Run() {
  application_->Run();
  return 0;
}

}  // namespace app
