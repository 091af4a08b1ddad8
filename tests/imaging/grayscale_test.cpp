#include <gtest/gtest.h>

#include <vector>

#include "imaging/grayscale.h"
#include "imaging/pix_image_proc.h"
#include "imaging/pix_view.h"
#include "imaging/selection_area.h"
#include "proc_test_images.h"

using namespace pix;
using proctest::PixelOf;
using proctest::SetPixel;
using proctest::Recorder;
using proctest::Triple;
using proctest::ViewRig;

namespace {

Triple Gray(uint8_t v) { return {v, v, v}; }

}  // namespace

TEST(Grayscale, WeightsAddUpTo99AndTruncate) {
  // blue, green, red -> expected gray
  const std::vector<std::pair<Triple, uint8_t>> cases = {
      {{255, 255, 255}, 252}, {{0, 0, 0}, 0},       {{0, 0, 255}, 53},   {{0, 255, 0}, 181},
      {{255, 0, 0}, 17},      {{200, 150, 100}, 141}, {{200, 200, 200}, 198}, {{1, 1, 1}, 0},
  };
  TBitmap bmp(static_cast<int32_t>(cases.size()), 1);
  for (size_t i = 0; i < cases.size(); ++i) SetPixel(bmp, static_cast<int32_t>(i), 0, cases[i].first);
  TPixImageProc proc;
  proc.SetBitmap(&bmp);
  proc.ApplyGrayscale();
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(PixelOf(bmp, static_cast<int32_t>(i), 0), Gray(cases[i].second)) << i;
  // Not idempotent: gray 198 moves on to 196.
  proc.ApplyGrayscale();
  EXPECT_EQ(PixelOf(bmp, 6, 0), Gray(196));
}

TEST(Grayscale, EveryColourMatchesTheFormula) {
  // All 2^24 colours, 4096 per row: the vector path must agree with the
  // integer formula everywhere.
  TBitmap bmp(4096, 4096);
  for (int32_t y = 0; y < 4096; ++y)
    for (int32_t x = 0; x < 4096; ++x) {
      const uint32_t c = static_cast<uint32_t>(y) * 4096 + x;
      SetPixel(bmp, x, y, {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)});
    }
  GrayscaleRect(bmp, 0, 0, 4096, 4096, {});
  int bad = 0;
  for (int32_t y = 0; y < 4096 && bad < 5; ++y)
    for (int32_t x = 0; x < 4096; ++x) {
      const uint32_t c = static_cast<uint32_t>(y) * 4096 + x;
      const uint8_t g = static_cast<uint8_t>((21 * (c >> 16 & 255) + 71 * (c >> 8 & 255) + 7 * (c & 255)) / 100);
      if (PixelOf(bmp, x, y) != Gray(g)) {
        ADD_FAILURE() << "colour " << c;
        if (++bad == 5) break;
      }
    }
}

TEST(Grayscale, RectangleIsClippedAndLeavesTheRestAlone) {
  TBitmap bmp, before;
  proctest::MakeRandom(bmp, 37, 6, 7);  // odd width: vector blocks plus a tail
  CopyImage(bmp, before);
  GrayscaleRect(bmp, 3, 2, 1000, 1000, {});
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 37; ++x) {
      const Triple p = PixelOf(before, x, y);
      const Triple want = x >= 3 && y >= 2 ? Gray(GrayValue(p[0], p[1], p[2])) : p;
      ASSERT_EQ(PixelOf(bmp, x, y), want) << x << "," << y;
    }
  // Empty and inverted rectangles change nothing.
  CopyImage(bmp, before);
  GrayscaleRect(bmp, 5, 5, 5, 10, {});
  GrayscaleRect(bmp, 0, 4, 37, 3, {});
  EXPECT_TRUE(proctest::SameImage(bmp, before));
}

TEST(Grayscale, ProgressCountsRowsAndStaysBelow100) {
  TBitmap bmp(4, 3);
  std::vector<int> seen;
  GrayscaleRect(bmp, 0, 0, 4, 3, Recorder(seen));
  EXPECT_EQ(seen, (std::vector<int>{28, 57, 85}));  // k x 100 / 3.5
}

TEST(Grayscale, FrameSnapshotIdentityAndNotification) {
  ViewRig rig(9, 5, 11);
  TBitmap* identity = &rig.Image();
  TBitmap before;
  CopyImage(rig.Image(), before);
  rig.proc.ApplyGrayscale();
  EXPECT_EQ(rig.view.CurrentBitmap(), identity);
  EXPECT_TRUE(proctest::SameImage(rig.proc.UndoBitmap(), before));
  EXPECT_EQ(rig.changes, 1);
  const Triple p = PixelOf(before, 4, 2);
  EXPECT_EQ(PixelOf(rig.Image(), 4, 2), Gray(GrayValue(p[0], p[1], p[2])));
}

