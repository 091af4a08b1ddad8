#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "imaging/pix_image_proc.h"
#include "imaging/pix_view.h"
#include "imaging/rotate.h"
#include "proc_test_images.h"

using namespace pix;
using proctest::PixelOf;
using proctest::SetPixel;
using proctest::Recorder;
using proctest::Triple;
using proctest::ViewRig;

namespace {

// 4 x 2 with pixel (x, y) = {x, y, 7}.
void MakeFourByTwo(TBitmap& bmp) {
  bmp.Allocate(4, 2, TPixelFormat::TrueColor);
  for (uint8_t y = 0; y < 2; ++y)
    for (uint8_t x = 0; x < 4; ++x) SetPixel(bmp, x, y, {x, y, 7});
}

}  // namespace

TEST(QuarterTurn, LeftAndRightMovePixelsExactly) {
  TBitmap src, left, right;
  MakeFourByTwo(src);
  QuarterTurnLeft(src, left);
  QuarterTurnRight(src, right);
  ASSERT_EQ(left.Width(), 2);
  ASSERT_EQ(left.Height(), 4);
  ASSERT_EQ(right.Width(), 2);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 2; ++x) {
      EXPECT_EQ(PixelOf(left, x, y), PixelOf(src, 3 - y, x));
      EXPECT_EQ(PixelOf(right, x, y), PixelOf(src, y, 1 - x));
    }
  EXPECT_EQ(PixelOf(left, 0, 0), PixelOf(src, 3, 0));  // top-right goes to top-left
}

TEST(QuarterTurn, FourTurnsGiveBackTheOriginalAcrossTiles) {
  TBitmap src, a, b;
  proctest::MakeRandom(src, 131, 70, 9);  // more than one tile each way, odd sizes
  QuarterTurnLeft(src, a);
  QuarterTurnLeft(a, b);
  QuarterTurnLeft(b, a);
  QuarterTurnLeft(a, b);
  EXPECT_TRUE(proctest::SameImage(b, src));
  QuarterTurnRight(src, a);
  QuarterTurnLeft(a, b);
  EXPECT_TRUE(proctest::SameImage(b, src));
}

TEST(RotateByDegrees, NinetyThen270RestoresTheImage) {
  ViewRig rig(67, 41, 3);
  TBitmap before;
  CopyImage(rig.Image(), before);
  rig.proc.RotateByDegrees(90, false);
  EXPECT_EQ(rig.Image().Width(), 41);
  EXPECT_TRUE(proctest::SameImage(rig.proc.UndoBitmap(), before));  // old size and orientation
  rig.proc.RotateByDegrees(270, false);
  EXPECT_TRUE(proctest::SameImage(rig.Image(), before));
  EXPECT_EQ(rig.changes, 2);
}

TEST(RotateByDegrees, WholeTurnsMatchTheirQuarterTurns) {
  TBitmap src;
  proctest::MakeRandom(src, 23, 14, 5);
  TBitmap l1, l2, l3, r1;
  QuarterTurnLeft(src, l1);
  QuarterTurnLeft(l1, l2);
  QuarterTurnLeft(l2, l3);
  QuarterTurnRight(src, r1);
  const std::pair<double, const TBitmap*> cases[] = {
      {90, &l1}, {180, &l2}, {270, &l3}, {-90, &r1}, {-270, &l1}, {450, &l1}, {90.0004, &l1}, {-180, &l2}};
  for (const auto& [angle, expected] : cases) {
    TBitmap bmp;
    CopyImage(src, bmp);
    TPixImageProc proc;
    proc.SetBitmap(&bmp);
    proc.RotateByDegrees(angle, false);
    EXPECT_TRUE(proctest::SameImage(bmp, *expected)) << angle;
  }
}

