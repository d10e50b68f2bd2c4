// The portal window: the banner page above, the portal page below, and the
// progress panel that replaces the portal page once it carries a download
// marker.
#pragma once

#include "toolkit/form.h"

namespace app {

class TForm5 : public toolkit::Form {
 public:
  TForm5();
};

extern TForm5* Form5;

}  // namespace app
