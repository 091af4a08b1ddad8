#pragma once
// Sine and cosine in extended precision from the FPU's own instructions, so the
// values match what the x87 hardware gives for the same argument. Arguments
// beyond the instructions' range (|x| >= 2^62) fall back to the library
// functions instead of coming back unreduced.
#include <cmath>

namespace pix {

inline long double ExtendedSin(long double x) {
#if defined(__x86_64__) || defined(__i386__)
  if (std::fabs(x) < 0x1p62L) {
    long double r;
    __asm__("fsin" : "=t"(r) : "0"(x));
    return r;
  }
#endif
  return std::sin(x);
}

inline long double ExtendedCos(long double x) {
#if defined(__x86_64__) || defined(__i386__)
  if (std::fabs(x) < 0x1p62L) {
    long double r;
    __asm__("fcos" : "=t"(r) : "0"(x));
    return r;
  }
#endif
  return std::cos(x);
}

}  // namespace pix
