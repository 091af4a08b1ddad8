#pragma once
// Grayscale conversion of TrueColor images: every pixel gets its gray value in
// blue, green and red.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "imaging/progress.h"

namespace pix {

// (21 R + 71 G + 7 B) div 100. The weights add up to 99, so white gives 252.
inline uint8_t GrayValue(uint8_t blue, uint8_t green, uint8_t red) {
  return static_cast<uint8_t>((21u * red + 71u * green + 7u * blue) / 100u);
}

// Converts columns left..right-1 of rows top..bottom-1 of a TrueColor bitmap in
// place; any other format is left alone. right and bottom are cut down to the
// bitmap's size, left and top up to 0. After each row, progress (when set)
// gets the share of rows done.
void GrayscaleRect(TBitmap& bitmap, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   const TProgressRecord& progress);

}  // namespace pix
