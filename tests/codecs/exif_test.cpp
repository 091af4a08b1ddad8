#include <gtest/gtest.h>

#include "codecs/exif/exif_reader.h"
#include "jpeg_test_builder.h"

using namespace pix;
using namespace jpegtest;

namespace {

Bytes Camera(bool little, const Bytes& thumbnail = {}) {
  return ExifPayload(little,
                     {{0x010F, 2, {}, "Pixfold Cam"}, {0x0112, 3, {6}, ""}, {0x011A, 5, {2835, 100}, ""},
                      {0x011B, 5, {300, 1}, ""}, {0x0128, 3, {3}, ""}, {0x0132, 2, {}, "2024:05:06 07:08:09"}},
                     {{0x829A, 5, {1, 250}, ""}, {0x829D, 5, {28, 10}, ""}, {0x8827, 3, {200, 400}, ""}}, thumbnail);
}

}  // namespace

TEST(Exif, ReadsBothDirectoriesInBothByteOrdersAndTheThumbnail) {
  TIOParams thumbParams;
  thumbParams.JpegQuality = 100;
  Bytes thumbnail = Encode(*Constant(16, 12, 0, 0, 255), thumbParams);
  for (bool little : {true, false}) {
    Bytes payload = Camera(little, thumbnail);
    TIOParams params;
    ASSERT_TRUE(ReadExifBlock(payload.data(), payload.size(), params)) << little;
    EXPECT_TRUE(params.ExifHasExifData);
    EXPECT_EQ(params.ExifMake, "Pixfold Cam");
    EXPECT_EQ(params.ExifOrientation, 6);
    EXPECT_DOUBLE_EQ(params.ExifXResolution, 28.35);
    EXPECT_DOUBLE_EQ(params.ExifYResolution, 300.0);
    EXPECT_EQ(params.ExifResolutionUnit, 3);
    EXPECT_EQ(params.ExifDateTime, "2024:05:06 07:08:09");
    EXPECT_DOUBLE_EQ(params.ExifExposureTime, 0.004);
    EXPECT_DOUBLE_EQ(params.ExifFNumber, 2.8);
    EXPECT_EQ(params.ExifISOSpeedRatings[1], 400);
    ASSERT_EQ(params.ExifThumbnail().Width(), 16);
    EXPECT_GE(params.ExifThumbnail().ScanLine(6)[0], 250);  // blue
  }
}

TEST(Exif, DamagedOrForeignBlocksYieldNoValuesAndStayInBounds) {
  // Every truncation and many single-byte corruptions: the reader keeps what
  // it can, stays inside the payload (the sanitizer build checks) and never throws.
  TIOParams thumbParams;
  Bytes payload = Camera(true, Encode(*Photo(8, 8), thumbParams));
  const std::size_t firstEnd = 6 + (payload[10] | payload[11] << 8) + 2 + 7 * 12;  // seven entries
  for (std::size_t n = 0; n <= payload.size(); ++n) {
    TIOParams params;
    EXPECT_EQ(ReadExifBlock(payload.data(), n, params), n >= firstEnd) << n;  // needs the first directory whole
  }
  for (std::size_t i = 6; i < payload.size(); ++i)
    for (uint8_t value : {0x00, 0x7F, 0xFF}) {
      Bytes bad = payload;
      bad[i] = value;
      TIOParams params;
      EXPECT_NO_THROW(ReadExifBlock(bad.data(), bad.size(), params));
    }
  TIOParams params;
  ASSERT_TRUE(ReadExifBlock(payload.data(), payload.size(), params));
  Bytes xmp{'h', 't', 't', 'p', ':', '/', '/', 0};
  EXPECT_FALSE(ReadExifBlock(xmp.data(), xmp.size(), params));
  EXPECT_FALSE(params.ExifHasExifData);
  EXPECT_EQ(params.ExifMake, "");
  EXPECT_EQ(params.ExifThumbnail().Width(), 1);
  Bytes zeroDenominator = ExifPayload(false, {{0x011A, 5, {72, 0}, ""}});
  ASSERT_TRUE(ReadExifBlock(zeroDenominator.data(), zeroDenominator.size(), params));
  EXPECT_EQ(params.ExifXResolution, 0.0);
}
