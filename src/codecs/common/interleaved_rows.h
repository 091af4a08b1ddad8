#pragma once
// Rows of the working image as the interleaved 8-bit samples that C
// encoders (libheif, libwebp) take.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"

namespace pix {

enum class TInterleave { Rgb, Rgba, Bgra };

// Writes row y of a TrueColor or Bilevel image (a set bit is white) to out:
// Width() pixels of 3 (Rgb) or 4 samples. The fourth sample comes from alpha
// when it is an 8-bit plane of the image's size, else it is 255.
void InterleaveRow(const TBitmap& image, const TPixMask* alpha, int32_t y, TInterleave order, uint8_t* out);

}  // namespace pix
