// Lower-casing with the platform's Unicode rules.
#pragma once

#include <string>
#include <string_view>

namespace sys {

// CharLowerW on Windows; on POSIX every code point (surrogate pairs
// combined) through the C.UTF-8 locale's towlower.
std::u16string LowerCase(std::u16string_view text);

}  // namespace sys
