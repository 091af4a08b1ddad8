#include <gtest/gtest.h>

#include <cstring>

#include "jpeg_test_builder.h"

using namespace pix;
using namespace jpegtest;

namespace {

// Blue, green, red of one pixel as text, for readable failures.
std::string Bgr(const TBitmap& image, int x, int y) {
  const uint8_t* p = image.ScanLine(y) + x * 3;
  return std::to_string(p[0]) + "," + std::to_string(p[1]) + "," + std::to_string(p[2]);
}

Bytes EncodeWith(TBitmap& image, uint8_t colorSpace, int quality = 50) {
  TIOParams params;
  params.JpegColorSpace = static_cast<pix::TJpegColorSpace>(colorSpace);
  params.JpegQuality = quality;
  return Encode(image, params);
}

}  // namespace

TEST(JpegRead, StartFoundWithinNinetyNineBytesOnly) {
  Bytes jpeg = EncodeWith(*Photo(16, 16), 2);
  for (int prefix : {0, 1, 99, 100}) {
    Bytes file(prefix, 0xFF);  // FF bytes before the start must not confuse the search
    file.insert(file.end(), jpeg.begin(), jpeg.end());
    TPixMemoryStream stream(file);
    EXPECT_EQ(FindJpegStart(stream), prefix < 100 ? prefix : -1);
    EXPECT_EQ(stream.Position(), 0);
    TBitmap image(3, 2);
    TIOParams params;
    params.DpiX = 77;
    EXPECT_EQ(Decode(file, image, params), prefix < 100);
    EXPECT_EQ(image.Width(), prefix < 100 ? 16 : 3);
    EXPECT_EQ(params.DpiX, prefix < 100 ? 0 : 77);  // the writer stored the record's 0
  }
}

TEST(JpegRead, ScaleAutomaticAndFixed) {
  Bytes file = EncodeWith(*Photo(2000, 1500), 2);
  TBitmap image;
  TIOParams params;
  params.JpegScale = static_cast<pix::TJpegScale>(0);
  params.Width = 400, params.Height = 300;
  ASSERT_TRUE(Decode(file, image, params));
  EXPECT_EQ(params.JpegScaleDenominator, 4);
  EXPECT_EQ(image.Width(), 500);
  EXPECT_EQ(image.Height(), 375);
  params.Width = 1001, params.Height = 10;  // more than half the width: full size
  ASSERT_TRUE(Decode(file, image, params, true));
  EXPECT_EQ(params.JpegScaleDenominator, 1);
  params.JpegScale = static_cast<pix::TJpegScale>(4);
  ASSERT_TRUE(Decode(file, image, params, true));
  EXPECT_EQ(params.JpegScaleDenominator, 8);
  EXPECT_EQ(params.Height, 188);  // 1500 / 8 rounded up
}

TEST(JpegRead, JfifDensityInInchesCentimetresAndAspectOnly) {
  Bytes file = EncodeWith(*Photo(8, 8), 2);
  struct {
    uint8_t unit;
    uint16_t x, y;
    int dpiX, dpiY;
  } cases[] = {{1, 300, 150, 300, 150}, {2, 118, 28, 299, 71}, {0, 3, 2, 3, 2}, {7, 5, 5, 42, 43}};
  for (const auto& c : cases) {
    SetJfifDensity(file, c.unit, c.x, c.y);
    TBitmap image;
    TIOParams params;
    params.DpiX = 42, params.DpiY = 43;
    ASSERT_TRUE(Decode(file, image, params));
    EXPECT_EQ(params.DpiX, c.dpiX) << int(c.unit);
    EXPECT_EQ(params.DpiY, c.dpiY) << int(c.unit);
  }
  TBitmap image;
  TIOParams params;
  ASSERT_TRUE(Decode(WithoutSegment(file, 0xE0), image, params));  // no JFIF header at all
  EXPECT_EQ(params.DpiX, 1);
  EXPECT_EQ(params.DpiY, 1);
}

