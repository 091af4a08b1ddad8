#pragma once
// Conversions between TrueColor and Bilevel images for the palette writers.
#include <cstdint>
#include <memory>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "imaging/progress.h"

namespace pix {

// For a TrueColor image with exactly two distinct colours: a new Bilevel image
// of the same size whose bit 0 is the darker colour (reported in color0, the
// lighter in color1). nullptr for any other image; the colour outputs then
// carry no meaning.
std::unique_ptr<TBitmap> ExactBilevel(const TBitmap& image, TRGB& color0, TRGB& color1);
// Turns a TrueColor image into Bilevel in place by 8 x 8 ordered dithering of
// its luminance; other formats are left alone.
void DitherBilevel(TBitmap& image, const TProgressRecord& progress = {});
// dest becomes a TrueColor copy of a Bilevel source: set bits white, clear black.
void ExpandBilevel(const TBitmap& source, TBitmap& dest, const TProgressRecord& progress = {});
// Flips every bit of every stored row (padding included).
void InvertBilevel(TBitmap& image);
// First entry with the smallest sum of absolute channel differences; 0 when empty.
int NearestColorIndex(const TRGB* palette, int count, const TRGB& color);

// A set of 32-bit values in 2^bits buckets; counts distinct values.
class THash1 {
public:
  explicit THash1(int bits);
  ~THash1();
  THash1(const THash1&) = delete;
  THash1& operator=(const THash1&) = delete;
  // True when value was not in the set before.
  bool Insert(uint32_t value);
  int Count() const { return m_count; }

private:
  struct TNode;
  struct TBucket;
  std::unique_ptr<TBucket[]> m_buckets;
  uint32_t m_mask;
  int m_count = 0;
};

}  // namespace pix
