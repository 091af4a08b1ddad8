// The vector engine, the plain engine and any thread count must give the same
// bytes as the reference sums: on random pictures with every filter, and on
// weights built so that sums fall next to the half-integers where a plain
// fused multiply-add chain rounds to another byte.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "imaging/imaging_threads.h"
#include "imaging/resample.h"
#include "imaging/resample_passes.h"
#include "proc_test_images.h"
#include "support/test_support.h"

using namespace pix;

namespace {

using Lists = std::vector<std::vector<std::pair<int32_t, double>>>;

// A byte matrix with rows from the top.
struct Grid {
  int32_t width = 0, height = 0, channels = 1;
  std::vector<uint8_t> bytes;
  Grid(int32_t w, int32_t h, int c) : width(w), height(h), channels(c), bytes(static_cast<size_t>(w) * h * c) {}
  uint8_t& At(int32_t x, int32_t y, int c) { return bytes[(static_cast<size_t>(y) * width + x) * channels + c]; }
  TRows<uint8_t> Rows() { return {bytes.data(), static_cast<int64_t>(width) * channels, width, height}; }
};

// The reference: extended sum rounded to 64 bits after every addition.
double RefSum(const std::vector<std::pair<int32_t, double>>& list, const std::function<uint8_t(int32_t)>& byteAt) {
  double sum = 0;
  for (const auto& [index, weight] : list)
    sum = static_cast<double>(static_cast<long double>(sum) + static_cast<long double>(weight) * byteAt(index));
  return sum;
}

// The same sum as one unguarded fused multiply-add chain.
double FmaSum(const std::vector<std::pair<int32_t, double>>& list, const std::function<uint8_t(int32_t)>& byteAt) {
  double sum = 0;
  for (const auto& [index, weight] : list) sum = std::fma(weight, static_cast<double>(byteAt(index)), sum);
  return sum;
}

// Runs body once per engine the machine has and per thread count.
void ForEachEngine(const std::function<void(const std::string&)>& body) {
  for (bool plain : {true, false}) {
    if (!plain && !FmaResamplingSupported()) continue;
    pixtest::ScopedSetting<bool> engine(PlainResamplingForced, ForcePlainResampling, plain);
    for (int threads : {1, 3}) {
      pixtest::ScopedSetting<int> count(ImagingThreads, SetImagingThreads, threads);
      body(std::string(plain ? "plain" : "vector") + " engine, " + std::to_string(threads) + " threads");
    }
  }
}

// Weights for list d whose first two taps, over bytes 1 and 1, add up to just
// beside the half-integer k + 1/2 (k = 1 + d mod 253): the exact sum lies a
// quarter of an extended unit off the midpoint between two doubles, so the
// extended sum rounds to the midpoint and from there, ties to even, onto
// k + 1/2 itself, while a single rounding lands on the double beside it. Odd
// lists come from above, even ones from below, so both roundings of the
// half-integer are met. Further taps read bytes that are 0 in those lanes.
Lists NearHalfLists(int32_t count, int32_t extraTaps, int32_t sources, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> any(-0.3, 0.6);
  Lists lists(count);
  for (int32_t d = 0; d < count; ++d) {
    const double t = 1 + d % 253 + 0.5;
    const double ulp = std::ldexp(1.0, std::ilogb(t) - 52);
    const double tiny = ulp * 0x1p-13;
    const bool above = d % 2 == 1;
    lists[d].push_back({0, above ? t + ulp : t - ulp});
    lists[d].push_back({1, above ? -(ulp / 2 - tiny) : ulp / 2 - tiny});
    for (int32_t k = 0; k < extraTaps; ++k) lists[d].push_back({2 + static_cast<int32_t>(rng() % (sources - 2)), any(rng)});
  }
  return lists;
}

}  // namespace

TEST(ResampleEngines, BoundCoversTheSumsMagnitude) {
  // 255 x 1 with its head-room needs 2^9: u = 2^-44, two taps give 2^-42.
  EXPECT_EQ(TTapLists::BoundFor(2, 1.0), 0x1p-42);
  EXPECT_EQ(TTapLists::BoundFor(67, 0.06), 2 * 67 * 0x1p-48);
  EXPECT_EQ(TTapLists::BoundFor(0, 0.0), 0.0);
}

TEST(ResampleEngines, TheKnownCaseNeedsTheGuard) {
  // 127.5 - 2^-46 and 2^-47 - 2^-59 over bytes 1 and 1: extended 128, one FMA chain 127.
  const std::vector<std::pair<int32_t, double>> list = {{0, 127.5 - 0x1p-46}, {1, 0x1p-47 - 0x1p-59}};
  const auto ones = [](int32_t) -> uint8_t { return 1; };
  ASSERT_EQ(SumToByte(RefSum(list, ones)), 128);
  ASSERT_EQ(SumToByte(FmaSum(list, ones)), 127);
  Grid src(16, 2, 1), dst(16, 1, 1);
  std::fill(src.bytes.begin(), src.bytes.end(), 1);
  ForEachEngine([&](const std::string& how) {
    ResampleColumns(AsConst(src.Rows()), dst.Rows(), 1, TTapLists(Lists{list}));
    for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(dst.At(x, 0, 0), 128) << how << ", lane " << x;
  });
}

