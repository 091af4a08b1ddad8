#include "imaging/fit_box.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pix {

namespace {

// round(a x b / c) for positive values, in 64 bits; at least 1.
int32_t ScaledSide(int32_t a, int32_t b, int32_t c) {
  const int64_t v = (static_cast<int64_t>(a) * b + c / 2) / c;
  return static_cast<int32_t>(std::clamp<int64_t>(v, 1, INT32_MAX));
}

}  // namespace

TFitSize FitIntoBox(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight, bool enlarge) {
  if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {};
  if (!enlarge && width <= boxWidth && height <= boxHeight) return {width, height};
  // Compared as products, so the side that limits is found without rounding.
  if (static_cast<int64_t>(width) * boxHeight >= static_cast<int64_t>(height) * boxWidth)
    return {boxWidth, std::min(boxHeight, ScaledSide(height, boxWidth, width))};
  return {std::min(boxWidth, ScaledSide(width, boxHeight, height)), boxHeight};
}

void Letterbox(const TBitmap& picture, int32_t width, int32_t height, TColor background, TBitmap& canvas) {
  canvas.Allocate(std::max(width, 0), std::max(height, 0), TPixelFormat::TrueColor);
  canvas.Canvas().Brush.Color = background;
  canvas.Canvas().FillRect({0, 0, canvas.Width(), canvas.Height()});
  if (picture.Empty() || canvas.Empty()) return;
  // Offsets of the picture on the canvas; negative when it is cut.
  const int32_t left = (canvas.Width() - picture.Width()) / 2;
  const int32_t top = (canvas.Height() - picture.Height()) / 2;
  const int32_t x0 = std::max(left, 0);
  const int32_t x1 = std::min(canvas.Width(), left + picture.Width());
  const int32_t y0 = std::max(top, 0);
  const int32_t y1 = std::min(canvas.Height(), top + picture.Height());
  for (int32_t y = y0; y < y1; ++y) {
    const uint8_t* in = picture.ScanLine(y - top);
    uint8_t* out = canvas.ScanLine(y) + static_cast<int64_t>(x0) * 3;
    switch (picture.PixelFormat()) {
      case TPixelFormat::TrueColor:
        std::memcpy(out, in + static_cast<int64_t>(x0 - left) * 3, static_cast<size_t>(x1 - x0) * 3);
        break;
      case TPixelFormat::Bgrx32:
        for (int32_t x = x0; x < x1; ++x, out += 3) std::memcpy(out, in + static_cast<int64_t>(x - left) * 4, 3);
        break;
      case TPixelFormat::Bilevel:
        for (int32_t x = x0; x < x1; ++x, out += 3) {
          const int32_t sx = x - left;
          const uint8_t v = (in[sx >> 3] & (0x80 >> (sx & 7))) ? 255 : 0;
          out[0] = out[1] = out[2] = v;
        }
        break;
    }
  }
}

}  // namespace pix
