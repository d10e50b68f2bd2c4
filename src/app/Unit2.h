// The main window: shows nothing itself; its creation handler reads the
// package descriptor, and its show handler opens the portal window modally.
#pragma once

#include "toolkit/form.h"

namespace app {

class TForm2 : public toolkit::Form {
 public:
  TForm2();

  void FormCreate(toolkit::Object* Sender);
  void FormShow(toolkit::Object* Sender);
  void FormClose(toolkit::Object* Sender, toolkit::CloseAction& Action);
};

extern TForm2* Form2;

}  // namespace app
