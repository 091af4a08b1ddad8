#include <gtest/gtest.h>

#include "imaging/fit_box.h"
#include "proc_test_images.h"

using namespace pix;
using proctest::PixelOf;
using proctest::Triple;

TEST(FitIntoBox, KeepsTheAspectRatioWithTheLimitingSideFull) {
  EXPECT_EQ(FitIntoBox(4000, 3000, 96, 96, false), (TFitSize{96, 72}));
  EXPECT_EQ(FitIntoBox(3000, 4000, 96, 96, false), (TFitSize{72, 96}));
  EXPECT_EQ(FitIntoBox(1000, 333, 240, 320, false), (TFitSize{240, 80}));  // 79.92 rounds up
  EXPECT_EQ(FitIntoBox(100, 100000, 240, 320, false), (TFitSize{1, 320}));  // never below one pixel
  // A picture that fits keeps its size unless enlarging is asked for.
  EXPECT_EQ(FitIntoBox(50, 40, 240, 320, false), (TFitSize{50, 40}));
  EXPECT_EQ(FitIntoBox(50, 40, 240, 320, true), (TFitSize{240, 192}));
  EXPECT_EQ(FitIntoBox(0, 40, 240, 320, true), (TFitSize{}));
  EXPECT_EQ(FitIntoBox(50, 40, 0, 320, true), (TFitSize{}));
}

TEST(Letterbox, CentresThePictureOnTheBackgroundAndCutsWhatDoesNotFit) {
  TBitmap picture(3, 2), canvas;
  picture.Canvas().Brush.Color = RGBColor(200, 0, 0);
  picture.Canvas().FillRect({0, 0, 3, 2});
  Letterbox(picture, 6, 5, RGBColor(0, 0, 0), canvas);
  ASSERT_EQ(canvas.Width(), 6);
  ASSERT_EQ(canvas.Height(), 5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      // The odd pixel goes right and down: columns 1..3, rows 1..2.
      const bool inside = x >= 1 && x < 4 && y >= 1 && y < 3;
      ASSERT_EQ(PixelOf(canvas, x, y), (inside ? Triple{0, 0, 200} : Triple{0, 0, 0})) << x << "," << y;
    }
  TBitmap wide(8, 1);
  for (int32_t x = 0; x < 8; ++x) proctest::SetPixel(wide, x, 0, {static_cast<uint8_t>(x), 0, 0});
  Letterbox(wide, 4, 1, RGBColor(0, 0, 0), canvas);
  EXPECT_EQ(PixelOf(canvas, 0, 0)[0], 2);
  EXPECT_EQ(PixelOf(canvas, 3, 0)[0], 5);
}

TEST(Letterbox, DrawsOneBitPicturesInBlackAndWhite) {
  TBitmap bits(9, 1, TPixelFormat::Bilevel), canvas;
  proctest::SetBit(bits, 8, 0, true);
  Letterbox(bits, 9, 1, RGBColor(1, 2, 3), canvas);
  EXPECT_EQ(PixelOf(canvas, 0, 0), (Triple{0, 0, 0}));
  EXPECT_EQ(PixelOf(canvas, 8, 0), (Triple{255, 255, 255}));
}
