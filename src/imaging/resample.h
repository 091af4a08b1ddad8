#pragma once
// The separable two-pass resampling engine: horizontal pass from the source
// into an intermediate of destination width x source height, vertical pass from
// there into the destination. Each destination channel is a weighted sum of
// source bytes, accumulated in extended precision and rounded to a 64-bit float
// after every addition, then turned into a byte by SumToByte.
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "imaging/pix_mask.h"
#include "imaging/progress.h"

namespace pix {

// Whether a source of this size can be filtered: neither side 0, and not both
// sides below 2.
inline bool FilterableSize(int32_t width, int32_t height) {
  return width > 0 && height > 0 && (width >= 2 || height >= 2);
}

// The side that keeps the aspect ratio: (side x newOther) div other, truncated
// toward zero. The product is taken in 64 bits, an empty other side gives 0,
// and results beyond 32 bits saturate (the allocation then fails cleanly).
int32_t AspectSide(int32_t side, int32_t newOther, int32_t other);

// Above 255 gives 255, below 0 gives 0, otherwise the nearest integer with
// ties to even.
uint8_t SumToByte(double sum);

// Resamples a TrueColor source into dest, which already has its new size and
// becomes TrueColor. Returns without writing when the source is not TrueColor,
// not FilterableSize, or the filter has no kernel. Progress (when set) counts
// source rows, then destination columns.
void ResampleFiltered(const TBitmap& source, TBitmap& dest, TResampleFilter filter,
                      const TProgressRecord& progress);

// The same engine for one 8-bit plane into another that already has its size.
// Writes the data only: dest's bounding box and Full flag are left as they are.
void ResampleAlphaPlane(const TPixMask& source, TPixMask& dest, TResampleFilter filter);

}  // namespace pix
