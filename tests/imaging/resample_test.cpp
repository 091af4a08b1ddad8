#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/pix_image_proc.h"
#include "imaging/pix_view.h"
#include "imaging/resample.h"
#include "imaging/resample_contributors.h"
#include "imaging/resample_kernels.h"
#include "imaging/resample_passes.h"
#include "imaging/stretch_plain.h"
#include "proc_test_images.h"
#include "support/test_support.h"

using namespace pix;
using proctest::PixelOf;
using proctest::SetPixel;
using proctest::Recorder;
using proctest::Triple;
using proctest::ViewRig;

namespace {

constexpr TResampleFilter kFilters[] = {rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell};

// A plain scalar model of the filtered engine, written straight from its
// definition: lists of (mirrored index, weight), sums in extended precision
// rounded to 64 bits after every addition, bytes rounded half to even.
struct RefList {
  std::vector<std::pair<int64_t, double>> entries;
};

std::vector<RefList> RefLists(int32_t src, int32_t dst, TResampleFilter filter) {
  const TFilterEntry& f = *FilterEntryOf(filter);
  std::vector<RefList> lists(dst);
  const double scale = static_cast<double>(static_cast<long double>(dst) / src);
  for (int32_t i = 0; i < dst; ++i) {
    const double center = static_cast<double>(i / static_cast<long double>(scale));
    double w = f.Support, fscale = 1;
    if (scale < 1) {
      w = static_cast<double>(f.Support / static_cast<long double>(scale));
      fscale = static_cast<double>(1 / static_cast<long double>(scale));
    }
    const auto left = static_cast<int64_t>(std::floor(static_cast<long double>(center) - w));
    const auto right = static_cast<int64_t>(std::ceil(static_cast<long double>(center) + w));
    for (int64_t j = left; j <= right; ++j) {
      double weight;
      if (scale < 1)
        weight = static_cast<double>(
            f.Kernel(static_cast<double>((static_cast<long double>(center) - j) / fscale)) / static_cast<long double>(fscale));
      else
        weight = f.Kernel(static_cast<double>(static_cast<long double>(center) - j));
      if (weight == 0) continue;
      const int64_t m = j < 0 ? -j : (j >= src ? 2 * int64_t{src} - 1 - j : j);
      lists[i].entries.push_back({m, weight});
    }
  }
  return lists;
}

uint8_t RefByte(double s) { return s > 255 ? 255 : (s < 0 ? 0 : static_cast<uint8_t>(std::nearbyint(s))); }

double RefSum(const RefList& list, int64_t limit, const std::function<uint8_t(int64_t)>& read) {
  double sum = 0;
  for (const auto& [index, weight] : list.entries) {
    const int64_t k = std::min<int64_t>(std::max<int64_t>(index, 0), limit - 1);
    sum = static_cast<double>(static_cast<long double>(sum) + static_cast<long double>(weight) * read(k));
  }
  return sum;
}

// Channel-interleaved planes, rows from the top.
using Plane = std::vector<std::vector<uint8_t>>;

Plane RefResample(const Plane& src, int channels, int32_t dw, int32_t dh, TResampleFilter filter) {
  const int32_t sh = static_cast<int32_t>(src.size());
  const int32_t sw = static_cast<int32_t>(src[0].size()) / channels;
  Plane mid(sh, std::vector<uint8_t>(static_cast<size_t>(dw) * channels));
  const auto hl = RefLists(sw, dw, filter);
  for (int32_t y = 0; y < sh; ++y)
    for (int32_t i = 0; i < dw; ++i)
      for (int c = 0; c < channels; ++c)
        mid[y][i * channels + c] = RefByte(RefSum(hl[i], sw, [&](int64_t k) { return src[y][k * channels + c]; }));
  Plane out(dh, std::vector<uint8_t>(static_cast<size_t>(dw) * channels));
  const auto vl = RefLists(sh, dh, filter);
  for (int32_t x = 0; x < dw; ++x)
    for (int32_t j = 0; j < dh; ++j)
      for (int c = 0; c < channels; ++c)
        out[j][x * channels + c] = RefByte(RefSum(vl[j], sh, [&](int64_t k) { return mid[k][x * channels + c]; }));
  return out;
}

Plane PlaneOf(const TBitmap& bmp) {
  Plane p(bmp.Height());
  for (int32_t y = 0; y < bmp.Height(); ++y) p[y].assign(bmp.ScanLine(y), bmp.ScanLine(y) + 3 * bmp.Width());
  return p;
}

Plane PlaneOf(const TPixMask& mask) {
  Plane p(mask.Height());
  for (int32_t y = 0; y < mask.Height(); ++y) p[y].assign(mask.ScanLine(y), mask.ScanLine(y) + mask.Width());
  return p;
}

// Equal planes, or where the first difference is and how many bytes differ.
::testing::AssertionResult SamePlane(const Plane& got, const Plane& want) {
  if (got.size() != want.size()) return ::testing::AssertionFailure() << "heights differ";
  int64_t differing = 0;
  std::string first;
  for (size_t y = 0; y < got.size(); ++y) {
    if (got[y].size() != want[y].size()) return ::testing::AssertionFailure() << "widths differ";
    for (size_t i = 0; i < got[y].size(); ++i)
      if (got[y][i] != want[y][i] && differing++ == 0)
        first = "row " + std::to_string(y) + " byte " + std::to_string(i) + ": " + std::to_string(got[y][i]) +
                " instead of " + std::to_string(want[y][i]);
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " bytes differ, first at " << first;
}

}  // namespace

TEST(ResampleKernels, ReferenceValues) {
  EXPECT_EQ(MitchellFilter(0), 8.0 / 9.0);
  EXPECT_EQ(MitchellFilter(1), 1.0 / 18.0);
  EXPECT_EQ(MitchellFilter(-1), 1.0 / 18.0);
  EXPECT_EQ(MitchellFilter(2), 0.0);
  EXPECT_EQ(MitchellFilter(1.5), MitchellFilter(-1.5));
  EXPECT_NEAR(MitchellFilter(1.5), -0.0347222222222222, 1e-15);  // the negative lobe
  EXPECT_EQ(TriangleFilter(0.25), 0.75);
  EXPECT_EQ(TriangleFilter(1), 0.0);
  EXPECT_EQ(HermiteFilter(0.5), 0.5);
  EXPECT_EQ(BellFilter(0), 0.75);
  EXPECT_EQ(BellFilter(1), 0.125);
  EXPECT_EQ(BellFilter(1.5), 0.0);
  EXPECT_EQ(BSplineFilter(0), 2.0 / 3.0);
  EXPECT_EQ(BSplineFilter(1), 1.0 / 6.0);
  EXPECT_EQ(BSplineFilter(2), 0.0);
  EXPECT_EQ(Lanczos3Filter(0), 1.0);
  EXPECT_NEAR(Lanczos3Filter(0.5), 0.6079271018540267, 1e-15);
  EXPECT_NEAR(Lanczos3Filter(1), 0.0, 1e-16);
  EXPECT_EQ(Lanczos3Filter(3), 0.0);
  EXPECT_EQ(FilterEntryOf(rfNone), nullptr);
  EXPECT_EQ(FilterEntryOf(static_cast<TResampleFilter>(7)), nullptr);
  EXPECT_EQ(FilterEntryOf(rfLanczos3)->Support, 3.0);
}

TEST(ResampleContributors, SameSizeListsMirrorAtTheEdges) {
  const TContributorLists lists(4, 4, *FilterEntryOf(rfMitchell));
  ASSERT_EQ(lists.Size(), 4);
  const ContributorList first = lists[0];
  ASSERT_EQ(first.Count, 3);  // the zero weights at distance 2 are not stored
  EXPECT_EQ(first.Entries[0].Pixel, 1);
  EXPECT_EQ(first.Entries[0].Weight, 1.0 / 18.0);
  EXPECT_EQ(first.Entries[1].Pixel, 0);
  EXPECT_EQ(first.Entries[1].Weight, 8.0 / 9.0);
  EXPECT_EQ(first.Entries[2].Pixel, 1);
  const ContributorList last = lists[3];
  ASSERT_EQ(last.Count, 3);
  EXPECT_EQ(last.Entries[2].Pixel, 3);  // index 4 mirrors to 2 x 4 - 1 - 4
}

TEST(ResampleContributors, ShrinkWidensAndScalesTheKernel) {
  const TContributorLists lists(8, 4, *FilterEntryOf(rfTriangle));
  const ContributorList l = lists[1];  // centre on source pixel 2
  ASSERT_EQ(l.Count, 3);
  EXPECT_EQ(l.Entries[0].Pixel, 1);
  EXPECT_EQ(l.Entries[0].Weight, 0.25);
  EXPECT_EQ(l.Entries[1].Weight, 0.5);
  EXPECT_EQ(l.Entries[2].Pixel, 3);
}

TEST(ResampleFiltered, WhiteLineSoftensTo227And14) {
  TBitmap src(8, 8), dst(8, 8);
  for (int32_t y = 0; y < 8; ++y) SetPixel(src, 3, y, {255, 255, 255});
  ResampleFiltered(src, dst, rfMitchell, {});
  const uint8_t expectedRow[8] = {0, 0, 14, 227, 14, 0, 0, 0};
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x)
      ASSERT_EQ(PixelOf(dst, x, y), (Triple{expectedRow[x], expectedRow[x], expectedRow[x]})) << x << "," << y;
}

