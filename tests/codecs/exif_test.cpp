#include <gtest/gtest.h>

#include "codecs/exif_reader.h"
#include "jpeg_test_builder.h"

using namespace pix;
using namespace jpegtest;

namespace {

TExifBuilder Camera(bool little) {
  TExifBuilder b(little);
  b.Ascii(0x010F, "Pixfold Cam")
      .Ascii(0x0110, "Model 7")
      .Short(0x0112, {6})
      .Rational(0x011A, 2835, 100)
      .Rational(0x011B, 300, 1)
      .Short(0x0128, {3})
      .Ascii(0x0132, "2024:05:06 07:08:09")
      .Rational(0x829A, 1, 250, true)
      .Rational(0x829D, 28, 10, true)
      .Short(0x8827, {200, 400}, true);
  return b;
}

}  // namespace

TEST(Exif, ReadsTheImageAndExifDirectoriesInBothByteOrders) {
  for (bool little : {true, false}) {
    Bytes payload = Camera(little).Build();
    TExifValues v;
    ASSERT_TRUE(ParseExifBlock(payload.data(), payload.size(), v)) << little;
    EXPECT_EQ(v.Make, "Pixfold Cam");
    EXPECT_EQ(v.Model, "Model 7");
    EXPECT_EQ(v.Orientation, 6);
    EXPECT_DOUBLE_EQ(v.XResolution, 28.35);
    EXPECT_DOUBLE_EQ(v.YResolution, 300.0);
    EXPECT_EQ(v.ResolutionUnit, 3);
    EXPECT_EQ(v.DateTime, "2024:05:06 07:08:09");
    EXPECT_DOUBLE_EQ(v.ExposureTime, 0.004);
    EXPECT_DOUBLE_EQ(v.FNumber, 2.8);
    EXPECT_EQ(v.ISOSpeedRatings[0], 200);
    EXPECT_EQ(v.ISOSpeedRatings[1], 400);
  }
}

TEST(Exif, ThumbnailOfTheSecondDirectoryDecodesThroughTheCodec) {
  auto small = Constant(16, 12, 0, 0, 255);
  TIOParams thumbParams;
  thumbParams.JpegQuality = 100;
  Bytes payload = Camera(false).Thumbnail(Encode(*small, thumbParams)).Build();
  TIOParams params;
  ASSERT_TRUE(ReadExifBlock(payload.data(), payload.size(), params));
  EXPECT_TRUE(params.ExifHasExifData);
  EXPECT_EQ(params.ExifModel, "Model 7");
  ASSERT_EQ(params.ExifThumbnail().Width(), 16);
  ASSERT_EQ(params.ExifThumbnail().Height(), 12);
  EXPECT_GE(params.ExifThumbnail().ScanLine(6)[0], 250);  // blue
}

TEST(Exif, NotExifLeavesTheBlockEmpty) {
  Bytes payload = Camera(true).Build();
  TIOParams params;
  ASSERT_TRUE(ReadExifBlock(payload.data(), payload.size(), params));
  Bytes xmp{'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0};
  EXPECT_FALSE(ReadExifBlock(xmp.data(), xmp.size(), params));
  EXPECT_FALSE(params.ExifHasExifData);
  EXPECT_EQ(params.ExifMake, "");
  EXPECT_EQ(params.ExifXResolution, 0.0);
  Bytes badOrder = payload;
  badOrder[6] = 'X';
  EXPECT_FALSE(ReadExifBlock(badOrder.data(), badOrder.size(), params));
}

TEST(Exif, DamagedBlocksNeverReadOutsideThePayload) {
  // Every truncation and every single-byte corruption of a block with a
  // thumbnail: the reader may keep what it can, but must stay in bounds
  // (the sanitizer build checks) and must not throw.
  TIOParams thumbParams;
  Bytes payload = Camera(true).Thumbnail(Encode(*Photo(8, 8), thumbParams)).Build();
  for (std::size_t n = 0; n <= payload.size(); ++n) {
    Bytes cut(payload.begin(), payload.begin() + n);
    TIOParams params;
    bool ok = ReadExifBlock(cut.data(), cut.size(), params);
    if (n < 6 + 8) {
      EXPECT_FALSE(ok) << n;
    }
  }
  for (std::size_t i = 6; i < payload.size(); ++i)
    for (uint8_t value : {0x00, 0x7F, 0xFF}) {
      Bytes bad = payload;
      bad[i] = value;
      TIOParams params;
      EXPECT_NO_THROW(ReadExifBlock(bad.data(), bad.size(), params));
    }
  TExifValues v;
  Bytes zeroDen = TExifBuilder().Rational(0x011A, 72, 0).Build();
  ASSERT_TRUE(ParseExifBlock(zeroDen.data(), zeroDen.size(), v));
  EXPECT_EQ(v.XResolution, 0.0);
}
