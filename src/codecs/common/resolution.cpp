#include "codecs/common/resolution.h"

#include <cmath>
#include <limits>

namespace pix {

namespace {

int32_t ClampToInt32(long double v) {
  if (!(v > static_cast<long double>(std::numeric_limits<int32_t>::min()))) return std::numeric_limits<int32_t>::min();
  if (!(v < static_cast<long double>(std::numeric_limits<int32_t>::max()))) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

}  // namespace

int32_t RoundedDpi(long double dotsPerInch) { return ClampToInt32(std::nearbyint(dotsPerInch)); }

int32_t DpiFromPixelsPerMetre(int32_t pixelsPerMetre) {
  return RoundedDpi(static_cast<long double>(pixelsPerMetre) / 100.0L * 2.54L);
}

int32_t PixelsPerMetreFromDpi(int32_t dpi) {
  // A huge resolution would overflow the 32-bit field; it saturates instead.
  return ClampToInt32(std::nearbyint(static_cast<long double>(dpi) / 2.54L * 100.0L));
}

}  // namespace pix
