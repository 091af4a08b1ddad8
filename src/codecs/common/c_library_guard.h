#pragma once
// The one way C++ code calls into a C library whose fatal-error callback
// leaves with longjmp (libjpeg's error_exit, libpng's error function).
//
// The callback jumps back to the RunGuarded call that is running, so no C++
// exception ever unwinds through the library's frames. The call passed in
// must keep only trivially destructible objects in its own frame (captures by
// reference), because the jump skips it.
#include <csetjmp>

namespace pix {

// Runs call with jump set as the callback's return point. Returns false when
// the callback jumped.
template <typename Call>
bool RunGuarded(std::jmp_buf& jump, Call&& call) {
  if (setjmp(jump) != 0) return false;
  call();
  return true;
}

}  // namespace pix
