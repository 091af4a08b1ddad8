// PNG and TIFF through the I/O component: saves and loads by extension with
// the view's alpha plane, file type and name, and parameters-only reads.
#include <gtest/gtest.h>

#include "imaging/pix_view.h"
#include "io/pix_image_io.h"
#include "support/test_support.h"

using namespace pix;

TEST(PngTiffComponent, SaveLoadAndParamsOnlyByExtensionKeepPixelsAndAlpha) {
  pixtest::TempDir dir;
  for (const char* name : {"a.png", "b.TIF", "c.tiff"}) {
    SCOPED_TRACE(name);
    TPixImageView source;
    TPixImageIO writer;
    writer.SetAttachedView(&source);
    TBitmap& picture = *source.CurrentBitmap();
    picture.Allocate(7, 5, TPixelFormat::TrueColor);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 21; ++x) picture.ScanLine(y)[x] = static_cast<uint8_t>(x * 11 + y * 40);
    TPixMask& alpha = *source.AlphaPlane();
    alpha.Allocate(7, 5, 8);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) alpha.SetPixel(x, y, static_cast<uint8_t>(x * 40));
    writer.ParamRecord().DpiX = writer.ParamRecord().DpiY = 200;
    const std::string path = dir.File(name);
    writer.SaveToFile(path);
    ASSERT_FALSE(writer.AbortFlag()) << FailureText(writer.FailureReason());

    TPixImageView view;
    TPixImageIO reader;
    reader.SetAttachedView(&view);
    reader.ParamsFromFile(path);
    ASSERT_FALSE(reader.AbortFlag());
    EXPECT_EQ(reader.ParamRecord().Width, 7);
    EXPECT_TRUE(view.CurrentBitmap()->Empty() || view.CurrentBitmap()->Width() != 7);
    reader.LoadFromFile(path);
    ASSERT_FALSE(reader.AbortFlag()) << FailureText(reader.FailureReason());
    EXPECT_EQ(reader.ParamRecord().FileType, name[0] == 'a' ? ftPNG : ftTIFF);
    EXPECT_EQ(reader.ParamRecord().FileName, path);
    EXPECT_EQ(reader.ParamRecord().DpiX, 200);
    EXPECT_TRUE(SamePixels(*view.CurrentBitmap(), picture));
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(view.AlphaPlane()->GetPixel(x, y), x * 40);
  }
}
