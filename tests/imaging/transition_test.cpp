#include <gtest/gtest.h>

#include "imaging/transition.h"
#include "proc_test_images.h"

using namespace pix;
using proctest::PixelOf;
using proctest::Triple;

namespace {

// Two 10 x 6 pictures with random pixels, as two slides would be.
struct Pair {
  TBitmap From{10, 6};
  TBitmap To{10, 6};
  Pair() {
    proctest::FillRandom(From, 1);
    proctest::FillRandom(To, 2);
  }
};

constexpr TTransitionEffect kEffects[] = {teCut, teCrossFade, teWipe, tePush, teZoom};

}  // namespace

TEST(TransitionFrame, FirstFrameIsTheOldPictureAndLastTheNewOneForEveryEffect) {
  Pair p;
  TBitmap frame;
  for (TTransitionEffect effect : kEffects)
    for (int n : {1, 2, 7, 1000}) {
      ASSERT_TRUE(TransitionFrame(p.From, p.To, effect, 0, n, frame));
      EXPECT_TRUE(SamePixels(frame, p.From)) << TransitionName(effect) << " n=" << n;
      ASSERT_TRUE(TransitionFrame(p.From, p.To, effect, n, n, frame));
      EXPECT_TRUE(SamePixels(frame, p.To)) << TransitionName(effect) << " n=" << n;
      // Out-of-range steps are the ends.
      ASSERT_TRUE(TransitionFrame(p.From, p.To, effect, -5, n, frame));
      EXPECT_TRUE(SamePixels(frame, p.From));
      ASSERT_TRUE(TransitionFrame(p.From, p.To, effect, n + 3, n, frame));
      EXPECT_TRUE(SamePixels(frame, p.To));
    }
}

TEST(TransitionFrame, CrossFadeMixesEveryByteWithAnEightBitWeight) {
  TBitmap from(2, 1), to(2, 1), frame;
  proctest::SetPixel(from, 0, 0, {0, 100, 255});
  proctest::SetPixel(to, 0, 0, {255, 101, 0});
  proctest::SetPixel(from, 1, 0, {10, 10, 10});
  proctest::SetPixel(to, 1, 0, {10, 10, 10});
  ASSERT_TRUE(TransitionFrame(from, to, teCrossFade, 1, 4, frame));
  // Weight 64 of 256: (a x 192 + b x 64 + 128) >> 8.
  EXPECT_EQ(PixelOf(frame, 0, 0), (Triple{64, 100, 191}));
  EXPECT_EQ(PixelOf(frame, 1, 0), (Triple{10, 10, 10}));
  ASSERT_TRUE(TransitionFrame(from, to, teCrossFade, 1, 2, frame));
  EXPECT_EQ(PixelOf(frame, 0, 0), (Triple{128, 101, 128}));
}

TEST(TransitionFrame, WipeAndPushMoveTheEdgeByWholeColumns) {
  Pair p;
  TBitmap frame;
  // 3 of 8 of a 10-pixel width: round(3.75) = 4 columns.
  ASSERT_TRUE(TransitionFrame(p.From, p.To, teWipe, 3, 8, frame));
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 10; ++x)
      ASSERT_EQ(PixelOf(frame, x, y), PixelOf(x < 4 ? p.To : p.From, x, y)) << x << "," << y;
  // The new picture comes in from the right: 4 columns of it, the old one
  // moved 4 columns to the left.
  ASSERT_TRUE(TransitionFrame(p.From, p.To, tePush, 3, 8, frame));
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 10; ++x)
      ASSERT_EQ(PixelOf(frame, x, y), x < 6 ? PixelOf(p.From, x + 4, y) : PixelOf(p.To, x - 6, y)) << x << "," << y;
}

TEST(TransitionFrame, ZoomGrowsTheNewPictureFromTheCentreOverTheOldOne) {
  TBitmap from(10, 6), to(10, 6), frame;
  from.Canvas().Brush.Color = RGBColor(0, 0, 255);
  from.Canvas().FillRect({0, 0, 10, 6});
  proctest::FillRandom(to, 3);
  ASSERT_TRUE(TransitionFrame(from, to, teZoom, 1, 2, frame));
  // Half size: 5 x 3 at (2, 1), each pixel sampled under its centre.
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 7 && y >= 1 && y < 4;
      const Triple expected = inside ? PixelOf(to, (x - 2) * 2 + 1, (y - 1) * 2 + 1) : Triple{255, 0, 0};
      ASSERT_EQ(PixelOf(frame, x, y), expected) << x << "," << y;
    }
  ASSERT_TRUE(TransitionFrame(from, to, teZoom, 1, 1000, frame));
  EXPECT_TRUE(SamePixels(frame, from)) << "a zoom of 0.1 % shows nothing of the new picture yet";
}

TEST(TransitionFrame, RefusesPicturesThatDoNotMatchAndLeavesTheFrameAlone) {
  TBitmap a(4, 4), b(4, 5), gray(4, 4, TPixelFormat::Bilevel), frame(3, 3);
  EXPECT_FALSE(TransitionFrame(a, b, teCrossFade, 1, 2, frame));
  EXPECT_FALSE(TransitionFrame(a, gray, teCrossFade, 1, 2, frame));
  EXPECT_FALSE(TransitionFrame(a, a, teCrossFade, 1, 2, a));
  EXPECT_EQ(frame.Width(), 3);
  // A stored value outside the enumeration plays as a cut.
  TBitmap c(4, 4);
  proctest::FillRandom(c, 5);
  ASSERT_TRUE(TransitionFrame(a, c, static_cast<TTransitionEffect>(99), 1, 2, frame));
  EXPECT_TRUE(SamePixels(frame, a));
}
