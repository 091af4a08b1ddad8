#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "imaging/bitmap.h"
#include "imaging/pix_image_proc.h"
#include "imaging/pix_mask.h"
#include "imaging/pix_view.h"

using namespace pix;

TEST(Bitmap, LayoutIsBottomUpWithPaddedRows) {
  TBitmap bw(13, 3, TPixelFormat::Bilevel);
  EXPECT_EQ(bw.RowStride(), 4);
  EXPECT_EQ(bw.ScanLine(2), bw.Bits());
  EXPECT_EQ(bw.ScanLine(1), bw.ScanLine(0) - bw.RowStride());
  TBitmap rgb(5, 2);
  EXPECT_EQ(rgb.RowStride(), 16);  // 15 bytes padded to 16
  EXPECT_EQ(rgb.ByteSize(), 32);
  // A fresh block is zero: no stale memory can reach a file.
  for (int64_t i = 0; i < rgb.ByteSize(); ++i) ASSERT_EQ(rgb.Bits()[i], 0);
}

TEST(Bitmap, CanvasFillsInBlueGreenRedOrderAndClips) {
  TBitmap bmp(4, 4);
  bmp.Canvas().Brush.Color = RGBColor(10, 20, 30);
  bmp.Canvas().FillRect({1, 1, 10, 2});
  const uint8_t* row = bmp.ScanLine(1);
  EXPECT_EQ(row[0], 0);
  EXPECT_EQ(row[3], 30);  // blue
  EXPECT_EQ(row[4], 20);  // green
  EXPECT_EQ(row[5], 10);  // red
  EXPECT_EQ(row[9 + 2], 10);
  EXPECT_EQ(bmp.ScanLine(2)[5], 0);
  TBitmap bw(10, 1, TPixelFormat::Bilevel);
  bw.Canvas().Brush.Color = clBtnFace;  // light gray resolves to white
  bw.Canvas().FillRect({0, 0, 9, 1});
  EXPECT_EQ(bw.ScanLine(0)[0], 0xFF);
  EXPECT_EQ(bw.ScanLine(0)[1], 0x80);
}

TEST(Bitmap, AbsurdSizesThrowInsteadOfAllocating) {
  TBitmap bmp;
  EXPECT_THROW(bmp.Allocate(1 << 30, 1 << 30, TPixelFormat::TrueColor), EPixOutOfMemory);
  bmp.Allocate(-5, 3, TPixelFormat::TrueColor);
  EXPECT_EQ(bmp.Width(), 0);
  EXPECT_TRUE(bmp.Empty());
}

TEST(CopyImage, EmptySourceLeavesOneByOneInSourceFormat) {
  TBitmap src(0, 0, TPixelFormat::Bilevel), dst(7, 7);
  CopyImage(src, dst);
  EXPECT_EQ(dst.Width(), 1);
  EXPECT_EQ(dst.Height(), 1);
  EXPECT_EQ(dst.PixelFormat(), TPixelFormat::Bilevel);
}

TEST(CopyImage, CopiesWholePaddedRows) {
  TBitmap src(13, 2, TPixelFormat::Bilevel);
  for (int64_t i = 0; i < src.ByteSize(); ++i) src.Bits()[i] = static_cast<uint8_t>(i * 7 + 1);
  TBitmap dst;
  CopyImage(src, dst);
  ASSERT_EQ(dst.RowStride(), 4);
  ASSERT_EQ(dst.ByteSize(), 8);
  for (int64_t i = 0; i < 8; ++i) EXPECT_EQ(dst.Bits()[i], src.Bits()[i]);
}

TEST(ConvertToTrueColor, DropsTheFourthByte) {
  TBitmap bmp(2, 1, TPixelFormat::Bgrx32);
  uint8_t* p = bmp.ScanLine(0);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(i + 1);
  ConvertToTrueColor(bmp);
  ASSERT_EQ(bmp.PixelFormat(), TPixelFormat::TrueColor);
  const uint8_t* q = bmp.ScanLine(0);
  EXPECT_EQ(q[0], 1);
  EXPECT_EQ(q[2], 3);
  EXPECT_EQ(q[3], 5);
  EXPECT_EQ(q[5], 7);
}

TEST(PixMask, FullFlagAndBoundingBox) {
  TPixMask alpha(3, 2, 8);
  EXPECT_FALSE(alpha.Full());
  EXPECT_TRUE(alpha.IsEmpty());
  alpha.Fill(255);
  EXPECT_TRUE(alpha.Full());
  alpha.SetPixel(1, 1, 255);
  EXPECT_TRUE(alpha.Full());
  alpha.SetPixel(1, 1, 0);
  EXPECT_FALSE(alpha.Full());
  alpha.Fill(7);
  EXPECT_FALSE(alpha.Full());
  TPixMask sel(20, 10, 1);
  EXPECT_EQ(sel.RowStride(), 4);
  sel.SetPixel(3, 4, 1);
  sel.SetPixel(9, 2, 1);
  EXPECT_EQ(sel.BoxLeft(), 3);
  EXPECT_EQ(sel.BoxTop(), 2);
  EXPECT_EQ(sel.BoxRight(), 9);
  EXPECT_EQ(sel.BoxBottom(), 4);
  EXPECT_EQ(sel.GetPixel(3, 4), 1);
  EXPECT_EQ(sel.GetPixel(4, 4), 0);
  sel.Allocate(20, 10, 1);
  EXPECT_TRUE(sel.IsEmpty());
}

