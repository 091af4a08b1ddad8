#pragma once
// Plain nearest-pixel stretch: every destination pixel is a copy of one source
// pixel, with no filtering, in any pixel format (1-bit rows included).
#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"

namespace pix {

// dest, which already has its size, takes the source's pixel format and is
// filled by pixel replication or dropping. Destination pixel x samples the
// source pixel under its centre: floor((x + 0.5) * sourceWidth / destWidth),
// and likewise for rows, so a shrink keeps pixels spread evenly over the whole
// image and a same-size stretch is an exact copy. An empty source leaves dest
// as it was allocated.
void StretchPlain(const TBitmap& source, TBitmap& dest);

// The same for planes of equal depth (1 or 8 bits). Writes the data only.
void StretchPlainPlane(const TPixMask& source, TPixMask& dest);

}  // namespace pix
