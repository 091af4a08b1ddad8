#pragma once
// The part of an image an operation works on: a rectangle and, optionally, the
// selection mask that picks pixels inside it. Helpers to cut the bounding box
// of a selection out of an image and to put it back through the mask.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "imaging/pix_mask.h"

namespace pix {

struct TSelectionArea {
  TRect Rect;                // 0, 0, width, height of the image
  TPixMask* Mask = nullptr;  // the view's selection, when there is one
};

// Makes dest a copy of columns left..right-1, rows top..bottom-1 of source, in
// the source's format. A right or bottom of 0 stands for the source's width or
// height; larger values are cut down to it, and negative left or top to 0.
// 1-bit rows are re-aligned so that the copy starts at bit 0.
void ExtractRect(const TBitmap& source, TBitmap& dest, int32_t left, int32_t top, int32_t right,
                 int32_t bottom);

// Copies back into image the pixels of part whose image position has its mask
// bit set. part's pixel (0, 0) sits at the origin of the mask's bounding box.
// Positions outside image or part are skipped; the formats must agree.
void MergeThroughMask(const TPixMask& mask, TBitmap& image, const TBitmap& part);

}  // namespace pix