TEST(ResampleEngines, SumsBesideHalfIntegersGiveTheReferenceBytesInBothPasses) {
  // Vertical pass: lanes are the bytes of a row; every third lane reads 1, 1
  // and then zeros, the others random bytes.
  constexpr int32_t kSources = 12, kLanes = 53, kDest = 40;
  Grid column(kLanes, kSources, 1);
  std::mt19937 rng(5);
  for (int32_t y = 0; y < kSources; ++y)
    for (int32_t x = 0; x < kLanes; ++x)
      column.At(x, y, 0) = x % 3 == 0 ? (y < 2 ? 1 : 0) : static_cast<uint8_t>(rng());
  const Lists lists = NearHalfLists(kDest, 5, kSources, 9);
  Grid want(kLanes, kDest, 1);
  int unguardedMisses = 0;
  for (int32_t j = 0; j < kDest; ++j)
    for (int32_t x = 0; x < kLanes; ++x) {
      const auto byteAt = [&](int32_t y) { return column.At(x, y, 0); };
      want.At(x, j, 0) = SumToByte(RefSum(lists[j], byteAt));
      unguardedMisses += SumToByte(FmaSum(lists[j], byteAt)) != want.At(x, j, 0);
    }
  EXPECT_GT(unguardedMisses, 100);  // the data does reach the bytes a plain FMA chain gets wrong
  const TTapLists taps(lists);
  ForEachEngine([&](const std::string& how) {
    Grid got(kLanes, kDest, 1);
    ResampleColumns(AsConst(column.Rows()), got.Rows(), 1, taps);
    EXPECT_EQ(got.bytes, want.bytes) << how;
  });

  // Horizontal pass over 3-channel pixels: 7 rows (a partial band), lanes are
  // row and channel; even rows read 1, 1 and then zeros.
  Grid row(kSources, 7, 3);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < kSources; ++x)
      for (int c = 0; c < 3; ++c) row.At(x, y, c) = y % 2 == 0 ? (x < 2 ? 1 : 0) : static_cast<uint8_t>(rng());
  Grid wantRows(kDest, 7, 3);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t i = 0; i < kDest; ++i)
      for (int c = 0; c < 3; ++c)
        wantRows.At(i, y, c) = SumToByte(RefSum(lists[i], [&](int32_t x) { return row.At(x, y, c); }));
  ForEachEngine([&](const std::string& how) {
    Grid got(kDest, 7, 3);
    ResampleRows(AsConst(row.Rows()), got.Rows(), 3, taps);
    EXPECT_EQ(got.bytes, wantRows.bytes) << how;
  });
}

TEST(ResampleEngines, RandomPicturesGiveTheSameBytesOnEveryEngineAndThreadCount) {
  struct Size {
    int32_t sw, sh, dw, dh;
  };
  const Size sizes[] = {{203, 157, 17, 101}, {13, 9, 60, 47}, {2, 1, 5, 3}, {1, 9, 4, 2}, {97, 3, 96, 5}, {70, 70, 70, 70}};
  const TResampleFilter filters[] = {rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell};
  uint32_t seed = 300;
  for (TResampleFilter filter : filters)
    for (const Size& s : sizes) {
      TBitmap src;
      proctest::MakeRandom(src, s.sw, s.sh, ++seed);
      TPixMask plane(s.sw, s.sh, 8);
      for (int32_t y = 0; y < s.sh; ++y)
        for (int32_t x = 0; x < s.sw; ++x) plane.SetPixel(x, y, static_cast<uint8_t>(src.ScanLine(y)[3 * x] ^ y));
      TBitmap want(s.dw, s.dh);
      TPixMask wantPlane(s.dw, s.dh, 8);
      {
        pixtest::ScopedSetting<bool> engine(PlainResamplingForced, ForcePlainResampling, true);
        ResampleFiltered(src, want, filter, {});
        ResampleAlphaPlane(plane, wantPlane, filter);
      }
      ForEachEngine([&](const std::string& how) {
        TBitmap got(s.dw, s.dh);
        ResampleFiltered(src, got, filter, {});
        ASSERT_TRUE(proctest::SameImage(got, want)) << how << ", filter " << filter << ", " << s.sw << "x" << s.sh;
        TPixMask gotPlane(s.dw, s.dh, 8);
        ResampleAlphaPlane(plane, gotPlane, filter);
        for (int32_t y = 0; y < s.dh; ++y)
          ASSERT_EQ(0, std::memcmp(gotPlane.ScanLine(y), wantPlane.ScanLine(y), static_cast<size_t>(s.dw))) << how;
      });
    }
}

TEST(ResampleEngines, ProgressStepsInOrderOnSeveralThreads) {
  pixtest::ScopedSetting<int> threads(ImagingThreads, SetImagingThreads, 3);
  TBitmap src, dst(7, 5);
  proctest::MakeRandom(src, 300, 200, 4);
  std::vector<int> seen;
  ResampleFiltered(src, dst, rfMitchell, proctest::Recorder(seen));
  ASSERT_EQ(seen.size(), 207u);  // 200 source rows, then 7 destination columns
  for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], ProgressPercent(static_cast<int64_t>(i) + 1, 207));
}
