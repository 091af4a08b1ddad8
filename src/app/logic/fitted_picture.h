#pragma once
// One picture file made into a picture of a given box: what thumbnails,
// slides and printed pages show. Loaded through the image component (a JPEG
// decoded by the codec at the smallest scale that still covers the box),
// flattened onto white where it is transparent, and resampled with rfMitchell.
#include <cstdint>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/failure_reason.h"
#include "io/pix_image.h"

namespace pix {

// Loads path into image and leaves the result in picture: TrueColor, fitted
// into boxWidth x boxHeight with its aspect ratio kept (FitIntoBox; a picture
// that fits already is enlarged only with enlarge). aspect scales the fitted
// width against the height, for a device whose dots are not square
// (horizontal dpi / vertical dpi; 1 otherwise). frNone on success; otherwise
// why (the reason of the load, frNotAFile for pipes and devices, frOutOfMemory,
// frCannotOpen), with picture left empty. Never throws. image's parameter
// record keeps the JPEG scale it was given, its undo snapshot is not taken,
// and its working image ends holding no more than the fitted picture's size.
TFailureReason LoadFittedPicture(TPixImage& image, const std::string& path, int32_t boxWidth, int32_t boxHeight,
                                 bool enlarge, TBitmap& picture, double aspect = 1.0);

}  // namespace pix
