#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/rotate.h"

namespace pix {

namespace {

// Square tiles keep both the source rows being read down a column and the
// destination rows being written inside the cache.
constexpr int32_t kTile = 64;

void CopyPixel(const uint8_t* in, int64_t sx, uint8_t* out, int64_t dx, int bits) {
  if (bits == 1) {
    const auto mask = static_cast<uint8_t>(0x80 >> (dx & 7));
    if (in[sx >> 3] & (0x80 >> (sx & 7)))
      out[dx >> 3] |= mask;
    else
      out[dx >> 3] &= static_cast<uint8_t>(~mask);
  } else {
    const int bytes = bits / 8;
    std::memcpy(out + dx * bytes, in + sx * bytes, static_cast<size_t>(bytes));
  }
}

// Moves the pixels of one destination row segment x0..x1-1 of a TrueColor
// image. Four-byte moves are used where the extra byte is still inside the
// source row (the source pixel is not its row's last) and lands on the
// destination's next pixel, which is written afterwards (not past the row).
void TurnSegment24(const std::vector<const uint8_t*>& rows, int64_t sx, bool wideRead, uint8_t* out, int32_t x0,
                   int32_t x1, int32_t dw) {
  const int32_t wideEnd = !wideRead ? x0 : (x1 == dw ? x1 - 1 : x1);
  int32_t x = x0;
  for (; x < wideEnd; ++x) {
    uint32_t v;
    std::memcpy(&v, rows[x] + sx * 3, 4);
    std::memcpy(out + static_cast<int64_t>(x) * 3, &v, 4);
  }
  for (; x < x1; ++x) {
    const uint8_t* p = rows[x] + sx * 3;
    uint8_t* q = out + static_cast<int64_t>(x) * 3;
    q[0] = p[0];
    q[1] = p[1];
    q[2] = p[2];
  }
}

// Destination row y takes source column columnOf(y); its pixel x comes from
// the source row rows[x]. Rows are written in tiles, left to right within each
// row, whatever the order of the tiles.
template <typename ColumnOf>
void Turn(const std::vector<const uint8_t*>& rows, int32_t sourceWidth, TBitmap& dest, ColumnOf columnOf) {
  const int32_t dw = dest.Width(), dh = dest.Height();
  const int bits = dest.BitsPerPixel();
  for (int32_t y0 = 0; y0 < dh; y0 += kTile) {
    const int32_t y1 = std::min(y0 + kTile, dh);
    for (int32_t x0 = 0; x0 < dw; x0 += kTile) {
      const int32_t x1 = std::min(x0 + kTile, dw);
      for (int32_t y = y0; y < y1; ++y) {
        const int64_t sx = columnOf(y);
        uint8_t* out = dest.ScanLine(y);
        if (bits == 24)
          TurnSegment24(rows, sx, sx + 1 < sourceWidth, out, x0, x1, dw);
        else
          for (int32_t x = x0; x < x1; ++x) CopyPixel(rows[x], sx, out, x, bits);
      }
    }
  }
}

// The source's row addresses, top to bottom or bottom to top.
std::vector<const uint8_t*> RowTable(const TBitmap& source, bool reversed) {
  try {
    std::vector<const uint8_t*> rows(static_cast<size_t>(std::max(source.Height(), 0)));
    const int32_t h = source.Height();
    for (int32_t k = 0; k < h; ++k) rows[k] = source.ScanLine(reversed ? h - 1 - k : k);
    return rows;
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

// Gives dest its turned format and size, keeping its block when it is large
// enough: every pixel is overwritten, and a fresh block would only add the
// cost of first touching its pages.
void PrepareTurned(const TBitmap& source, TBitmap& dest) {
  dest.ReshapeForOverwrite(source.Height(), source.Width(), source.PixelFormat());
}

}  // namespace

void QuarterTurnLeft(const TBitmap& source, TBitmap& dest) {
  if (&source == &dest) {
    TBitmap turned;
    QuarterTurnLeft(source, turned);
    CopyImage(turned, dest);
    return;
  }
  const int32_t w = source.Width();
  PrepareTurned(source, dest);
  if (dest.Empty()) return;
  Turn(RowTable(source, false), w, dest, [w](int32_t y) { return static_cast<int64_t>(w - 1 - y); });
}

void QuarterTurnRight(const TBitmap& source, TBitmap& dest) {
  if (&source == &dest) {
    TBitmap turned;
    QuarterTurnRight(source, turned);
    CopyImage(turned, dest);
    return;
  }
  PrepareTurned(source, dest);
  if (dest.Empty()) return;
  Turn(RowTable(source, true), source.Width(), dest, [](int32_t y) { return static_cast<int64_t>(y); });
}

void Transpose(const TBitmap& source, TBitmap& dest) {
  if (&source == &dest) {
    TBitmap turned;
    Transpose(source, turned);
    CopyImage(turned, dest);
    return;
  }
  PrepareTurned(source, dest);
  if (dest.Empty()) return;
  Turn(RowTable(source, false), source.Width(), dest, [](int32_t y) { return static_cast<int64_t>(y); });
}

void Transverse(const TBitmap& source, TBitmap& dest) {
  if (&source == &dest) {
    TBitmap turned;
    Transverse(source, turned);
    CopyImage(turned, dest);
    return;
  }
  const int32_t w = source.Width();
  PrepareTurned(source, dest);
  if (dest.Empty()) return;
  Turn(RowTable(source, true), w, dest, [w](int32_t y) { return static_cast<int64_t>(w - 1 - y); });
}

}  // namespace pix
