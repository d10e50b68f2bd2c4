// The portal window.
#include "app/Unit5.h"

namespace app {

TForm5* Form5 = nullptr;

TForm5::TForm5() : Form(u"Form5") {}

}  // namespace app
