#pragma once
// Flattening transparency onto a background colour, for formats without an
// alpha channel.
#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "imaging/pix_mask.h"

namespace pix {

// True when the 8-bit plane matches the image's size and holds a value
// below 255 somewhere.
bool HasTransparency(const TBitmap& image, const TPixMask& alpha);

// Blends every pixel of a TrueColor image over background by its alpha:
// (c x a + b x (255 - a) + 127) div 255 per channel, so 255 keeps the pixel
// and 0 gives the background. Other formats, and planes of another size, are
// left alone.
void CompositeOver(TBitmap& image, const TPixMask& alpha, TColor background);

}  // namespace pix
