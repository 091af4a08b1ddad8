#include "imaging/composite.h"

namespace pix {

namespace {

bool InStep(const TBitmap& image, const TPixMask& alpha) {
  return alpha.BitsPerPixel() == 8 && alpha.Width() == image.Width() && alpha.Height() == image.Height() &&
         !image.Empty();
}

}  // namespace

bool HasTransparency(const TBitmap& image, const TPixMask& alpha) {
  if (!InStep(image, alpha) || alpha.Full()) return false;
  for (int32_t y = 0; y < alpha.Height(); ++y) {
    const uint8_t* row = alpha.ScanLine(y);
    for (int32_t x = 0; x < alpha.Width(); ++x)
      if (row[x] != 255) return true;
  }
  return false;
}

void CompositeOver(TBitmap& image, const TPixMask& alpha, TColor background) {
  if (image.PixelFormat() != TPixelFormat::TrueColor || !InStep(image, alpha)) return;
  background = ResolveColor(background);
  const unsigned bg[3] = {BlueOf(background), GreenOf(background), RedOf(background)};
  for (int32_t y = 0; y < image.Height(); ++y) {
    uint8_t* px = image.ScanLine(y);
    const uint8_t* a = alpha.ScanLine(y);
    for (int32_t x = 0; x < image.Width(); ++x, px += 3) {
      const unsigned opacity = a[x];
      if (opacity == 255) continue;
      for (int c = 0; c < 3; ++c)
        px[c] = static_cast<uint8_t>((px[c] * opacity + bg[c] * (255 - opacity) + 127) / 255);
    }
  }
}

}  // namespace pix