TEST(RotateByDegrees, AngleIsUsedInTruncatedThousandths) {
  EXPECT_EQ(NormalisedAngle(0.0004), 0.0);
  EXPECT_EQ(NormalisedAngle(360), 0.0);
  EXPECT_EQ(NormalisedAngle(720), 0.0);
  EXPECT_EQ(NormalisedAngle(-450.5), -90.5);
  EXPECT_EQ(NormalisedAngle(100.0009), 100.0);
  EXPECT_EQ(NormalisedAngle(-0.0009), 0.0);
  EXPECT_EQ(NormalisedAngle(359.999), 359.999);
  // Far beyond 32-bit thousandths the reduction is still modulo 360.
  EXPECT_EQ(NormalisedAngle(3600000090.0), 90.0);
}

TEST(RotateByDegrees, ZeroDoesNothingButAFullTurnGoesThroughTheFrame) {
  ViewRig rig(5, 3, 8);
  TBitmap before;
  CopyImage(rig.Image(), before);
  rig.proc.RotateByDegrees(0, false);
  rig.proc.RotateByDegrees(std::nan(""), false);
  EXPECT_EQ(rig.proc.UndoBitmap().Width(), 1);
  EXPECT_EQ(rig.changes, 0);
  TBitmap* identity = &rig.Image();
  for (double angle : {360.0, 720.0, 0.0004}) {
    rig.proc.RotateByDegrees(angle, false);
    EXPECT_TRUE(proctest::SameImage(rig.Image(), before)) << angle;
  }
  EXPECT_TRUE(proctest::SameImage(rig.proc.UndoBitmap(), before));
  EXPECT_EQ(rig.changes, 3);
  EXPECT_EQ(rig.view.CurrentBitmap(), identity);
}

TEST(ShearRotate, SizesOfAThirtyDegreeTurn) {
  ViewRig rig(100, 50, 2);
  rig.proc.RotateByDegrees(30, false);
  EXPECT_EQ(rig.Image().Width(), 112);
  EXPECT_EQ(rig.Image().Height(), 94);
  ViewRig back(100, 50, 2);
  back.proc.RotateByDegrees(-30, true);
  EXPECT_EQ(back.Image().Width(), 112);
  EXPECT_EQ(back.Image().Height(), 94);
}

TEST(ShearRotate, WithoutAntialiasEveryPixelIsASourcePixelOrBackground) {
  TBitmap src(40, 30);
  std::set<Triple> colours;
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      const Triple t{static_cast<uint8_t>(x + 1), static_cast<uint8_t>(y + 1), 200};
      SetPixel(src, x, y, t);
      colours.insert(t);
    }
  TBitmap dst;
  const TPixelTriple bg{5, 6, 7};
  ShearRotate(src, dst, 30, false, bg, {});
  std::set<Triple> used;
  for (int32_t y = 0; y < dst.Height(); ++y)
    for (int32_t x = 0; x < dst.Width(); ++x) {
      const Triple p = PixelOf(dst, x, y);
      if (p == Triple{5, 6, 7}) continue;
      ASSERT_TRUE(colours.count(p)) << x << "," << y;
      used.insert(p);
    }
  EXPECT_EQ(PixelOf(dst, 0, 0), (Triple{5, 6, 7}));
  EXPECT_EQ(PixelOf(dst, dst.Width() - 1, dst.Height() - 1), (Triple{5, 6, 7}));
  EXPECT_GT(used.size(), colours.size() * 9 / 10);  // shears move, they do not drop many
}

TEST(ShearRotate, BlendRoundsHalfToEven) {
  const TPixelTriple a{10, 20, 30}, odd{101, 3, 255}, zero{0, 0, 0};
  EXPECT_EQ(Blend(a, odd, 0), (TPixelTriple{102, 4, 255}));  // v + 0.5: odd values go up, 255 clamps
  EXPECT_EQ(Blend(a, TPixelTriple{100, 4, 254}, 0), (TPixelTriple{100, 4, 254}));
  EXPECT_EQ(Blend(a, zero, 2048), (TPixelTriple{6, 10, 16}));  // 5.5, 10.5, 15.5 to even
  EXPECT_EQ(Blend(zero, TPixelTriple{255, 255, 255}, -2048), (TPixelTriple{255, 255, 255}));
}

