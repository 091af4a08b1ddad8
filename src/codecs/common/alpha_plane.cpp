#include "codecs/common/alpha_plane.h"

#include <algorithm>

namespace pix {

namespace {

bool AllOpaque(const TPixMask& alpha) {
  for (int32_t y = 0; y < alpha.Height(); ++y) {
    const uint8_t* row = alpha.ScanLine(y);
    if (!std::all_of(row, row + alpha.Width(), [](uint8_t v) { return v == 255; })) return false;
  }
  return true;
}

}  // namespace

void SettleAlphaPlane(TPixMask& alpha) {
  if (AllOpaque(alpha)) {
    alpha.Fill(255);
    return;
  }
  alpha.SetFull(false);
  alpha.SyncBox();
}

}  // namespace pix
