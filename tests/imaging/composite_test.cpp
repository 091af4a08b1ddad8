#include <gtest/gtest.h>

#include "imaging/composite.h"

using namespace pix;

TEST(CompositeOver, BlendsByAlphaAndLeavesOpaqueImagesAlone) {
  TBitmap image(3, 1);
  uint8_t* px = image.ScanLine(0);
  for (int i = 0; i < 9; ++i) px[i] = 100;
  TPixMask alpha(3, 1, 8);
  alpha.Fill(255);
  EXPECT_FALSE(HasTransparency(image, alpha));
  alpha.ScanLine(0)[1] = 0;
  alpha.ScanLine(0)[2] = 128;
  alpha.SetFull(false);
  EXPECT_TRUE(HasTransparency(image, alpha));
  CompositeOver(image, alpha, RGBColor(255, 255, 255));
  EXPECT_EQ(px[0], 100);                          // opaque: kept
  EXPECT_EQ(px[3], 255);                          // clear: the background
  EXPECT_EQ(px[6], (100 * 128 + 255 * 127 + 127) / 255);
  // A plane out of step with the image is no transparency of it.
  TPixMask other(2, 1, 8);
  other.Fill(0);
  EXPECT_FALSE(HasTransparency(image, other));
}
