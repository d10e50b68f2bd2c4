// The floating-point environment of the process.
#pragma once

namespace sys {

// Masks all floating-point exceptions (invalid operation, denormal operand,
// division by zero, overflow, underflow, precision) for the rest of the run:
// faults yield infinities or NaNs instead of traps.
void MaskFloatingPointExceptions();

}  // namespace sys
