#pragma once
// Fitting a picture into a box and placing it centred on a plain canvas: the
// geometry thumbnails, slides and printed pictures share.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"

namespace pix {

struct TFitSize {
  int32_t Width = 0;
  int32_t Height = 0;
  bool operator==(const TFitSize&) const = default;
};

// The size of a width x height picture made as large as fits into the box
// with its aspect ratio kept: one side equals the box's, the other is rounded
// to the nearest pixel (at least 1). Without enlarge a picture that already
// fits keeps its size. An empty picture or box gives 0 x 0.
TFitSize FitIntoBox(int32_t width, int32_t height, int32_t boxWidth, int32_t boxHeight, bool enlarge);

// Makes canvas a TrueColor image of width x height filled with background
// (a colour value, system colours resolved) with the picture drawn 1:1 in
// its centre; the odd pixel of a centring goes right and down, and a picture
// larger than the canvas is cut evenly. A 1-bit picture is drawn black and
// white. Throws EPixOutOfMemory when the canvas cannot be allocated.
void Letterbox(const TBitmap& picture, int32_t width, int32_t height, TColor background, TBitmap& canvas);

}  // namespace pix
