#pragma once
// Mirrors and the upright form of a picture stored in one of the eight
// arrangements the EXIF Orientation tag names. Every function moves pixels
// exactly, in one pass over the result, in any pixel format.
#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"

namespace pix {

enum TMirrorAxis {
  maHorizontal,  // left and right change places
  maVertical     // top and bottom change places
};

// dest becomes source mirrored left to right: dest(x, y) = source(W-1-x, y).
void MirrorHorizontal(const TBitmap& source, TBitmap& dest);
// dest becomes source mirrored top to bottom: dest(x, y) = source(x, H-1-y).
void MirrorVertical(const TBitmap& source, TBitmap& dest);
// dest becomes source turned by 180 degrees: dest(x, y) = source(W-1-x, H-1-y).
void HalfTurn(const TBitmap& source, TBitmap& dest);

// True for the orientations 5 to 8, whose upright form swaps width and height.
bool OrientationSwapsSides(int exifOrientation);

// dest becomes the upright form of source, a picture stored the way the EXIF
// Orientation value exifOrientation describes: 2 mirror left to right, 3 half
// turn, 4 mirror top to bottom, 5 transpose, 6 quarter turn clockwise,
// 7 transverse, 8 quarter turn counter-clockwise. Any other value copies.
// dest is reshaped (its block reused when large enough). Throws EPixOutOfMemory.
void OrientToUpright(const TBitmap& source, TBitmap& dest, int exifOrientation);

// The same move for a plane of the image (alpha or selection), in place; the
// bounding box is recomputed and Full kept. An opaque 8-bit plane is only
// resized. Throws EPixOutOfMemory.
void OrientPlaneToUpright(TPixMask& plane, int exifOrientation);
// The plane mirrored in place like the image.
void MirrorPlane(TPixMask& plane, TMirrorAxis axis);

}  // namespace pix
