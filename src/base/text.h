// Small text helpers shared by every module.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace base {

// Replaces each "%s" or "%d" of pattern, in order, by the next argument
// (given as text); "%%" stands for "%".
std::u16string Format(std::u16string_view pattern, std::initializer_list<std::u16string_view> args);

std::u16string IntToText(std::int64_t value);

// ASCII only: for the program's fixed English texts and protocol tokens.
std::u16string AsciiText(std::string_view ascii);

}  // namespace base
