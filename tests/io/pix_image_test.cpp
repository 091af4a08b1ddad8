#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "io/pix_image.h"
#include "support/test_support.h"

using namespace pix;

TEST(PixImage, OwnsBothComponentsAttachedToItself) {
  TPixImage image;
  EXPECT_EQ(image.Proc().AttachedView(), &image);
  EXPECT_EQ(image.IO().AttachedView(), &image);
  EXPECT_TRUE(image.AutoUndo());
  EXPECT_EQ(image.IO().Bitmap(), image.CurrentBitmap());
  EXPECT_EQ(&image.ParamRecord(), &image.IO().ParamRecord());

  // A replaced bitmap is followed by both components.
  auto replacement = std::make_unique<TBitmap>(5, 4);
  TBitmap* raw = replacement.get();
  image.SetBitmap(std::move(replacement));
  EXPECT_EQ(image.Proc().Bitmap(), raw);
  EXPECT_EQ(image.IO().Bitmap(), raw);
  EXPECT_EQ(image.IO().AlphaPlane(), image.AlphaPlane());
}

TEST(PixImage, ForwardsSettingsToTheRightComponents) {
  TPixImage image;
  image.SetAutoUndo(false);
  EXPECT_FALSE(image.Proc().AutoUndo);
  image.SetProcPreviewsParams(3);
  EXPECT_EQ(image.Proc().ProcPreviewsParams, 3u);
  EXPECT_EQ(image.IO().IOPreviewsParams, 0u);
  image.SetOnPreview([](TPixObject*) {});
  EXPECT_TRUE(image.Proc().OnPreview);
  EXPECT_FALSE(image.IO().OnIOPreview);
  image.SetStreamHeaders(true);
  EXPECT_TRUE(image.IO().StreamHeaders);
  image.SetDialogsMeasureUnit(pduPixels);
  EXPECT_EQ(image.IO().DialogsMeasureUnit, pduPixels);
  image.SetIOPreviewsParams(5);
  EXPECT_EQ(image.IO().IOPreviewsParams, 5u);
  image.SetMsgLanguage(msEnglish);
  EXPECT_EQ(image.Proc().MsgLanguage, msEnglish);
  EXPECT_EQ(image.IO().MsgLanguage, msEnglish);

  std::vector<TPixObject*> senders;
  image.SetOnProgress([&](TPixObject* sender, int) { senders.push_back(sender); });
  ASSERT_TRUE(image.Proc().OnProgress);
  ASSERT_TRUE(image.IO().OnProgress);
  image.IO().OnProgress(&image.IO(), 50);
  image.OnProgress()(&image.Proc(), 10);
  EXPECT_EQ(senders, (std::vector<TPixObject*>{&image.IO(), &image.Proc()}));
}

TEST(PixImage, LoadsThroughItsIOComponentAndNotifies) {
  pixtest::TempDir dir;
  TPixImage image;
  image.CurrentBitmap()->Allocate(2, 2, TPixelFormat::TrueColor);
  int changes = 0;
  image.OnImageChange = [&](TPixObject* sender) {
    EXPECT_EQ(sender, &image);
    ++changes;
  };
  image.LoadFromFile(dir.File("photo.jfif"));
  EXPECT_TRUE(image.AbortFlag());
  EXPECT_EQ(changes, 0);
  const std::string name = dir.File("photo.JPG");
  pixtest::WriteFile(name, "no JPEG data here");
  image.LoadFromFile(name);
  EXPECT_TRUE(image.AbortFlag());
  EXPECT_EQ(image.ParamRecord().FileType, 3);
  EXPECT_EQ(changes, 1);
  image.SaveToFile(dir.File("icon.ico"));
  EXPECT_FALSE(image.AbortFlag());
  EXPECT_TRUE(std::filesystem::exists(dir.File("icon.ico")));
  image.SaveToFile(dir.File("drawing.pix"));
  EXPECT_TRUE(image.AbortFlag());
}

TEST(PixImage, ProcessingTakesAnUndoSnapshot) {
  TPixImage image;
  image.CurrentBitmap()->Allocate(6, 3, TPixelFormat::TrueColor);
  image.CurrentBitmap()->ScanLine(0)[2] = 200;
  image.ApplyGrayscale();
  EXPECT_EQ(image.Proc().UndoBitmap().Width(), 6);
  EXPECT_EQ(image.Proc().UndoBitmap().ScanLine(0)[2], 200);
}