TEST(JpegRoundTrip, GrayscaleStaysGrayAndEveryColourSpaceKeepsItsColours) {
  TBitmap gray;
  TIOParams params;
  ASSERT_TRUE(Decode(EncodeWith(*Photo(40, 24), 1), gray, params));
  EXPECT_EQ(params.JpegColorSpace, 1);
  for (int i = 0; i < 40 * 24; ++i) {
    const uint8_t* p = gray.ScanLine(i / 40) + i % 40 * 3;
    ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << i;
  }
  for (const TSegment& s : Segments(Encode(gray, params)))
    if (s.Marker == 0xC0) {
      EXPECT_EQ(s.Payload[5], 1);  // written with one component again
    }

  // Constant colours survive quality 100, so a swapped byte order shows at
  // once. The ink rule stores (255, 127, 63, 100) for red 100, green 50, blue
  // 25 and reads back (100, 49, 24); YCCK adds libjpeg's own rounding.
  struct {
    uint8_t code;
    uint8_t r, g, b;
    std::string bgr;
  } cases[] = {{0, 200, 30, 10, "10,30,200"},   {2, 255, 255, 255, "255,255,255"}, {3, 255, 0, 0, "0,0,255"},
               {3, 100, 50, 25, "24,49,100"},   {3, 0, 0, 0, "0,0,0"},            {9, 1, 2, 3, "3,2,1"},
               {4, 255, 255, 255, "255,255,255"}};
  for (const auto& c : cases) {
    TBitmap back;
    TIOParams read;
    ASSERT_TRUE(Decode(EncodeWith(*Constant(16, 16, c.r, c.g, c.b), c.code, 100), back, read));
    EXPECT_EQ(read.JpegColorSpace, c.code == 9 ? 0 : c.code);
    EXPECT_EQ(Bgr(back, 7, 9), c.bgr) << int(c.code);
  }
  Bytes raw = RawDecode(EncodeWith(*Constant(8, 8, 255, 0, 0), 3, 100), JCS_CMYK);
  ASSERT_EQ(raw.size(), 8u * 8 * 4);
  EXPECT_EQ(Bytes(raw.begin(), raw.begin() + 4), (Bytes{255, 0, 0, 255}));  // what libjpeg was handed
}

TEST(JpegWrite, QualityDensityHuffmanProgressionAndBilevel) {
  auto image = Photo(64, 48);
  TIOParams params;
  params.JpegQuality = 0;
  Bytes q0 = Encode(*image, params);
  params.JpegQuality = 1;
  EXPECT_EQ(q0, Encode(*image, params));
  params.JpegQuality = 100;
  Bytes q100 = Encode(*image, params);
  EXPECT_GT(q100.size(), 3 * q0.size());
  params.DpiX = 0x10000 + 300;  // truncated to 16 bits
  params.DpiY = 72;
  params.JpegOptimalHuffman = true;
  Bytes optimal = Encode(*image, params);
  EXPECT_LT(optimal.size(), q100.size());
  EXPECT_EQ(Bytes(optimal.begin() + 13, optimal.begin() + 18), (Bytes{1, 1, 44, 0, 72}));

  params.JpegProgressive = true;
  TBitmap baseline, progressive;
  TIOParams read;
  ASSERT_TRUE(Decode(Encode(*image, params), progressive, read));
  EXPECT_TRUE(read.JpegProgressive);
  ASSERT_TRUE(Decode(q100, baseline, read));
  EXPECT_FALSE(read.JpegProgressive);
  EXPECT_EQ(std::memcmp(baseline.Bits(), progressive.Bits(), baseline.ByteSize()), 0);  // same coefficients

  TBitmap bilevel(16, 8, TPixelFormat::Bilevel);
  for (int y = 0; y < 8; ++y) bilevel.ScanLine(y)[0] = 0xFF;  // left 8 columns white
  ASSERT_TRUE(Decode(Encode(bilevel, params), baseline, read));
  EXPECT_EQ(Bgr(baseline, 1, 4) + " " + Bgr(baseline, 14, 4), "255,255,255 0,0,0");
}

TEST(JpegMarkers, KeptInOrderWithoutTheJfifHeaderAndWrittenBack) {
  TIOParams params;
  for (const char* text : {"\xFE" "hello", "\xE2" "icc", "\xE0" "JFXX"})
    params.MarkerList().AddMarker(static_cast<uint8_t>(text[0]), reinterpret_cast<const uint8_t*>(text + 1),
                                  static_cast<int>(std::strlen(text + 1)));
  Bytes file = Encode(*Photo(16, 16), params);
  std::vector<TSegment> segments = Segments(file);
  ASSERT_GE(segments.size(), 4u);
  EXPECT_EQ(std::to_string(segments[0].Marker) + std::to_string(segments[1].Marker) +
                std::to_string(segments[2].Marker) + std::to_string(segments[3].Marker),
            "224254226224");
  TBitmap back;
  TIOParams read;
  ASSERT_TRUE(Decode(file, back, read, true));
  ASSERT_EQ(read.MarkerList().Count(), 3);  // only the first APP0 is libjpeg's to write
  EXPECT_EQ(read.MarkerList().Marker(0).Payload, (Bytes{'h', 'e', 'l', 'l', 'o'}));
  EXPECT_EQ(read.MarkerList().MarkerCode(2), 0xE0);
}

