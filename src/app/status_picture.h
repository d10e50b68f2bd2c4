// The portal window's status picture: a 158 x 50 GIF whose transparent
// colour lets the progress panel show through.
#pragma once

#include <string>

namespace app {

std::string StatusPicture();

}  // namespace app
