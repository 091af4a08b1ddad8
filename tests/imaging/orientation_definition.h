#pragma once
// The EXIF Orientation values as the EXIF standard defines them, read
// forwards, to check an upright form against: for each value, the side of the
// upright picture where the stored row 0 lies and the side where the stored
// column 0 lies.
#include <gtest/gtest.h>

#include <utility>

#include "imaging/bitmap.h"

namespace orienttest {

enum Side { kTop, kBottom, kLeft, kRight };
constexpr std::pair<Side, Side> kExifSides[9] = {
    {kTop, kLeft},  {kTop, kLeft},  {kTop, kRight},    {kBottom, kRight}, {kBottom, kLeft},
    {kLeft, kTop},  {kRight, kTop}, {kRight, kBottom}, {kLeft, kBottom}};

// Where the stored pixel (sx, sy) of a w x h picture lands in the upright one.
inline std::pair<int32_t, int32_t> UprightPlace(int o, int32_t w, int32_t h, int32_t sx, int32_t sy) {
  const auto [row0, column0] = kExifSides[o];
  if (row0 == kTop || row0 == kBottom)
    return {column0 == kLeft ? sx : w - 1 - sx, row0 == kTop ? sy : h - 1 - sy};
  return {row0 == kLeft ? sy : h - 1 - sy, column0 == kTop ? sx : w - 1 - sx};
}

inline bool SamePixel(const pix::TBitmap& a, int32_t ax, int32_t ay, const pix::TBitmap& b, int32_t bx, int32_t by) {
  if (a.PixelFormat() == pix::TPixelFormat::Bilevel)
    return ((a.ScanLine(ay)[ax >> 3] >> (7 - (ax & 7))) & 1) == ((b.ScanLine(by)[bx >> 3] >> (7 - (bx & 7))) & 1);
  const uint8_t* p = a.ScanLine(ay) + 3 * ax;
  const uint8_t* q = b.ScanLine(by) + 3 * bx;
  return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}

// Every pixel of stored, put where the definition says, equals upright's.
inline ::testing::AssertionResult IsUprightForm(const pix::TBitmap& stored, const pix::TBitmap& upright, int o) {
  const bool swap = o >= 5;
  const int32_t w = stored.Width(), h = stored.Height();
  if (upright.Width() != (swap ? h : w) || upright.Height() != (swap ? w : h) ||
      upright.PixelFormat() != stored.PixelFormat())
    return ::testing::AssertionFailure() << "shape " << upright.Width() << "x" << upright.Height();
  for (int32_t sy = 0; sy < h; ++sy)
    for (int32_t sx = 0; sx < w; ++sx) {
      const auto [x, y] = UprightPlace(o, w, h, sx, sy);
      if (!SamePixel(stored, sx, sy, upright, x, y))
        return ::testing::AssertionFailure() << "orientation " << o << " stored pixel " << sx << "," << sy;
    }
  return ::testing::AssertionSuccess();
}

}  // namespace orienttest
