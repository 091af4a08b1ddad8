#include "imaging/resample.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <type_traits>
#include <vector>

#include "imaging/resample_contributors.h"
#include "imaging/resample_kernels.h"

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace pix {

namespace {

// Rows of an image or plane, addressed from the top row with a signed step.
template <typename Byte>
struct TRows {
  Byte* Top = nullptr;
  int64_t Step = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  Byte* Row(int64_t y) const { return Top + y * Step; }
};

template <typename Image>
auto RowsOf(Image& image) {
  using Byte = std::remove_pointer_t<decltype(image.ScanLine(0))>;
  TRows<Byte> rows;
  rows.Width = image.Width();
  rows.Height = image.Height();
  rows.Step = -image.RowStride();
  if (rows.Width > 0 && rows.Height > 0) rows.Top = image.ScanLine(0);
  return rows;
}

// One contributor ready for the pass: a byte offset (already clamped into the
// source) and its weight.
struct TTap {
  int64_t Offset;
  double Weight;
};

class TTapTable {
public:
  // offsetUnit: bytes between neighbouring source pixels along the axis.
  TTapTable(const TContributorLists& lists, int32_t srcSize, int64_t offsetUnit) {
    try {
      m_start.reserve(static_cast<size_t>(lists.Size()) + 1);
      m_start.push_back(0);
      for (int32_t i = 0; i < lists.Size(); ++i) {
        const ContributorList list = lists[i];
        for (int32_t k = 0; k < list.Count; ++k) {
          const int64_t index = std::clamp<int64_t>(list.Entries[k].Pixel, 0, srcSize - 1);
          m_taps.push_back({index * offsetUnit, list.Entries[k].Weight});
        }
        m_start.push_back(m_taps.size());
      }
    } catch (const std::bad_alloc&) {
      throw EPixOutOfMemory();
    }
  }
  const TTap* Begin(int32_t i) const { return m_taps.data() + m_start[i]; }
  int32_t Count(int32_t i) const { return static_cast<int32_t>(m_start[i + 1] - m_start[i]); }

private:
  std::vector<TTap> m_taps;
  std::vector<size_t> m_start;
};

constexpr std::array<double, 256> MakeByteValues() {
  std::array<double, 256> v{};
  for (int i = 0; i < 256; ++i) v[i] = i;
  return v;
}

// Byte values as doubles, so the FPU multiplies straight from memory.
alignas(64) constexpr std::array<double, 256> kByteValue = MakeByteValues();

// sum + weight x byte: the product is exact in extended precision, the sum is
// rounded to extended and then to 64 bits, as every accumulation step must be.
inline double AddProduct(double sum, long double weight, uint8_t byte) {
  return static_cast<double>(static_cast<long double>(sum) + weight * static_cast<long double>(kByteValue[byte]));
}

// Accumulates kRows x kLanes independent sums with one contributor list. Lane c
// of row q reads base[tap offset + q x rowStep + c]. Keeping many independent
// sums in flight hides the latency of each rounded addition; the order of the
// additions within every single sum is that of the list, so nothing changes.
template <int kRows, int kLanes>
inline void Accumulate(double* sums, const TTap* taps, int32_t count, const uint8_t* base, int64_t rowStep) {
  for (int k = 0; k < kRows * kLanes; ++k) sums[k] = 0.0;
  for (int32_t t = 0; t < count; ++t) {
    const long double weight = taps[t].Weight;
    const uint8_t* p = base + taps[t].Offset;
#pragma GCC unroll 16
    for (int q = 0; q < kRows; ++q)
#pragma GCC unroll 16
      for (int c = 0; c < kLanes; ++c) sums[q * kLanes + c] = AddProduct(sums[q * kLanes + c], weight, p[q * rowStep + c]);
  }
}

// Every source row into the intermediate, kRows rows at a time sharing each list.
template <int kChannels, int kRows>
int32_t HorizontalRows(const TRows<const uint8_t>& src, const TRows<uint8_t>& mid, const TTapTable& taps,
                       int32_t y, const TProgressRecord& sink, int64_t steps) {
  double sums[kRows * kChannels];
  for (; y + kRows <= src.Height; y += kRows) {
    const uint8_t* in = src.Row(y);
    for (int32_t i = 0; i < mid.Width; ++i) {
      Accumulate<kRows, kChannels>(sums, taps.Begin(i), taps.Count(i), in, src.Step);
      for (int q = 0; q < kRows; ++q) {
        uint8_t* out = mid.Row(y + q) + static_cast<int64_t>(i) * kChannels;
        for (int c = 0; c < kChannels; ++c) out[c] = SumToByte(sums[q * kChannels + c]);
      }
    }
    for (int q = 1; q <= kRows; ++q) sink.ReportStep(y + q, steps);
  }
  return y;
}

template <int kChannels>
void HorizontalPass(const TRows<const uint8_t>& src, const TRows<uint8_t>& mid, const TTapTable& taps,
                    const TProgressRecord& sink, int64_t steps) {
  const int32_t done = HorizontalRows<kChannels, 12 / kChannels>(src, mid, taps, 0, sink, steps);
  HorizontalRows<kChannels, 1>(src, mid, taps, done, sink, steps);
}

// Destination columns c.. in strips of kPixels, each strip walking every
// destination row; the intermediate's rows are reached through the tap offsets.
template <int kChannels, int kPixels>
int32_t VerticalColumns(const TRows<const uint8_t>& mid, const TRows<uint8_t>& dst, const TTapTable& taps,
                        int32_t c, const TProgressRecord& sink, int64_t steps) {
  constexpr int kLanes = kChannels * kPixels;
  double sums[kLanes];
  for (; c + kPixels <= dst.Width; c += kPixels) {
    const uint8_t* in = mid.Top + static_cast<int64_t>(c) * kChannels;
    for (int32_t j = 0; j < dst.Height; ++j) {
      Accumulate<1, kLanes>(sums, taps.Begin(j), taps.Count(j), in, 0);
      uint8_t* out = dst.Row(j) + static_cast<int64_t>(c) * kChannels;
      for (int k = 0; k < kLanes; ++k) out[k] = SumToByte(sums[k]);
    }
    for (int k = 1; k <= kPixels; ++k) sink.ReportStep(static_cast<int64_t>(mid.Height) + c + k, steps);
  }
  return c;
}

template <int kChannels>
void VerticalPass(const TRows<const uint8_t>& mid, const TRows<uint8_t>& dst, const TTapTable& taps,
                  const TProgressRecord& sink, int64_t steps) {
  const int32_t done = VerticalColumns<kChannels, 12 / kChannels>(mid, dst, taps, 0, sink, steps);
  VerticalColumns<kChannels, 1>(mid, dst, taps, done, sink, steps);
}

template <int kChannels, typename Mid>
void RunPasses(const TRows<const uint8_t>& src, Mid& midImage, const TRows<uint8_t>& dst, const TFilterEntry& filter,
               const TProgressRecord& sink) {
  const TRows<uint8_t> mid = RowsOf(midImage);
  const TRows<const uint8_t> midIn{mid.Top, mid.Step, mid.Width, mid.Height};
  const int64_t steps = static_cast<int64_t>(dst.Width) + src.Height;
  {
    const TTapTable taps(TContributorLists(src.Width, dst.Width, filter), src.Width, kChannels);
    HorizontalPass<kChannels>(src, mid, taps, sink, steps);
  }
  const TTapTable taps(TContributorLists(src.Height, dst.Height, filter), src.Height, mid.Step);
  VerticalPass<kChannels>(midIn, dst, taps, sink, steps);
}

}  // namespace

uint8_t SumToByte(double sum) {
  if (sum > 255) return 255;
  if (sum < 0) return 0;
#if defined(__x86_64__)
  // The conversion rounds by the current mode, nearest-even, as nearbyint does.
  return static_cast<uint8_t>(_mm_cvtsd_si32(_mm_set_sd(sum)));
#else
  return static_cast<uint8_t>(std::nearbyint(sum));
#endif
}

void ResampleFiltered(const TBitmap& source, TBitmap& dest, TResampleFilter filter,
                      const TProgressRecord& progress) {
  if (source.PixelFormat() != TPixelFormat::TrueColor) return;
  if (!FilterableSize(source.Width(), source.Height())) return;
  const TFilterEntry* entry = FilterEntryOf(filter);
  if (!entry) return;
  TBitmap mid(dest.Width(), source.Height(), TPixelFormat::TrueColor);
  if (dest.PixelFormat() != TPixelFormat::TrueColor) dest.SetPixelFormat(TPixelFormat::TrueColor);
  RunPasses<3>(RowsOf(source), mid, RowsOf(dest), *entry, progress);
}

void ResampleAlphaPlane(const TPixMask& source, TPixMask& dest, TResampleFilter filter) {
  if (source.BitsPerPixel() != 8 || dest.BitsPerPixel() != 8) return;
  if (!FilterableSize(source.Width(), source.Height())) return;
  const TFilterEntry* entry = FilterEntryOf(filter);
  if (!entry) return;
  TPixMask mid(dest.Width(), source.Height(), 8);
  RunPasses<1>(RowsOf(source), mid, RowsOf(dest), *entry, TProgressRecord{});
}

}  // namespace pix
