#include "codecs/common/output_layout.h"

#include "imaging/composite.h"

namespace pix {

bool IsGrayImage(const TBitmap& image) {
  if (image.PixelFormat() != TPixelFormat::TrueColor) return false;
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* p = image.ScanLine(y);
    for (int32_t x = 0; x < image.Width(); ++x, p += 3)
      if (p[0] != p[1] || p[1] != p[2]) return false;
  }
  return true;
}

TOutputChoice ChooseOutputLayout(const TBitmap& image, const TPixMask* alpha, const TIOParams& params) {
  TOutputChoice choice;
  choice.Alpha = alpha && HasTransparency(image, *alpha);
  if (image.PixelFormat() == TPixelFormat::Bilevel) {
    choice.Layout = choice.Alpha ? TOutputLayout::Gray : TOutputLayout::Bilevel;
  } else if (params.SamplesPerPixel == 1 && params.BitsPerSample <= 8 && params.ColorMapCount > 0) {
    choice.Layout = TOutputLayout::Palette;
  } else if (IsGrayImage(image)) {
    choice.Layout = TOutputLayout::Gray;
  }
  return choice;
}

}  // namespace pix
