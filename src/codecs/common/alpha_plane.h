#pragma once
// The alpha plane as readers fill it (writers ask imaging/composite.h's
// HasTransparency whether it holds any).
#include "imaging/pix_mask.h"

namespace pix {

// After a reader wrote the rows of an 8-bit plane directly: a plane that
// turned out fully opaque becomes the opaque plane without data; otherwise
// Full is cleared and the bounding box recomputed.
void SettleAlphaPlane(TPixMask& alpha);

}  // namespace pix
