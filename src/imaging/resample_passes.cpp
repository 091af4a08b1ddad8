#include "imaging/resample_passes.h"

#include <algorithm>
#include <array>
#include <atomic>

#include "imaging/imaging_threads.h"
#include "imaging/resample.h"
#include "imaging/resample_fma.h"

namespace pix {

namespace {

std::atomic<bool> g_plainForced{false};

constexpr std::array<double, 256> MakeByteValues() {
  std::array<double, 256> v{};
  for (size_t i = 0; i < 256; ++i) v[i] = static_cast<double>(i);
  return v;
}

// Byte values as doubles, so the FPU multiplies straight from memory.
alignas(64) constexpr std::array<double, 256> kByteValue = MakeByteValues();

// sum + weight x byte: the product is exact in extended precision, the sum is
// rounded to extended and then to 64 bits, as every accumulation step must be.
inline double AddProduct(double sum, long double weight, uint8_t byte) {
  return static_cast<double>(static_cast<long double>(sum) + weight * static_cast<long double>(kByteValue[byte]));
}

// Accumulates kRows x kLanes independent sums with one list. Lane c of row q
// reads base[index x unit + q x rowStep + c]. Keeping many independent sums in
// flight hides the latency of each rounded addition; the order of the
// additions within every single sum is that of the list, so nothing changes.
template <int kRows, int kLanes>
inline void Accumulate(double* sums, const TTapLists& taps, int32_t list, const uint8_t* base, int64_t unit,
                       int64_t rowStep) {
  const int32_t* index = taps.Index(list);
  const double* weight = taps.Weight(list);
  const int32_t count = taps.Count(list);
  for (int k = 0; k < kRows * kLanes; ++k) sums[k] = 0.0;
  for (int32_t t = 0; t < count; ++t) {
    const long double w = weight[t];
    const uint8_t* p = base + index[t] * unit;
#pragma GCC unroll 16
    for (int q = 0; q < kRows; ++q)
#pragma GCC unroll 16
      for (int c = 0; c < kLanes; ++c) sums[q * kLanes + c] = AddProduct(sums[q * kLanes + c], w, p[q * rowStep + c]);
  }
}

// Rows y .. end - 1 of the horizontal pass, kRows rows at a time sharing each
// list; returns the first row not done.
template <int kChannels, int kRows>
int32_t PlainRows(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, const TTapLists& taps, int32_t y,
                  int32_t end) {
  double sums[kRows * kChannels];
  for (; y + kRows <= end; y += kRows) {
    const uint8_t* in = src.Row(y);
    for (int32_t i = 0; i < dst.Width; ++i) {
      Accumulate<kRows, kChannels>(sums, taps, i, in, kChannels, src.Step);
      for (int q = 0; q < kRows; ++q) {
        uint8_t* out = dst.Row(y + q) + static_cast<int64_t>(i) * kChannels;
        for (int c = 0; c < kChannels; ++c) out[c] = SumToByte(sums[q * kChannels + c]);
      }
    }
  }
  return y;
}

template <int kChannels>
void PlainRowRange(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, const TTapLists& taps, int32_t y0,
                   int32_t y1) {
  const int32_t done = PlainRows<kChannels, 12 / kChannels>(src, dst, taps, y0, y1);
  PlainRows<kChannels, 1>(src, dst, taps, done, y1);
}

// Destination columns c .. end - 1 in strips of kPixels, each strip walking
// every destination row; the source rows are reached through the list indices.
template <int kChannels, int kPixels>
int32_t PlainColumns(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, const TTapLists& taps, int32_t c,
                     int32_t end) {
  constexpr int kLanes = kChannels * kPixels;
  double sums[kLanes];
  for (; c + kPixels <= end; c += kPixels) {
    const uint8_t* in = src.Top + static_cast<int64_t>(c) * kChannels;
    for (int32_t j = 0; j < dst.Height; ++j) {
      Accumulate<1, kLanes>(sums, taps, j, in, src.Step, 0);
      uint8_t* out = dst.Row(j) + static_cast<int64_t>(c) * kChannels;
      for (int k = 0; k < kLanes; ++k) out[k] = SumToByte(sums[k]);
    }
  }
  return c;
}

template <int kChannels>
void PlainColumnRange(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, const TTapLists& taps, int32_t x0,
                      int32_t x1) {
  const int32_t done = PlainColumns<kChannels, 12 / kChannels>(src, dst, taps, x0, x1);
  PlainColumns<kChannels, 1>(src, dst, taps, done, x1);
}

bool UseFma() { return !g_plainForced.load(std::memory_order_relaxed) && FmaKernelsAvailable(); }

// Rows or columns per task: a multiple of every band and group height, small
// enough to report progress often and to share the work evenly.
constexpr int32_t kRowsPerTask = 48;
constexpr int32_t kColumnsPerTask = 64;

// Runs range(first, last) over [0, size) in tasks of perTask, reporting one
// progress step per unit done, in order, from the calling thread.
template <typename Range>
void RunInTasks(int32_t size, int32_t perTask, const TPassProgress& progress, const Range& range) {
  if (size <= 0) return;
  const int64_t tasks = (static_cast<int64_t>(size) + perTask - 1) / perTask;
  std::atomic<int64_t> done{0};
  int64_t reported = 0;
  const bool reporting = progress.Sink && progress.Sink->HasHandler();
  RunImagingTasks(
      tasks,
      [&](int64_t t) {
        const auto first = static_cast<int32_t>(t * perTask);
        const int32_t last = std::min(size, first + perTask);
        range(first, last);
        done.fetch_add(last - first);
      },
      [&] {
        if (!reporting) return;
        const int64_t now = done.load();
        for (; reported < now; ++reported) progress.Sink->ReportStep(progress.Before + reported + 1, progress.Total);
      });
}

}  // namespace

bool FmaResamplingSupported() { return FmaKernelsAvailable(); }

bool PlainResamplingForced() { return g_plainForced.load(); }

void ForcePlainResampling(bool on) { g_plainForced.store(on); }

void ResampleRows(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, int channels, const TTapLists& taps,
                  const TPassProgress& progress) {
  const bool fma = UseFma();
  RunInTasks(src.Height, kRowsPerTask, progress, [&](int32_t y0, int32_t y1) {
    if (dst.Width <= 0) return;
    if (fma)
      FmaResampleRows(src, dst, channels, taps, y0, y1);
    else if (channels == 3)
      PlainRowRange<3>(src, dst, taps, y0, y1);
    else
      PlainRowRange<1>(src, dst, taps, y0, y1);
  });
}

void ResampleColumns(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, int channels, const TTapLists& taps,
                     const TPassProgress& progress) {
  const bool fma = UseFma();
  RunInTasks(src.Width, kColumnsPerTask, progress, [&](int32_t x0, int32_t x1) {
    if (dst.Height <= 0) return;
    if (fma)
      FmaResampleColumns(src, dst, channels, taps, x0, x1);
    else if (channels == 3)
      PlainColumnRange<3>(src, dst, taps, x0, x1);
    else
      PlainColumnRange<1>(src, dst, taps, x0, x1);
  });
}

}  // namespace pix