TEST(ShearRotate, AntialiasedInteriorOfAUniformImage) {
  // Each pass blends a pixel with an equal neighbour: v becomes Nearest(v + 0.5),
  // so an odd value rises by one once and an even one stays.
  for (uint8_t v : {100, 101}) {
    TBitmap src(60, 60), dst;
    for (int32_t y = 0; y < 60; ++y)
      for (int32_t x = 0; x < 60; ++x) SetPixel(src, x, y, {v, v, v});
    ShearRotate(src, dst, 20, true, TPixelTriple{}, {});
    const uint8_t want = v % 2 ? v + 1 : v;
    EXPECT_EQ(PixelOf(dst, dst.Width() / 2, dst.Height() / 2), (Triple{want, want, want}));
    EXPECT_EQ(PixelOf(dst, 0, 0), (Triple{0, 0, 0}));
  }
}

TEST(ShearRotate, ProgressCountsAllThreePasses) {
  TBitmap src(100, 50), dst;
  std::vector<int> seen;
  ShearRotate(src, dst, 30, false, TPixelTriple{}, Recorder(seen));
  ASSERT_EQ(seen.size(), 50u + 114u + 94u);  // H + W1 + final height
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 99);  // 257 x 100 / 258.5
}

TEST(RotateBilevel, QuarterTurnsAreExactAndStayBilevel) {
  ViewRig rig(13, 6, 4, TPixelFormat::Bilevel);
  TBitmap before;
  CopyImage(rig.Image(), before);
  rig.proc.RotateByDegrees(90, false);
  ASSERT_EQ(rig.Image().PixelFormat(), TPixelFormat::Bilevel);
  ASSERT_EQ(rig.Image().Width(), 6);
  ASSERT_EQ(rig.Image().Height(), 13);
  for (int32_t y = 0; y < 13; ++y)
    for (int32_t x = 0; x < 6; ++x)
      ASSERT_EQ(proctest::BitOf(rig.Image(), x, y), proctest::BitOf(before, 12 - y, x)) << x << "," << y;
  EXPECT_TRUE(proctest::SameImage(rig.proc.UndoBitmap(), before));
  rig.proc.RotateByDegrees(270, false);
  EXPECT_TRUE(proctest::SameImage(rig.Image(), before));
  EXPECT_EQ(rig.changes, 2);
}

TEST(RotateBilevel, UncoveredCornersTakeTheOwnBackgroundBit) {
  for (TColor own : {TColor{0}, TColor{0x00FFFFFF}}) {
    TBitmap bmp(40, 20, TPixelFormat::Bilevel);
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 40; ++x) proctest::SetBit(bmp, x, y, own == 0);  // opposite of the fill
    TPixImageProc proc;
    proc.SetBitmap(&bmp);
    proc.SetBackground(own);
    proc.RotateByDegrees(30, false);
    ASSERT_EQ(bmp.PixelFormat(), TPixelFormat::Bilevel);
    EXPECT_NEAR(bmp.Width(), 40 * 0.866 + 20 * 0.5, 1.0);
    EXPECT_NEAR(bmp.Height(), 40 * 0.5 + 20 * 0.866, 1.0);
    EXPECT_EQ(proctest::BitOf(bmp, 0, 0), own != 0);
    EXPECT_EQ(proctest::BitOf(bmp, bmp.Width() / 2, bmp.Height() / 2), own == 0);
  }
}

TEST(RotateBilevel, ViewBackgroundIsNotConsulted) {
  ViewRig rig(16, 16, 1, TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) proctest::SetBit(rig.Image(), x, y, true);
  rig.view.SetBackground(0x00FFFFFF);  // the view's white is ignored: own background 0 fills black
  rig.proc.RotateByDegrees(45, false);
  EXPECT_FALSE(proctest::BitOf(rig.Image(), 0, 0));
}
