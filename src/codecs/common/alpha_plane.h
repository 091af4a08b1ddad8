#pragma once
// The alpha plane as readers fill it and writers consult it.
#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"

namespace pix {

// True when alpha is present, 8-bit, of the image's size and holds a value
// other than 255. Reads the rows only when the plane is not marked full.
bool HasTransparency(const TPixMask* alpha, const TBitmap& image);

// After a reader wrote the rows of an 8-bit plane directly: a plane that
// turned out fully opaque becomes the opaque plane without data; otherwise
// Full is cleared and the bounding box recomputed.
void SettleAlphaPlane(TPixMask& alpha);

}  // namespace pix