TEST(Grayscale, BilevelImageIsLeftAloneWithoutSnapshot) {
  ViewRig rig(1, 1, 1);
  proctest::MakeRandom(rig.Image(), 16, 4, 3, TPixelFormat::Bilevel);
  TBitmap before;
  CopyImage(rig.Image(), before);
  rig.proc.ApplyGrayscale();
  EXPECT_TRUE(proctest::SameImage(rig.Image(), before));
  EXPECT_EQ(rig.proc.UndoBitmap().Width(), 1);
  EXPECT_EQ(rig.changes, 0);
}

TEST(Grayscale, SelectionCircleKeepsTheCornersOfItsBox) {
  ViewRig rig(20, 16, 5);
  TBitmap before;
  CopyImage(rig.Image(), before);
  TPixMask& mask = rig.view.SelectionMask();
  ASSERT_EQ(mask.Width(), 20);
  // A disc inside the 10 x 10 box at (4, 3).
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x)
      if ((2 * x - 9) * (2 * x - 9) + (2 * y - 9) * (2 * y - 9) <= 100) mask.SetPixel(4 + x, 3 + y, 1);
  ASSERT_EQ(mask.BoxLeft(), 4);
  ASSERT_EQ(mask.BoxBottom(), 12);
  rig.proc.ApplyGrayscale();
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 20; ++x) {
      const Triple p = PixelOf(before, x, y);
      const Triple want = mask.GetPixel(x, y) ? Gray(GrayValue(p[0], p[1], p[2])) : p;
      ASSERT_EQ(PixelOf(rig.Image(), x, y), want) << x << "," << y;
    }
  EXPECT_EQ(PixelOf(rig.Image(), 4, 3), PixelOf(before, 4, 3));    // corner of the box
  EXPECT_NE(PixelOf(rig.Image(), 8, 7), PixelOf(before, 8, 7));    // centre of the disc
  EXPECT_EQ(rig.changes, 1);
}

TEST(SelectionArea, ExtractRectRealignsBilevelRows) {
  TBitmap src;
  proctest::MakeRandom(src, 45, 7, 21, TPixelFormat::Bilevel);
  TBitmap part;
  ExtractRect(src, part, 3, 2, 41, 6);
  ASSERT_EQ(part.PixelFormat(), TPixelFormat::Bilevel);
  ASSERT_EQ(part.Width(), 38);
  ASSERT_EQ(part.Height(), 4);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 38; ++x) ASSERT_EQ(proctest::BitOf(part, x, y), proctest::BitOf(src, x + 3, y + 2));
  // Bits past the part's width are clear, whatever the source held there.
  EXPECT_EQ(part.ScanLine(0)[4] & 0x03, 0);
}

TEST(SelectionArea, ExtractRectZeroMeansWholeSideAndLargeValuesAreCut) {
  TBitmap src, part;
  proctest::MakeRandom(src, 6, 5, 4);
  ExtractRect(src, part, 2, 1, 0, 99);
  ASSERT_EQ(part.Width(), 4);
  ASSERT_EQ(part.Height(), 4);
  EXPECT_EQ(PixelOf(part, 0, 0), PixelOf(src, 2, 1));
  EXPECT_EQ(PixelOf(part, 3, 3), PixelOf(src, 5, 4));
  ExtractRect(src, part, 9, 0, 0, 0);  // left beyond the right edge: nothing to copy
  EXPECT_EQ(part.Width(), 0);
}

TEST(SelectionArea, AreaHasAMaskOnlyForAnImageView) {
  TBitmap bmp(7, 3);
  TPixImageProc proc;
  proc.SetBitmap(&bmp);
  TSelectionArea area = proc.GetSelectionArea();
  EXPECT_EQ(area.Rect.Right, 7);
  EXPECT_EQ(area.Rect.Bottom, 3);
  EXPECT_EQ(area.Mask, nullptr);
  TPixView plain;
  proc.SetAttachedView(&plain);
  EXPECT_EQ(proc.GetSelectionArea().Mask, nullptr);
  TPixImageView view;
  proc.SetAttachedView(&view);
  EXPECT_EQ(proc.GetSelectionArea().Mask, &view.SelectionMask());
}
