#include "codecs/palette/bilevel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pix {

namespace {

// Ordered-dither thresholds, first index x mod 8, second y mod 8.
constexpr uint8_t kDither[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21}};

// Bits of the two-colour hash set: 8192 buckets keep the few colours apart.
constexpr int kExactHashBits = 13;

uint32_t ColorKey(const uint8_t* bgr) {
  return (static_cast<uint32_t>(bgr[2]) << 16) | (static_cast<uint32_t>(bgr[1]) << 8) | bgr[0];
}

TRGB RGBAt(const uint8_t* bgr) { return TRGB{bgr[0], bgr[1], bgr[2]}; }

// Rounded (ties to even) weighted luminance; the division is exact enough in
// extended precision that a numerator ending in 50 is a true half.
long double Luminance(const TRGB& c) {
  long double sum = static_cast<long double>(c.r * 21 + c.g * 71 + c.b * 7);
  return std::nearbyint(sum / 100.0L);
}

// 256 runs of eight TrueColor pixels, one per source byte, most significant bit first.
using TExpandRun = std::array<uint8_t, 24>;

const std::array<TExpandRun, 256>& ExpandTable() {
  static const std::array<TExpandRun, 256> table = [] {
    std::array<TExpandRun, 256> t{};
    for (int v = 0; v < 256; ++v)
      for (int bit = 0; bit < 8; ++bit) {
        uint8_t level = (v & (0x80 >> bit)) ? 255 : 0;
        std::fill_n(t[v].begin() + bit * 3, 3, level);
      }
    return t;
  }();
  return table;
}

void RowProgress(const TProgressRecord& progress, int32_t rowsDone, int32_t height) {
  progress.ReportStep(rowsDone, height);
}

// Expands a Bilevel source into dest, which already has the source's size in TrueColor.
void ExpandRows(const TBitmap& source, TBitmap& dest, const TProgressRecord& progress) {
  const auto& table = ExpandTable();
  const int32_t width = source.Width();
  const int32_t fullBytes = width / 8;
  const int32_t tail = width % 8;
  for (int32_t y = 0; y < source.Height(); ++y) {
    const uint8_t* in = source.ScanLine(y);
    uint8_t* out = dest.ScanLine(y);
    for (int32_t i = 0; i < fullBytes; ++i, out += 24) std::memcpy(out, table[in[i]].data(), 24);
    if (tail) std::memcpy(out, table[in[fullBytes]].data(), static_cast<size_t>(tail) * 3);
    RowProgress(progress, y + 1, source.Height());
  }
}

}  // namespace

struct THash1::TNode {
  uint32_t Value;
  TNode* Next;
};

struct THash1::TBucket {
  uint8_t State = 0;  // 0 empty, 1 single value in Value, 2 chain in Chain
  uint32_t Value = 0;
  TNode* Chain = nullptr;
};

THash1::THash1(int bits) {
  // Bounded so that a careless caller cannot ask for gigabytes of buckets.
  bits = std::clamp(bits, 0, 24);
  const uint32_t buckets = uint32_t{1} << bits;
  m_buckets = std::make_unique<TBucket[]>(buckets);
  m_mask = buckets - 1;
}

THash1::~THash1() {
  for (uint32_t i = 0; i <= m_mask; ++i) {
    TNode* node = m_buckets[i].Chain;
    while (node) {
      TNode* next = node->Next;
      delete node;
      node = next;
    }
  }
}

bool THash1::Insert(uint32_t value) {
  TBucket& bucket = m_buckets[value & m_mask];
  switch (bucket.State) {
    case 0:
      bucket.State = 1;
      bucket.Value = value;
      break;
    case 1:
      if (bucket.Value == value) return false;
      // The bucket's single value moves into the chain together with the new one.
      bucket.Chain = new TNode{bucket.Value, nullptr};
      bucket.Chain = new TNode{value, bucket.Chain};
      bucket.State = 2;
      break;
    default:
      for (TNode* node = bucket.Chain; node; node = node->Next)
        if (node->Value == value) return false;
      bucket.Chain = new TNode{value, bucket.Chain};
      break;
  }
  ++m_count;
  return true;
}

std::unique_ptr<TBitmap> ExactBilevel(const TBitmap& image, TRGB& color0, TRGB& color1) {
  if (image.PixelFormat() != TPixelFormat::TrueColor) return nullptr;
  THash1 seen(kExactHashBits);
  auto result = std::make_unique<TBitmap>(image.Width(), image.Height(), TPixelFormat::Bilevel);
  for (int32_t y = 0; y < image.Height() && seen.Count() <= 2; ++y) {
    const uint8_t* in = image.ScanLine(y);
    uint8_t* out = result->ScanLine(y);
    for (int32_t x = 0; x < image.Width(); ++x, in += 3) {
      if (seen.Insert(ColorKey(in))) {
        if (seen.Count() == 1)
          color0 = RGBAt(in);
        else
          color1 = RGBAt(in);
      }
      if (RGBAt(in) != color0) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
  if (seen.Count() != 2) return nullptr;
  if (Luminance(color1) < Luminance(color0)) {
    InvertBilevel(*result);
    std::swap(color0, color1);
  }
  return result;
}

void DitherBilevel(TBitmap& image, const TProgressRecord& progress) {
  if (image.PixelFormat() != TPixelFormat::TrueColor) return;
  TBitmap result(image.Width(), image.Height(), TPixelFormat::Bilevel);
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* in = image.ScanLine(y);
    uint8_t* out = result.ScanLine(y);
    const int ty = y & 7;
    for (int32_t x = 0; x < image.Width(); ++x, in += 3) {
      const int level = ((in[2] * 21 + in[1] * 71 + in[0] * 7) / 100) >> 2;
      if (level > kDither[x & 7][ty]) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    RowProgress(progress, y + 1, image.Height());
  }
  CopyImage(result, image);
}

void ExpandBilevel(const TBitmap& source, TBitmap& dest, const TProgressRecord& progress) {
  if (&source == &dest) {
    // Shrinking dest first would destroy the source: expand into a copy.
    TBitmap copy;
    CopyImage(source, copy);
    ExpandBilevel(copy, dest, progress);
    return;
  }
  // Release the old block before allocating the new one, so peak memory stays low.
  dest.Allocate(1, 1, TPixelFormat::TrueColor);
  if (source.PixelFormat() != TPixelFormat::Bilevel) {
    // Not a two-colour image: the TrueColor copy is the image itself.
    CopyImage(source, dest);
    ConvertToTrueColor(dest);
    return;
  }
  dest.Allocate(source.Width(), source.Height(), TPixelFormat::TrueColor);
  ExpandRows(source, dest, progress);
}

void InvertBilevel(TBitmap& image) {
  if (image.PixelFormat() != TPixelFormat::Bilevel) return;
  uint8_t* bits = image.Bits();
  const int64_t bytes = image.ByteSize();
  for (int64_t i = 0; i < bytes; ++i) bits[i] = static_cast<uint8_t>(~bits[i]);
}

int NearestColorIndex(const TRGB* palette, int count, const TRGB& color) {
  int best = 1000;
  int answer = 0;
  if (!palette) return 0;
  for (int i = 0; i < count; ++i) {
    const int d = std::abs(palette[i].b - color.b) + std::abs(palette[i].g - color.g) + std::abs(palette[i].r - color.r);
    if (d < best) {
      best = d;
      answer = i;
    }
  }
  return answer;
}

}  // namespace pix
