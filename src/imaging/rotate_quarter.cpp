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

// Destination row y takes source column columnOf(y); its pixel x comes from
// the source row rows[x]. Rows are written in tiles, whatever the order.
template <typename ColumnOf>
void Turn(const std::vector<const uint8_t*>& rows, TBitmap& dest, ColumnOf columnOf) {
  const int32_t dw = dest.Width(), dh = dest.Height();
  const int bits = dest.BitsPerPixel();
  for (int32_t y0 = 0; y0 < dh; y0 += kTile) {
    const int32_t y1 = std::min(y0 + kTile, dh);
    for (int32_t x0 = 0; x0 < dw; x0 += kTile) {
      const int32_t x1 = std::min(x0 + kTile, dw);
      for (int32_t y = y0; y < y1; ++y) {
        const int64_t sx = columnOf(y);
        uint8_t* out = dest.ScanLine(y);
        if (bits == 24) {
          for (int32_t x = x0; x < x1; ++x) {
            const uint8_t* p = rows[x] + sx * 3;
            uint8_t* q = out + static_cast<int64_t>(x) * 3;
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
          }
        } else {
          for (int32_t x = x0; x < x1; ++x) CopyPixel(rows[x], sx, out, x, bits);
        }
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

}  // namespace

void QuarterTurnLeft(const TBitmap& source, TBitmap& dest) {
  if (&source == &dest) {
    TBitmap turned;
    QuarterTurnLeft(source, turned);
    CopyImage(turned, dest);
    return;
  }
  const int32_t w = source.Width();
  dest.Allocate(source.Height(), w, source.PixelFormat());
  if (dest.Empty()) return;
  Turn(RowTable(source, false), dest, [w](int32_t y) { return static_cast<int64_t>(w - 1 - y); });
}

void QuarterTurnRight(const TBitmap& source, TBitmap& dest) {
  if (&source == &dest) {
    TBitmap turned;
    QuarterTurnRight(source, turned);
    CopyImage(turned, dest);
    return;
  }
  dest.Allocate(source.Height(), source.Width(), source.PixelFormat());
  if (dest.Empty()) return;
  Turn(RowTable(source, true), dest, [](int32_t y) { return static_cast<int64_t>(y); });
}

}  // namespace pix