TEST(PixView, PlanesFollowTheBitmapSize) {
  TPixImageView view;
  EXPECT_EQ(view.Background(), clBtnFace);
  EXPECT_TRUE(view.AlphaPlane()->Full());
  view.CurrentBitmap()->Allocate(6, 4, TPixelFormat::TrueColor);
  int changes = 0;
  view.OnImageChange = [&](TPixObject* sender) {
    EXPECT_EQ(sender, &view);
    ++changes;
  };
  view.Update();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(view.AlphaPlane()->Width(), 6);
  EXPECT_EQ(view.AlphaPlane()->Height(), 4);
  EXPECT_TRUE(view.AlphaPlane()->Full());
  EXPECT_EQ(view.SelectionMask().Width(), 6);
  EXPECT_EQ(view.SelectionMask().BitsPerPixel(), 1);
}

class ImageProcFrame : public ::testing::Test {
protected:
  TPixImageView view;
  TPixImageProc proc;
};

TEST_F(ImageProcFrame, UndoSnapshotSemantics) {
  // Right after construction there is nothing to restore.
  proc.SetAttachedView(&view);
  view.CurrentBitmap()->Allocate(3, 2, TPixelFormat::Bilevel);
  view.CurrentBitmap()->Bits()[0] = 0xA0;
  proc.RestoreUndoSnapshot();
  EXPECT_EQ(view.CurrentBitmap()->Bits()[0], 0xA0);

  proc.SaveUndoSnapshot();
  EXPECT_EQ(proc.UndoBitmap().PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_EQ(proc.UndoBitmap().Width(), 3);
  TBitmap* image = view.CurrentBitmap();
  image->Allocate(9, 9, TPixelFormat::TrueColor);
  proc.RestoreUndoSnapshot();
  EXPECT_EQ(view.CurrentBitmap(), image);  // the image object keeps its identity
  EXPECT_EQ(image->Width(), 3);
  EXPECT_EQ(image->PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_EQ(image->Bits()[0], 0xA0);

  proc.ClearUndoSnapshot();
  image->Allocate(5, 5, TPixelFormat::TrueColor);
  proc.RestoreUndoSnapshot();
  EXPECT_EQ(image->Width(), 5);
}

TEST_F(ImageProcFrame, BackgroundComesFromTheViewWhileAttached) {
  EXPECT_EQ(proc.Background(), 0u);
  proc.SetBackground(RGBColor(1, 2, 3));
  EXPECT_EQ(proc.Background(), RGBColor(1, 2, 3));
  proc.SetAttachedView(&view);
  EXPECT_EQ(proc.Background(), clBtnFace);
  proc.SetBackground(RGBColor(9, 9, 9));
  EXPECT_EQ(view.Background(), RGBColor(9, 9, 9));
  proc.SetAttachedView(nullptr);
  EXPECT_EQ(proc.Background(), RGBColor(1, 2, 3));
}

TEST_F(ImageProcFrame, ReferencesFollowTheViewAndItsDeath) {
  auto view2 = std::make_unique<TPixImageView>();
  proc.SetAttachedView(view2.get());
  EXPECT_EQ(proc.Bitmap(), view2->CurrentBitmap());
  EXPECT_EQ(proc.AlphaPlane(), view2->AlphaPlane());
  view2->SetBitmap(std::make_unique<TBitmap>(2, 2));
  EXPECT_EQ(proc.Bitmap(), view2->CurrentBitmap());
  view2.reset();
  EXPECT_EQ(proc.AttachedView(), nullptr);
  EXPECT_EQ(proc.AlphaPlane(), nullptr);

  TPixPicture picture;
  proc.SetAttachedTImage(&picture);
  EXPECT_EQ(proc.Bitmap(), &picture.Bitmap());
  proc.SetBitmap(nullptr);  // ignored while attached
  EXPECT_EQ(proc.Bitmap(), &picture.Bitmap());
  TBitmap bare;
  proc.SetBitmap(&bare);
  EXPECT_EQ(proc.AttachedTImage(), nullptr);
  EXPECT_FALSE(bare.Modified());
  proc.NotifyImageChanged();
  EXPECT_TRUE(bare.Modified());
}

TEST(Progress, PercentNeverReachesHundred) {
  EXPECT_EQ(ProgressPercent(0, 10), 0);
  EXPECT_EQ(ProgressPercent(10, 10), 95);  // 1000 / 10.5
  EXPECT_EQ(ProgressPercent(1, 1), 66);
  EXPECT_EQ(ProgressPercent(1000, 1000), 99);
}

TEST(PixMask, SyncBoxFindsTheBoxOfSetPixelsInBothDepths) {
  std::mt19937 random(5);
  for (int bits : {1, 8})
    for (int round = 0; round < 40; ++round) {
      const int32_t w = 1 + static_cast<int32_t>(random() % 37), h = 1 + static_cast<int32_t>(random() % 9);
      TPixMask mask(w, h, bits);
      int32_t left = w, right = -1, top = h, bottom = -1;
      for (int n = static_cast<int>(random() % 4); n > 0; --n) {
        const int32_t x = static_cast<int32_t>(random() % w), y = static_cast<int32_t>(random() % h);
        mask.SetPixel(x, y, 7);
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
      mask.SyncBox();
      ASSERT_EQ(mask.IsEmpty(), right < 0) << bits << " " << round;
      if (right < 0) continue;
      EXPECT_EQ(mask.BoxLeft(), left);
      EXPECT_EQ(mask.BoxRight(), right);
      EXPECT_EQ(mask.BoxTop(), top);
      EXPECT_EQ(mask.BoxBottom(), bottom);
    }
  TPixMask opaque(5, 4, 8);
  opaque.Fill(255);
  opaque.SyncBox();
  EXPECT_EQ(opaque.BoxRight(), 4);
  EXPECT_EQ(opaque.BoxBottom(), 3);
}