TEST(JpegWrite, ShortWriteProgressAbortAndLibjpegErrors) {
  auto image = Photo(256, 256);
  TIOParams params;
  TPixMemoryStream limited;
  limited.SetWriteLimit(1000);
  TRun shortRun;
  WriteJpegStream(limited, *image, params, shortRun.Progress);
  EXPECT_TRUE(shortRun.Aborted);

  TPixMemoryStream stream;
  TRun run;
  std::vector<int> seen;
  TPixProgressEvent handler = [&](TPixObject*, int per) {
    seen.push_back(per);
    run.Aborted = per >= 50;
  };
  run.Progress.Handler = &handler;
  WriteJpegStream(stream, *image, params, run.Progress);
  ASSERT_EQ(seen.size(), 128u);  // trunc(k x 100 / 256) reaches 50 at row 128
  EXPECT_EQ(seen.front(), 0);

  TBitmap empty;
  TRun emptyRun;
  EXPECT_THROW(WriteJpegStream(stream, empty, params, emptyRun.Progress), EPixJpegException);
  EXPECT_TRUE(emptyRun.Aborted);
  Bytes huge(65534, 1);  // one byte more than a segment holds
  params.MarkerList().AddMarker(0xE5, huge.data(), static_cast<int>(huge.size()));
  TRun hugeRun;
  EXPECT_THROW(WriteJpegStream(stream, *image, params, hugeRun.Progress), EPixJpegException);
  EXPECT_TRUE(hugeRun.Aborted);
}

TEST(JpegRead, DamagedInputProgressAbortAndAbsurdSizesEndCleanly) {
  Bytes good = EncodeWith(*Photo(32, 100), 2);
  TBitmap image;
  TIOParams params;
  EXPECT_TRUE(Decode(Bytes(good.begin(), good.end() - 150), image, params));  // cut in the scan: libjpeg fills
  EXPECT_EQ(image.Height(), 100);
  EXPECT_GT(params.JpegWarningCount, 0);
  EXPECT_NE(params.JpegWarningCode, 0);
  ASSERT_TRUE(Decode(good, image, params));
  EXPECT_EQ(params.JpegWarningCount, 0);
  EXPECT_FALSE(Decode({0xFF, 0xD8, 0xFF}, image, params));
  Bytes corrupt = good, absurd = good;
  for (std::size_t i = 20; i < 200; ++i) corrupt[i] = static_cast<uint8_t>(i * 7);
  EXPECT_FALSE(Decode(corrupt, image, params));
  for (const TSegment& s : Segments(good))  // a 60000 x 60000 frame
    if (s.Marker == 0xC0) absurd[s.At + 5] = absurd[s.At + 7] = 0xEA, absurd[s.At + 6] = absurd[s.At + 8] = 0x60;
  TBitmap untouched(2, 2);
  EXPECT_FALSE(Decode(absurd, untouched, params));
  EXPECT_EQ(untouched.Width(), 2);
  // 16000 x 16000 progressive: its coefficients alone would take 1.5 GB.
  TIOParams progressive;
  progressive.JpegProgressive = true;
  progressive.JpegColorSpace = static_cast<pix::TJpegColorSpace>(0);
  Bytes big = Encode(*Photo(16, 16), progressive);
  for (const TSegment& s : Segments(big))
    if (s.Marker == 0xC2) big[s.At + 5] = big[s.At + 7] = 0x3E, big[s.At + 6] = big[s.At + 8] = 0x80;
  EXPECT_FALSE(Decode(big, untouched, params));
  EXPECT_EQ(untouched.Width(), 2);

  TPixMemoryStream stream(good);
  TRun run;
  TPixProgressEvent handler = [&](TPixObject*, int per) { run.Aborted = per >= 10; };
  run.Progress.Handler = &handler;
  ReadJpegStream(stream, image, params, false, run.Progress);
  EXPECT_TRUE(run.Aborted);
  EXPECT_EQ(Bgr(image, 5, 10), "0,0,0");  // row 11 never decoded, still zero
  EXPECT_NE(Bgr(image, 5, 9), "0,0,0");
}
