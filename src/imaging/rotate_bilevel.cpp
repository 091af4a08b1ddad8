#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/extended_trig.h"
#include "imaging/rotate.h"

namespace pix {

namespace {

using ext = long double;

// Cut toward zero to four decimals.
double FourDecimals(ext v) { return static_cast<double>(std::trunc(v * 10000) / 10000); }

// Truncation toward zero, saturated so that far-off coordinates stay far off.
int64_t TruncCoordinate(ext v) {
  const ext t = std::trunc(v);
  if (!(t > -0x1p62L)) return INT64_MIN / 2;
  if (!(t < 0x1p62L)) return INT64_MAX / 2;
  return static_cast<int64_t>(t);
}

// A new side: trunc(a + b), which must still be a 32-bit size.
int32_t NewSide(ext a, ext b) {
  const ext side = std::trunc(std::fabs(a) + std::fabs(b));
  if (!(side < static_cast<ext>(INT32_MAX))) throw EPixOutOfMemory("Rotated image too large");
  return static_cast<int32_t>(side);
}

bool GetBit(const uint8_t* row, int64_t x) { return (row[x >> 3] & (0x80 >> (x & 7))) != 0; }

void PutBit(uint8_t* row, int64_t x, bool on) {
  const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
  row[x >> 3] = on ? static_cast<uint8_t>(row[x >> 3] | mask) : static_cast<uint8_t>(row[x >> 3] & ~mask);
}

}  // namespace

void RotateBilevel(TBitmap& image, bool fillWhite, const TProgressRecord& progress, double angle) {
  const double r = static_cast<double>(-static_cast<ext>(angle) / 57.295779513082320877L);
  const double c = FourDecimals(ExtendedCos(r));
  const double s = FourDecimals(ExtendedSin(r));
  const int32_t w = image.Width(), h = image.Height();
  const int32_t nw = NewSide(static_cast<ext>(w) * c, static_cast<ext>(h) * s);
  const int32_t nh = NewSide(static_cast<ext>(w) * s, static_cast<ext>(h) * c);
  // 1-bit images stay 1-bit; a whole-byte format keeps its format and copies
  // whole pixels, the fill being all zero or all one bits.
  const int bits = image.BitsPerPixel();
  const int bytes = bits / 8;
  TBitmap rotated(nw, nh, image.PixelFormat());
  std::vector<const uint8_t*> rows;
  try {
    rows.resize(static_cast<size_t>(std::max(h, 0)));
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
  for (int32_t y = 0; y < h; ++y) rows[y] = image.ScanLine(y);
  const ext cx = static_cast<ext>(nw) / 2 - 0.5L, cy = static_cast<ext>(nh) / 2 - 0.5L;
  const ext sx0 = static_cast<ext>(w) / 2 - 0.5L, sy0 = static_cast<ext>(h) / 2 - 0.5L;
  const double percentPerRow = static_cast<double>(100.0L / nh);
  for (int32_t y = 0; y < nh; ++y) {
    uint8_t* out = rotated.ScanLine(y);
    const double v = static_cast<double>(y - cy);
    for (int32_t x = 0; x < nw; ++x) {
      const double u = static_cast<double>(x - cx);
      const int64_t sx = TruncCoordinate(static_cast<ext>(u) * c + static_cast<ext>(v) * s + sx0);
      const int64_t sy = TruncCoordinate(-static_cast<ext>(u) * s + static_cast<ext>(v) * c + sy0);
      const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
      if (bits == 1)
        PutBit(out, x, inside ? GetBit(rows[sy], sx) : fillWhite);
      else if (inside)
        std::memcpy(out + static_cast<int64_t>(x) * bytes, rows[sy] + sx * bytes, static_cast<size_t>(bytes));
      else
        std::memset(out + static_cast<int64_t>(x) * bytes, fillWhite ? 0xFF : 0x00, static_cast<size_t>(bytes));
    }
    progress.Report(static_cast<int>(std::trunc(static_cast<ext>(y) * percentPerRow)));
  }
  CopyImage(rotated, image);
}

}  // namespace pix
