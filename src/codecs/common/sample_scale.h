#pragma once
// Samples of other depths brought to the 8 bits of the working image.
#include <cstdint>

namespace pix {

// v (0..maxValue, maxValue 1..65535) to 0..255, to nearest with halves up:
// (v x 255 + maxValue / 2) / maxValue. For 16 bits that is
// (v x 255 + 32767) / 65535; depths that divide 255 (1, 2, 4, 8 bits) map exactly.
inline uint8_t ScaleSample(uint32_t v, uint32_t maxValue) {
  return static_cast<uint8_t>((v * 255u + maxValue / 2) / maxValue);
}
inline uint8_t Reduce16(uint32_t v) { return ScaleSample(v, 65535u); }

}  // namespace pix
