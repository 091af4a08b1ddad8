#include <gtest/gtest.h>

#include "imaging/pix_view.h"

using namespace pix;

namespace {

// A fitted 100 x 100 view holding a w x h image whose pixel (x, y) is (x, y, 7).
class FittedView : public ::testing::Test {
protected:
  TPixImageView view;
  void Load(int32_t w, int32_t h, TPixelFormat format = TPixelFormat::TrueColor) {
    view.AutoFit = true;
    view.SetBackground(RGBColor(200, 100, 50));
    view.SetClientSize(100, 100);
    TBitmap* bmp = view.CurrentBitmap();
    bmp->Allocate(w, h, format);
    if (format == TPixelFormat::TrueColor) {
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          uint8_t* p = bmp->ScanLine(y) + x * 3;
          p[0] = static_cast<uint8_t>(x);
          p[1] = static_cast<uint8_t>(y);
          p[2] = 7;
        }
    }
    view.Update();
  }
  const uint8_t* Pixel(int32_t x, int32_t y) { return view.PaintBuffer().ScanLine(y) + x * 3; }
  bool IsBackground(int32_t x, int32_t y) {
    const uint8_t* p = Pixel(x, y);
    return p[0] == 50 && p[1] == 100 && p[2] == 200;
  }
};

}  // namespace

TEST_F(FittedView, LargePhotoShrinksToTopLeftWithBackgroundBelow) {
  Load(1600, 1200);
  EXPECT_DOUBLE_EQ(view.Zoom(), 6.25);
  EXPECT_EQ(view.DisplayedWidth(), 100);
  EXPECT_EQ(view.DisplayedHeight(), 75);
  EXPECT_EQ(view.PaintBuffer().Width(), 100);
  EXPECT_FALSE(IsBackground(0, 0));
  EXPECT_FALSE(IsBackground(99, 74));
  for (int32_t y = 75; y < 100; ++y) EXPECT_TRUE(IsBackground(50, y)) << y;
  // Nearest-pixel sampling with a 16-pixel step.
  EXPECT_EQ(Pixel(3, 2)[0], static_cast<uint8_t>(48));
  EXPECT_EQ(Pixel(3, 2)[1], static_cast<uint8_t>(32));
}

TEST_F(FittedView, SmallImageIsEnlargedInBlocks) {
  Load(50, 50);
  EXPECT_DOUBLE_EQ(view.Zoom(), 200.0);
  EXPECT_EQ(view.DisplayedWidth(), 100);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x) {
      const uint8_t* p = Pixel(x, y);
      ASSERT_EQ(p[0], x / 2) << x << "," << y;
      ASSERT_EQ(p[1], y / 2) << x << "," << y;
    }
}

TEST_F(FittedView, ExtremeStripGetsTheFloorZoomAndOnlyBackground) {
  Load(20000, 40);
  EXPECT_DOUBLE_EQ(view.Zoom(), 1.0);
  EXPECT_EQ(view.DisplayedWidth(), 200);
  EXPECT_EQ(view.DisplayedHeight(), 0);
  for (int32_t y = 0; y < 100; y += 9)
    for (int32_t x = 0; x < 100; x += 9) ASSERT_TRUE(IsBackground(x, y));
}

TEST_F(FittedView, BilevelDrawsWhiteAndBlackAndOneToOneCopiesRows) {
  Load(100, 100, TPixelFormat::Bilevel);
  view.CurrentBitmap()->ScanLine(0)[0] = 0x80;
  view.Update();
  EXPECT_EQ(Pixel(0, 0)[1], 255);
  EXPECT_EQ(Pixel(1, 0)[1], 0);
  Load(100, 100);
  EXPECT_DOUBLE_EQ(view.Zoom(), 100.0);
  EXPECT_EQ(Pixel(99, 99)[0], 99);
  EXPECT_EQ(Pixel(99, 99)[1], 99);
}

TEST_F(FittedView, EmptyImageDrawsOnlyBackgroundAndPlanesFollowSize) {
  Load(0, 0);
  EXPECT_TRUE(IsBackground(0, 0));
  Load(30, 20);
  EXPECT_EQ(view.AlphaPlane()->Width(), 30);
  EXPECT_EQ(view.SelectionMask().Height(), 20);
}

TEST_F(FittedView, AnImageThatIsNotDrawnLeavesOnlyBackgroundNotThePreviousPicture) {
  Load(50, 50);
  ASSERT_FALSE(IsBackground(10, 10));
  // A single pixel would cover the whole control, but is never drawn.
  Load(1, 1);
  for (int32_t y = 0; y < 100; y += 9)
    for (int32_t x = 0; x < 100; x += 9) ASSERT_TRUE(IsBackground(x, y)) << x << "," << y;
  Load(50, 50);
  view.SelectionMask().Allocate(3, 3, 1);
  view.UpdateView();
  EXPECT_TRUE(IsBackground(10, 10));
}
