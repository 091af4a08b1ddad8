#include "imaging/stretch_plain.h"

#include <cstring>
#include <new>
#include <vector>

namespace pix {

namespace {

// Source index under the centre of destination index i.
int64_t CentreSample(int64_t i, int64_t srcSize, int64_t dstSize) { return ((2 * i + 1) * srcSize) / (2 * dstSize); }

std::vector<int64_t> SampleMap(int32_t srcSize, int32_t dstSize) {
  try {
    std::vector<int64_t> map(static_cast<size_t>(dstSize));
    for (int32_t i = 0; i < dstSize; ++i) map[i] = CentreSample(i, srcSize, dstSize);
    return map;
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

template <typename Src, typename Dst>
void StretchRows(const Src& source, Dst& dest, int bitsPerPixel) {
  const int32_t sw = source.Width(), sh = source.Height();
  const int32_t dw = dest.Width(), dh = dest.Height();
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  const std::vector<int64_t> columns = SampleMap(sw, dw);
  const int bytes = bitsPerPixel / 8;
  for (int32_t y = 0; y < dh; ++y) {
    const uint8_t* in = source.ScanLine(static_cast<int32_t>(CentreSample(y, sh, dh)));
    uint8_t* out = dest.ScanLine(y);
    if (bitsPerPixel == 1) {
      for (int32_t x = 0; x < dw; ++x) {
        const int64_t sx = columns[x];
        const auto mask = static_cast<uint8_t>(0x80 >> (x & 7));
        if (in[sx >> 3] & (0x80 >> (sx & 7)))
          out[x >> 3] |= mask;
        else
          out[x >> 3] &= static_cast<uint8_t>(~mask);
      }
    } else if (bytes == 3) {
      for (int32_t x = 0; x < dw; ++x) {
        const uint8_t* p = in + columns[x] * 3;
        out[3 * x] = p[0];
        out[3 * x + 1] = p[1];
        out[3 * x + 2] = p[2];
      }
    } else {
      for (int32_t x = 0; x < dw; ++x)
        std::memcpy(out + static_cast<int64_t>(x) * bytes, in + columns[x] * bytes, static_cast<size_t>(bytes));
    }
  }
}

}  // namespace

void StretchPlain(const TBitmap& source, TBitmap& dest) {
  if (dest.PixelFormat() != source.PixelFormat()) dest.SetPixelFormat(source.PixelFormat());
  StretchRows(source, dest, source.BitsPerPixel());
}

void StretchPlainPlane(const TPixMask& source, TPixMask& dest) {
  if (source.BitsPerPixel() != dest.BitsPerPixel()) return;
  StretchRows(source, dest, source.BitsPerPixel());
}

}  // namespace pix
