#include "codecs/common/codec_entry.h"

#include <algorithm>

namespace pix {

bool AlphaIsOpaque(const TPixMask* alpha, int32_t width, int32_t height) {
  // Full is not trusted: rows written through ScanLine leave it set.
  if (!alpha || alpha->OpaqueWithoutData() || alpha->BitsPerPixel() != 8) return true;
  if (alpha->Width() != width || alpha->Height() != height) return true;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = alpha->ScanLine(y);
    if (std::any_of(row, row + width, [](uint8_t a) { return a != 255; })) return false;
  }
  return true;
}

bool AlphaIsZero(const TPixMask& alpha) {
  for (int32_t y = 0; y < alpha.Height(); ++y) {
    const uint8_t* row = alpha.ScanLine(y);
    if (std::any_of(row, row + alpha.Width(), [](uint8_t a) { return a != 0; })) return false;
  }
  return true;
}

}  // namespace pix
