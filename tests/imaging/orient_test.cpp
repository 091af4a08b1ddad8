#include <gtest/gtest.h>

#include <utility>

#include "imaging/orient.h"
#include "imaging/pix_image_proc.h"
#include "imaging/pix_view.h"
#include "orientation_definition.h"
#include "proc_test_images.h"

using namespace pix;
using orienttest::IsUprightForm;
using proctest::PixelOf;
using proctest::SetPixel;
using proctest::ViewRig;

namespace {

// 5 x 3, every pixel distinct: (x, y) = {x, y, 200 + x * y}.
void MakeDistinct(TBitmap& bmp) {
  bmp.Allocate(5, 3, TPixelFormat::TrueColor);
  for (uint8_t y = 0; y < 3; ++y)
    for (uint8_t x = 0; x < 5; ++x) SetPixel(bmp, x, y, {x, y, static_cast<uint8_t>(200 + x * y)});
}

constexpr int kInverse[9] = {1, 1, 2, 3, 4, 5, 8, 7, 6};

}  // namespace

TEST(OrientToUpright, EveryOrientationFollowsTheExifDefinition) {
  TBitmap small, bilevel, large;
  MakeDistinct(small);
  proctest::MakeRandom(bilevel, 13, 5, 4, TPixelFormat::Bilevel);
  proctest::MakeRandom(large, 131, 70, 8);  // more than one tile each way, odd sizes
  for (int o = 1; o <= 8; ++o) {
    for (const TBitmap* stored : {&small, &bilevel, &large}) {
      TBitmap upright;
      OrientToUpright(*stored, upright, o);
      EXPECT_TRUE(IsUprightForm(*stored, upright, o));
    }
  }
  // The directions named in the definition: 6 is a clockwise quarter turn,
  // so the stored bottom-left pixel becomes the top-left one.
  TBitmap turned;
  OrientToUpright(small, turned, 6);
  EXPECT_EQ(PixelOf(turned, 0, 0), PixelOf(small, 0, 2));
  OrientToUpright(small, turned, 8);
  EXPECT_EQ(PixelOf(turned, 0, 0), PixelOf(small, 4, 0));
}

TEST(OrientToUpright, EachOrientationFollowedByItsInverseRestoresThePicture) {
  TBitmap stored, bilevel;
  proctest::MakeRandom(stored, 131, 70, 2);
  proctest::MakeRandom(bilevel, 77, 9, 3, TPixelFormat::Bilevel);
  for (int o = 2; o <= 8; ++o)
    for (const TBitmap* source : {&stored, &bilevel}) {
      TBitmap upright, back;
      OrientToUpright(*source, upright, o);
      OrientToUpright(upright, back, kInverse[o]);
      EXPECT_TRUE(proctest::SameImage(back, *source)) << o;
    }
}

TEST(OrientUpright, RunsInTheProcessingFrameAndIgnoresOtherValues) {
  for (bool autoUndo : {true, false}) {
    ViewRig rig(31, 17, 6);
    rig.proc.AutoUndo = autoUndo;
    TBitmap before;
    CopyImage(rig.Image(), before);
    for (int ignored : {0, 1, 9, -6}) rig.proc.OrientUpright(ignored);
    EXPECT_EQ(rig.changes, 0);
    EXPECT_EQ(rig.proc.UndoBitmap().Width(), 1);
    rig.proc.OrientUpright(7);
    EXPECT_EQ(rig.changes, 1);
    EXPECT_TRUE(IsUprightForm(before, rig.Image(), 7));
    if (autoUndo) {
      EXPECT_TRUE(proctest::SameImage(rig.proc.UndoBitmap(), before));
    }
  }
}

TEST(Mirror, MovesPixelsAndTheAlphaPlaneAndTwiceRestores) {
  ViewRig rig(9, 4, 11);
  TPixMask& alpha = *rig.view.AlphaPlane();
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 9; ++x) alpha.SetPixel(x, y, static_cast<uint8_t>(10 * y + x));
  TBitmap before;
  CopyImage(rig.Image(), before);
  rig.proc.Mirror(maHorizontal);
  EXPECT_TRUE(IsUprightForm(before, rig.Image(), 2));
  EXPECT_EQ(alpha.GetPixel(0, 1), 18);
  rig.proc.Mirror(maVertical);
  EXPECT_TRUE(IsUprightForm(before, rig.Image(), 3));
  EXPECT_EQ(alpha.GetPixel(0, 0), 38);
  rig.proc.Mirror(maVertical);
  rig.proc.Mirror(maHorizontal);
  EXPECT_TRUE(proctest::SameImage(rig.Image(), before));
  EXPECT_EQ(rig.changes, 4);
}

TEST(OrientUpright, AlphaPlaneMovesWithThePictureAndOpaqueOnesOnlyChangeShape) {
  ViewRig rig(6, 3, 12);
  TPixMask& alpha = *rig.view.AlphaPlane();
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 6; ++x) alpha.SetPixel(x, y, static_cast<uint8_t>(10 * y + x));
  rig.proc.OrientUpright(5);
  ASSERT_EQ(alpha.Width(), 3);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(alpha.GetPixel(x, y), 10 * x + y);

  ViewRig opaque(6, 3, 12);
  opaque.view.AlphaPlane()->Fill(255);
  opaque.proc.OrientUpright(6);
  EXPECT_EQ(opaque.view.AlphaPlane()->Width(), 3);
  EXPECT_TRUE(opaque.view.AlphaPlane()->Full());
}

TEST(RotateByDegrees, QuarterTurnsTakeTheAlphaPlaneAlongAsTheOrientationsDo) {
  for (const auto& [angle, orientation] : {std::pair{90.0, 8}, {-90.0, 6}, {180.0, 3}, {450.0, 8}}) {
    ViewRig turned(7, 3, 13), oriented(7, 3, 13);
    for (ViewRig* rig : {&turned, &oriented})
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 7; ++x) rig->view.AlphaPlane()->SetPixel(x, y, static_cast<uint8_t>(10 * y + x));
    turned.proc.RotateByDegrees(angle, false);
    oriented.proc.OrientUpright(orientation);
    EXPECT_TRUE(proctest::SameImage(turned.Image(), oriented.Image())) << angle;
    const TPixMask& a = *turned.view.AlphaPlane();
    const TPixMask& b = *oriented.view.AlphaPlane();
    ASSERT_EQ(a.Width(), b.Width()) << angle;
    for (int32_t y = 0; y < a.Height(); ++y)
      for (int32_t x = 0; x < a.Width(); ++x) ASSERT_EQ(a.GetPixel(x, y), b.GetPixel(x, y)) << angle;
  }
}
