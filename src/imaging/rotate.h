#pragma once
// Rotation: exact quarter turns, the three-shear rotation for other angles of
// TrueColor images, and inverse mapping for the other formats. Positive angles
// turn counter-clockwise.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "imaging/progress.h"

namespace pix {

// A pixel in image byte order.
struct TPixelTriple {
  uint8_t B = 0;
  uint8_t G = 0;
  uint8_t R = 0;
  bool operator==(const TPixelTriple&) const = default;
};

// The angle in thousandths of a degree, truncated toward zero, reduced modulo
// 360 degrees keeping its sign, so strictly between -360 and 360.
double NormalisedAngle(double angle);

// dest becomes source turned a quarter to the left: dest(x, y) = source(W-1-y, x).
void QuarterTurnLeft(const TBitmap& source, TBitmap& dest);
// dest becomes source turned a quarter to the right: dest(x, y) = source(y, H-1-x).
void QuarterTurnRight(const TBitmap& source, TBitmap& dest);
// dest becomes source mirrored about its main diagonal: dest(x, y) = source(y, x).
void Transpose(const TBitmap& source, TBitmap& dest);
// dest becomes source mirrored about its other diagonal:
// dest(x, y) = source(W-1-y, H-1-x).
void Transverse(const TBitmap& source, TBitmap& dest);

// Per channel: Nearest((a g + b (4096 - g) + 2048) / 4096) clamped to 0..255,
// rounding half to even.
TPixelTriple Blend(TPixelTriple a, TPixelTriple b, int g);

// Turns a TrueColor source by angle degrees (0 < |angle| <= 45) with three
// shears into dest, which is resized; uncovered areas take the background.
// Progress (when set) counts the rows and columns of the three passes.
void ShearRotate(const TBitmap& source, TBitmap& dest, double angle, bool antialias, TPixelTriple background,
                 const TProgressRecord& progress);

// Turns a non-TrueColor image in place by inverse mapping with cosine and sine
// cut to four decimals; uncovered pixels are white when fillWhite, else black.
// Exact for 90 and 270. Progress (when set) is reported after each row.
void RotateBilevel(TBitmap& image, bool fillWhite, const TProgressRecord& progress, double angle);

}  // namespace pix