TEST(ResampleFiltered, MatchesTheScalarModelForEveryFilter) {
  struct Size {
    int32_t sw, sh, dw, dh;
  };
  const Size sizes[] = {{61, 47, 17, 11}, {13, 9, 40, 31}, {50, 7, 23, 19}, {2, 1, 5, 3},
                        {1, 9, 4, 2},     {97, 3, 96, 5},  {5, 30, 1, 1},  {24, 24, 24, 24}};
  for (bool plain : {true, false}) {
    if (!plain && !FmaResamplingSupported()) continue;
    pixtest::ScopedSetting<bool> engine(PlainResamplingForced, ForcePlainResampling, plain);
    uint32_t seed = 100;
    for (TResampleFilter filter : kFilters)
      for (const Size& s : sizes) {
        TBitmap src, dst(s.dw, s.dh);
        proctest::MakeRandom(src, s.sw, s.sh, ++seed);
        ResampleFiltered(src, dst, filter, {});
        ASSERT_TRUE(SamePlane(PlaneOf(dst), RefResample(PlaneOf(src), 3, s.dw, s.dh, filter)))
            << (plain ? "plain" : "vector") << " engine, filter " << filter << " " << s.sw << "x" << s.sh << " -> "
            << s.dw << "x" << s.dh;
      }
  }
}

