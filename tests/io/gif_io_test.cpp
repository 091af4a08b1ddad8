// The I/O component's GIF operations on top of the codec.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/gif_test_support.h"
#include "io/pix_image_io.h"
#include "platform/default_resolution.h"
#include "support/test_support.h"

using namespace pix;
using giftest::GifBuilder;
using giftest::kFour;

namespace {

struct Component {
  TPixImageView view;
  TPixImageIO io;
  Component() {
    io.SetAttachedView(&view);
    io.ParamRecord().GifLzwDecode = &GifLzwDecode;
    io.ParamRecord().GifLzwEncode = &GifLzwEncode;
  }
};

void WriteGif(const std::string& path, uint8_t controlFlags, bool global = true) {
  auto file = GifBuilder().Header(3, 1, global ? kFour : std::vector<giftest::Rgb>{}, "GIF89a", 3);
  file.Control(controlFlags, 0, 1).Image(3, 1, {0, 1, 2}, 2, global ? std::vector<giftest::Rgb>{} : kFour);
  const auto& b = file.Image(1, 1, {0}, 2, kFour).Trailer().Bytes();
  pixtest::WriteFile(path, std::string(b.begin(), b.end()));
}

}  // namespace

TEST(GifIO, LoadsRecordTheFileResolutionBackgroundAndAlpha) {
  pixtest::TempDir dir;
  const std::string path = dir.File("t.gif");
  WriteGif(path, 0x01);
  Component c;
  SetDefaultResolution(120, 130);
  EXPECT_EQ(c.io.LoadGifFromFile(path), 2);
  SetDefaultResolution(96, 96);
  EXPECT_FALSE(c.io.AbortFlag());
  EXPECT_EQ(std::tie(c.io.ParamRecord().FileName, c.io.ParamRecord().FileType), std::make_tuple(path, 2));
  EXPECT_EQ(std::make_tuple(c.view.DpiX(), c.view.DpiY()), std::make_tuple(120, 130));
  EXPECT_EQ(c.io.Background(), RGBColor(0, 255, 0)) << "the transparent colour";
  EXPECT_EQ(std::make_tuple(c.view.AlphaPlane()->GetPixel(0, 0), c.view.AlphaPlane()->GetPixel(1, 0)),
            std::make_tuple(255, 0));

  WriteGif(path, 0x00);
  c.io.LoadGifFromFile(path);
  EXPECT_EQ(c.io.Background(), RGBColor(200, 100, 50)) << "the background entry";
  WriteGif(path, 0x00, false);
  c.io.LoadGifFromFile(path);
  EXPECT_EQ(c.io.Background(), RGBColor(200, 100, 50)) << "no global table: the previous file's";

  const std::string bytes = pixtest::ReadFile(path);
  TPixMemoryStream stream(bytes.data(), static_cast<int64_t>(bytes.size()));
  c.view.SetResolution(50, 60);
  c.io.ParamRecord().GifImageIndex = 1;
  EXPECT_EQ(c.io.LoadGifFromStream(stream), 2);
  EXPECT_EQ(std::make_tuple(c.io.ParamRecord().FileName, c.view.DpiX(), c.view.CurrentBitmap()->Width()),
            std::make_tuple(std::string(), 50, 1));

  // Parameters only: the record fills, the image stays.
  c.io.ParamRecord().GifImageIndex = 0;
  c.io.ParamsFromGifFile(path);
  EXPECT_EQ(
      std::make_tuple(c.io.ParamRecord().Width, c.io.ParamRecord().ColorMapCount, c.view.CurrentBitmap()->Width()),
      std::make_tuple(3, 4, 1));

  // Saves to a file and to a stream write the same bytes and record no file name.
  c.io.SaveGifToFile(dir.File("saved.gif"));
  TPixMemoryStream saved;
  c.io.SaveGifToStream(saved);
  EXPECT_FALSE(c.io.AbortFlag());
  EXPECT_EQ(std::string(saved.Bytes().begin(), saved.Bytes().end()), pixtest::ReadFile(dir.File("saved.gif")));
  EXPECT_EQ(c.io.ParamRecord().FileName, path);
}

// Every file and frame of the shared corpus loads or fails cleanly (this is the
// test to run under AddressSanitizer and UBSan).
TEST(GifIO, EveryCorpusFrameLoadsOrFailsCleanly) {
  const std::string corpus = pixtest::SharedTestData("gif");
  if (corpus.empty()) GTEST_SKIP() << "shared GIF corpus not present";
  int loaded = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
    if (entry.path().extension() != ".gif") continue;
    Component c;
    for (int index = 0, count = 1; index < std::min(count, 400); ++index) {
      c.io.ParamRecord().GifImageIndex = index;
      count = c.io.LoadGifFromFile(entry.path().string());
      const TIOParams& p = c.io.ParamRecord();
      if (c.io.AbortFlag()) continue;
      ++loaded;
      ASSERT_EQ(std::make_tuple(c.view.CurrentBitmap()->Width(), c.view.CurrentBitmap()->Height(),
                                c.view.AlphaPlane()->Width(), p.GifImageCount),
                std::make_tuple(p.Width, p.Height, p.Width, count))
          << entry.path();
    }
  }
  EXPECT_GT(loaded, 500);
}
