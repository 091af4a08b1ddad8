#include "codecs/common/interleaved_rows.h"

namespace pix {

void InterleaveRow(const TBitmap& image, const TPixMask* alpha, int32_t y, TInterleave order, uint8_t* out) {
  const int32_t width = image.Width();
  const uint8_t* row = image.ScanLine(y);
  const bool withAlpha = order != TInterleave::Rgb;
  const uint8_t* alphaRow = withAlpha && alpha && alpha->BitsPerPixel() == 8 && alpha->Width() == width &&
                                    alpha->Height() == image.Height()
                                ? alpha->ScanLine(y)
                                : nullptr;
  // Positions of red and blue in a pixel; green is always in the middle.
  const int red = order == TInterleave::Bgra ? 2 : 0;
  const int blue = 2 - red;
  const int step = withAlpha ? 4 : 3;
  const bool bilevel = image.PixelFormat() == TPixelFormat::Bilevel;
  for (int32_t x = 0; x < width; ++x, out += step) {
    if (bilevel) {
      const uint8_t v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      out[0] = out[1] = out[2] = v;
    } else {
      const uint8_t* p = row + 3 * x;
      out[red] = p[2];
      out[1] = p[1];
      out[blue] = p[0];
    }
    if (withAlpha) out[3] = alphaRow ? alphaRow[x] : 255;
  }
}

}  // namespace pix