TEST(ResampleFiltered, MatchesTheScalarModelOnAPhotoSizedShrink) {
  // Large enough that plain double sums, or a fused multiply-add, would
  // disagree with the model on some bytes.
  TBitmap src, dst(240, 320);
  proctest::MakeRandom(src, 480, 640, 77);
  ResampleFiltered(src, dst, rfMitchell, {});
  EXPECT_TRUE(SamePlane(PlaneOf(dst), RefResample(PlaneOf(src), 3, 240, 320, rfMitchell)));
}

TEST(ResampleFiltered, AlphaPlaneMatchesTheScalarModel) {
  TPixMask src(29, 14, 8), dst(9, 20, 8);
  for (int32_t y = 0; y < 14; ++y)
    for (int32_t x = 0; x < 29; ++x) src.SetPixel(x, y, static_cast<uint8_t>((x * 37 + y * 91) ^ (x * y)));
  ResampleAlphaPlane(src, dst, rfTriangle);
  EXPECT_TRUE(SamePlane(PlaneOf(dst), RefResample(PlaneOf(src), 1, 9, 20, rfTriangle)));
  EXPECT_TRUE(dst.IsEmpty());  // data only: the box is not maintained
  EXPECT_FALSE(dst.Full());
}

TEST(ResampleFiltered, UniformImageStaysUniformUnderAMitchellShrink) {
  TBitmap src(400, 300), dst(24, 18);
  for (int32_t y = 0; y < 300; ++y)
    for (int32_t x = 0; x < 400; ++x) SetPixel(src, x, y, {10, 128, 250});
  ResampleFiltered(src, dst, rfMitchell, {});
  for (int32_t y = 0; y < 18; ++y)
    for (int32_t x = 0; x < 24; ++x) ASSERT_EQ(PixelOf(dst, x, y), (Triple{10, 128, 250})) << x << "," << y;
}

