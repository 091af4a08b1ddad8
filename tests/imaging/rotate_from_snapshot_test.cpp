#include <gtest/gtest.h>

#include <cstring>

#include "imaging/pix_image_proc.h"
#include "imaging/pix_mask.h"
#include "imaging/pix_view.h"
#include "proc_test_images.h"

using namespace pix;


// Turning from the undo snapshot (AutoUndo on) must give exactly what turning
// the image itself gives, keep the image object, and leave the snapshot intact.
TEST(RotateFromSnapshot, MatchesRotationWithoutUndo) {
  for (double angle : {90.0, 270.0, -90.0, 180.0, 30.0, 125.5, 360.0}) {
    proctest::ViewRig withUndo(37, 21), without(37, 21);
    without.proc.AutoUndo = false;
    TBitmap original;
    CopyImage(withUndo.Image(), original);
    TBitmap* image = &withUndo.Image();
    withUndo.proc.RotateByDegrees(angle, false);
    without.proc.RotateByDegrees(angle, false);
    EXPECT_EQ(&withUndo.Image(), image) << angle;
    EXPECT_TRUE(proctest::SameImage(withUndo.Image(), without.Image())) << angle;
    EXPECT_TRUE(proctest::SameImage(withUndo.proc.UndoBitmap(), original)) << angle;
  }
}

TEST(PixMaskOpaque, FilledPlaneReadsAsOpaqueAndMaterialisesOnRowAccess) {
  TPixMask alpha(5, 3, 8);
  alpha.Fill(255);
  EXPECT_TRUE(alpha.Full());
  EXPECT_EQ(alpha.GetPixel(4, 2), 255);
  const uint8_t* row = alpha.ScanLine(1);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(row[x], 255);
  alpha.SetPixel(0, 0, 9);
  EXPECT_FALSE(alpha.Full());
  EXPECT_EQ(alpha.GetPixel(0, 0), 9);
  EXPECT_EQ(alpha.GetPixel(1, 0), 255);
  alpha.Fill(0);
  EXPECT_EQ(alpha.GetPixel(1, 0), 0);
}

TEST(ReshapeForOverwrite, ReusesALargeEnoughBlockAndClearsPadding) {
  TBitmap bmp(8, 6, TPixelFormat::TrueColor);
  std::memset(bmp.Bits(), 0xAB, static_cast<size_t>(bmp.ByteSize()));
  const uint8_t* block = bmp.Bits();
  bmp.ReshapeForOverwrite(5, 9, TPixelFormat::TrueColor);  // 16 x 9 = 144 of 144 bytes
  EXPECT_EQ(bmp.Bits(), block);
  EXPECT_EQ(bmp.RowStride(), 16);
  EXPECT_EQ(bmp.ScanLine(3)[15], 0);  // padding cleared
  EXPECT_EQ(bmp.ScanLine(3)[14], 0xAB);  // pixels are the caller's
  bmp.ReshapeForOverwrite(13, 2, TPixelFormat::Bilevel);  // far too small: a fresh block
  EXPECT_EQ(bmp.ScanLine(0)[1], 0);
  EXPECT_EQ(bmp.Width(), 13);
}