TEST(ResampleFiltered, SumsAreClampedAndRoundedHalfToEven) {
  EXPECT_EQ(SumToByte(255.7), 255);
  EXPECT_EQ(SumToByte(1e300), 255);
  EXPECT_EQ(SumToByte(-0.2), 0);
  EXPECT_EQ(SumToByte(-300), 0);
  EXPECT_EQ(SumToByte(2.5), 2);
  EXPECT_EQ(SumToByte(3.5), 4);
  EXPECT_EQ(SumToByte(254.5), 254);
  EXPECT_EQ(SumToByte(254.50001), 255);
  // A hard edge enlarged with Lanczos3 overshoots on both sides; the bytes
  // there clamp instead of wrapping.
  TBitmap src(6, 2), dst(18, 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 3; x < 6; ++x) SetPixel(src, x, y, {255, 255, 255});
  ResampleFiltered(src, dst, rfLanczos3, {});
  const auto lists = RefLists(6, 18, rfLanczos3);
  const auto rawSum = [&](int32_t x) {
    return RefSum(lists[x], 6, [&](int64_t k) { return PixelOf(src, static_cast<int32_t>(k), 0)[0]; });
  };
  EXPECT_LT(rawSum(5), 0.0);
  EXPECT_EQ(PixelOf(dst, 5, 0)[0], 0);
  EXPECT_GT(rawSum(10), 255.0);
  EXPECT_EQ(PixelOf(dst, 10, 0)[0], 255);
}

TEST(ResampleFiltered, TooSmallOrForeignSourcesAreNotWritten) {
  TBitmap one(1, 1), dst(3, 3);
  SetPixel(one, 0, 0, {9, 9, 9});
  ResampleFiltered(one, dst, rfMitchell, {});
  EXPECT_EQ(PixelOf(dst, 1, 1), (Triple{0, 0, 0}));
  TBitmap bw(8, 8, TPixelFormat::Bilevel);
  ResampleFiltered(bw, dst, rfMitchell, {});
  EXPECT_EQ(PixelOf(dst, 1, 1), (Triple{0, 0, 0}));
  TBitmap two(2, 1);  // both sides below 2 is needed to skip, so 2 x 1 filters
  SetPixel(two, 0, 0, {90, 90, 90});
  SetPixel(two, 1, 0, {90, 90, 90});
  ResampleFiltered(two, dst, rfTriangle, {});
  EXPECT_EQ(PixelOf(dst, 1, 1), (Triple{90, 90, 90}));
}

TEST(ResampleFiltered, ProgressCountsRowsThenColumns) {
  TBitmap src(10, 6), dst(4, 3);
  std::vector<int> seen;
  ResampleFiltered(src, dst, rfMitchell, Recorder(seen));
  ASSERT_EQ(seen.size(), 10u);  // 6 source rows, 4 destination columns
  EXPECT_EQ(seen.front(), 9);   // 100 / 10.5
  EXPECT_EQ(seen.back(), 95);   // 1000 / 10.5
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i], seen[i - 1]);
}

TEST(ResampleToSize, AspectRuleTruncates) {
  EXPECT_EQ(AspectSide(1200, 240, 1600), 180);
  EXPECT_EQ(AspectSide(1600, 240, 1200), 320);
  EXPECT_EQ(AspectSide(333, 100, 1000), 33);
  EXPECT_EQ(AspectSide(1000, 320, 3000), 106);
  EXPECT_EQ(AspectSide(5, 7, 0), 0);                   // empty image: no division by zero
  EXPECT_EQ(AspectSide(60000, 60000, 1), INT32_MAX);   // saturates instead of wrapping
  ViewRig rig(1000, 3000);
  rig.proc.ResampleToSize(-1, 320, rfMitchell);
  EXPECT_EQ(rig.Image().Width(), 106);
  EXPECT_EQ(rig.Image().Height(), 320);
}

TEST(ResampleToSize, FrameKeepsIdentityAndSnapshotsThePriorImage) {
  ViewRig rig(160, 120, 3);
  TBitmap* identity = &rig.Image();
  TBitmap before;
  CopyImage(rig.Image(), before);
  rig.proc.ResampleToSize(24, -1, rfMitchell);
  EXPECT_EQ(rig.view.CurrentBitmap(), identity);
  EXPECT_EQ(rig.Image().Width(), 24);
  EXPECT_EQ(rig.Image().Height(), 18);
  EXPECT_TRUE(proctest::SameImage(rig.proc.UndoBitmap(), before));
  EXPECT_EQ(rig.changes, 1);
  TBitmap expected(24, 18);
  ResampleFiltered(before, expected, rfMitchell, {});
  EXPECT_TRUE(proctest::SameImage(rig.Image(), expected));
}

TEST(ResampleToSize, BothSidesNegativeOnlyReplacesTheSnapshot) {
  ViewRig rig(12, 8, 4);
  TBitmap before;
  CopyImage(rig.Image(), before);
  rig.proc.ResampleToSize(-1, -5, rfMitchell);
  EXPECT_TRUE(proctest::SameImage(rig.Image(), before));
  EXPECT_TRUE(proctest::SameImage(rig.proc.UndoBitmap(), before));
  EXPECT_EQ(rig.changes, 0);
}

TEST(ResampleToSize, ZeroSideLeavesOneByOne) {
  ViewRig rig(12, 8, 4);
  rig.proc.ResampleToSize(0, -1, rfMitchell);
  EXPECT_EQ(rig.Image().Width(), 1);
  EXPECT_EQ(rig.Image().Height(), 1);
}

TEST(ResampleToSize, BilevelAndUnfilteredImagesAreStretchedPlainly) {
  ViewRig bw(16, 8, 5, TPixelFormat::Bilevel);
  TBitmap before;
  CopyImage(bw.Image(), before);
  bw.proc.ResampleToSize(32, 16, rfMitchell);
  ASSERT_EQ(bw.Image().PixelFormat(), TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 32; ++x) ASSERT_EQ(proctest::BitOf(bw.Image(), x, y), proctest::BitOf(before, x / 2, y / 2));
  ViewRig rgb(9, 6, 6);
  CopyImage(rgb.Image(), before);
  rgb.proc.ResampleToSize(9, 6, rfNone);  // plain stretch to the same size is a copy
  EXPECT_TRUE(proctest::SameImage(rgb.Image(), before));
  rgb.proc.ResampleToSize(3, 2, rfNone);  // shrink by 3: the middle pixel of each block
  ASSERT_EQ(rgb.Image().PixelFormat(), TPixelFormat::TrueColor);
  EXPECT_EQ(PixelOf(rgb.Image(), 0, 0), PixelOf(before, 1, 1));
  EXPECT_EQ(PixelOf(rgb.Image(), 2, 1), PixelOf(before, 7, 4));
}

TEST(ResampleToSize, SinglePixelGrowsIntoItsOwnColour) {
  ViewRig rig(1, 1);
  SetPixel(rig.Image(), 0, 0, {40, 50, 60});
  rig.proc.ResampleToSize(5, 4, rfMitchell);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 5; ++x) ASSERT_EQ(PixelOf(rig.Image(), x, y), (Triple{40, 50, 60}));
}

TEST(ResampleToSize, AlphaPlaneFollowsTheNewSize) {
  ViewRig opaque(20, 10);
  opaque.proc.ResampleToSize(8, 4, rfMitchell);
  TPixMask* alpha = opaque.view.AlphaPlane();
  ASSERT_EQ(alpha->Width(), 8);
  ASSERT_EQ(alpha->Height(), 4);
  EXPECT_TRUE(alpha->Full());
  EXPECT_EQ(alpha->GetPixel(7, 3), 255);

  ViewRig rig(20, 10);
  TPixMask& plane = *rig.view.AlphaPlane();
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 20; ++x) plane.SetPixel(x, y, static_cast<uint8_t>(x * 12));
  TPixMask expected(8, 4, 8);
  ResampleAlphaPlane(plane, expected, rfTriangle);
  rig.proc.ResampleToSize(8, 4, rfMitchell);
  ASSERT_EQ(plane.Width(), 8);
  EXPECT_FALSE(plane.Full());
  EXPECT_TRUE(SamePlane(PlaneOf(plane), PlaneOf(expected)));
}
