#include <gtest/gtest.h>

#include <cstdlib>

#include "codecs/jpeg_codec.h"
#include "jpeg_test_builder.h"

using namespace pix;
using namespace jpegtest;

namespace {

struct TPixel {
  int b, g, r;
  bool operator==(const TPixel&) const = default;
};

TPixel PixelAt(const TBitmap& image, int x, int y) {
  const uint8_t* p = image.ScanLine(y) + x * 3;
  return {p[0], p[1], p[2]};
}

int MaxDifference(const TBitmap& a, const TBitmap& b) {
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 3; ++x)
      worst = std::max(worst, std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]));
  return worst;
}

Bytes EncodePhoto(int w, int h, uint8_t colorSpace = 2, bool progressive = false) {
  auto image = Photo(w, h);
  TIOParams params;
  params.JpegColorSpace = colorSpace;
  params.JpegQuality = 90;
  params.JpegProgressive = progressive;
  return Encode(*image, params);
}

}  // namespace

TEST(JpegStart, FoundWithinNinetyNineBytesOnly) {
  Bytes jpeg = EncodePhoto(16, 16);
  for (int prefix : {0, 1, 99}) {
    Bytes file(prefix, 0xFF);  // FF bytes before the start must not confuse the search
    file.insert(file.end(), jpeg.begin(), jpeg.end());
    TPixMemoryStream stream(file);
    EXPECT_EQ(FindJpegStart(stream), prefix);
    EXPECT_EQ(stream.Position(), 0);
    TBitmap image;
    TIOParams params;
    EXPECT_TRUE(Decode(file, image, params)) << prefix;
    EXPECT_EQ(image.Width(), 16);
  }
  Bytes file(100, 0);
  file.insert(file.end(), jpeg.begin(), jpeg.end());
  TBitmap image(3, 2);
  TIOParams params;
  params.DpiX = 77;
  EXPECT_FALSE(Decode(file, image, params));
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(params.DpiX, 77);
}

TEST(JpegRead, ScaleAutomaticAndFixed) {
  Bytes file = EncodePhoto(2000, 1500);
  TBitmap image;
  TIOParams params;
  params.JpegScale = 0;
  params.Width = 400;
  params.Height = 300;
  ASSERT_TRUE(Decode(file, image, params));
  EXPECT_EQ(params.JpegScaleDenominator, 4);
  EXPECT_EQ(image.Width(), 500);
  EXPECT_EQ(image.Height(), 375);
  EXPECT_EQ(params.Width, 500);

  params.Width = 1001;  // more than half the width: full size
  params.Height = 10;
  ASSERT_TRUE(Decode(file, image, params, true));
  EXPECT_EQ(params.JpegScaleDenominator, 1);
  EXPECT_EQ(params.Width, 2000);

  params.JpegScale = 4;
  ASSERT_TRUE(Decode(file, image, params, true));
  EXPECT_EQ(params.JpegScaleDenominator, 8);
  EXPECT_EQ(params.Width, 250);
  EXPECT_EQ(params.Height, 188);  // 1500 / 8 rounded up
}

TEST(JpegRead, JfifDensityInInchesCentimetresAndAspectOnly) {
  Bytes file = EncodePhoto(8, 8);
  struct {
    uint8_t unit;
    uint16_t x, y;
    int dpiX, dpiY;
  } cases[] = {{1, 300, 150, 300, 150}, {2, 118, 28, 299, 71}, {0, 1, 1, 1, 1}, {0, 3, 2, 3, 2}, {7, 5, 5, 42, 43}};
  for (const auto& c : cases) {
    SetJfifDensity(file, c.unit, c.x, c.y);
    TBitmap image;
    TIOParams params;
    params.DpiX = 42;
    params.DpiY = 43;
    ASSERT_TRUE(Decode(file, image, params));
    EXPECT_EQ(params.DpiX, c.dpiX) << int(c.unit);
    EXPECT_EQ(params.DpiY, c.dpiY) << int(c.unit);
  }
  TBitmap image;
  TIOParams params;
  ASSERT_TRUE(Decode(WithoutSegment(file, 0xE0), image, params));
  EXPECT_EQ(params.DpiX, 1);
  EXPECT_EQ(params.DpiY, 1);
}

TEST(JpegRoundTrip, GrayscaleStaysGrayAndIsWrittenGrayAgain) {
  Bytes file = EncodePhoto(40, 24, 1);
  TBitmap image;
  TIOParams params;
  params.JpegColorSpace = 2;
  ASSERT_TRUE(Decode(file, image, params));
  EXPECT_EQ(params.JpegColorSpace, 1);
  EXPECT_EQ(params.SamplesPerPixel, 3);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      TPixel p = PixelAt(image, x, y);
      ASSERT_TRUE(p.b == p.g && p.g == p.r) << x << "," << y;
    }
  Bytes again = Encode(image, params);
  int comps = 0;
  EXPECT_FALSE(RawDecode(again, JCS_GRAYSCALE, &comps).empty());
  EXPECT_EQ(comps, 1);
}

TEST(JpegRoundTrip, ColourSpacesKeepRedRed) {
  // Constant colours survive quality 100 exactly in every colour space, so a
  // swapped byte order or a wrong CMYK rule shows at once.
  for (uint8_t code : {0, 2, 3, 4, 9}) {
    auto image = Constant(16, 16, 200, 30, 10);
    TIOParams params;
    params.JpegColorSpace = code;
    params.JpegQuality = 100;
    Bytes file = Encode(*image, params);
    TBitmap back;
    TIOParams read;
    ASSERT_TRUE(Decode(file, back, read)) << int(code);
    EXPECT_EQ(read.JpegColorSpace, code == 9 ? 0 : code);
    // The ink rule truncates twice; the other spaces round once at most.
    const int tolerance = code == 3 || code == 4 ? 3 : 1;
    TPixel p = PixelAt(back, 7, 9);
    EXPECT_NEAR(p.r, 200, tolerance) << int(code);
    EXPECT_NEAR(p.g, 30, tolerance) << int(code);
    EXPECT_NEAR(p.b, 10, tolerance) << int(code);
  }
}

TEST(JpegCmyk, InvertedInkRuleBothWays) {
  // What our writer hands libjpeg for pure red and black.
  auto image = Constant(16, 8, 255, 0, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 8; x < 16; ++x) SetPixel(*image, x, y, 0, 0, 0);
  TIOParams params;
  params.JpegColorSpace = 3;
  params.JpegQuality = 100;
  Bytes raw = RawDecode(Encode(*image, params), JCS_CMYK);
  ASSERT_EQ(raw.size(), 16u * 8 * 4);
  const std::size_t red = (3 * 16 + 3) * 4, black = (3 * 16 + 12) * 4;
  EXPECT_EQ(Bytes(raw.begin() + red, raw.begin() + red + 4), (Bytes{255, 0, 0, 255}));
  EXPECT_EQ(Bytes(raw.begin() + black, raw.begin() + black + 4), (Bytes{0, 0, 0, 1}));

  // What our reader makes of stored components.
  struct {
    Bytes cmyk;
    TPixel expected;
  } cases[] = {{{255, 255, 255, 255}, {255, 255, 255}},
               {{255, 0, 0, 255}, {0, 0, 255}},
               {{200, 100, 50, 128}, {25, 50, 100}}};
  for (const auto& c : cases) {
    Bytes pixels;
    for (int i = 0; i < 64; ++i) pixels.insert(pixels.end(), c.cmyk.begin(), c.cmyk.end());
    TBitmap back;
    TIOParams read;
    ASSERT_TRUE(Decode(RawEncode(pixels, 8, 8, 4, JCS_CMYK, JCS_CMYK), back, read));
    EXPECT_EQ(read.JpegColorSpace, 3);
    EXPECT_EQ(PixelAt(back, 3, 3), c.expected);
  }
}

TEST(JpegCmyk, YcckFileUsesLibjpegsCmykComponents) {
  Bytes pixels;
  for (int i = 0; i < 64; ++i) pixels.insert(pixels.end(), {180, 90, 40, 220});
  Bytes file = RawEncode(pixels, 8, 8, 4, JCS_CMYK, JCS_YCCK);
  Bytes cmyk = RawDecode(file, JCS_CMYK);
  TBitmap back;
  TIOParams read;
  ASSERT_TRUE(Decode(file, back, read));
  EXPECT_EQ(read.JpegColorSpace, 4);
  TPixel p = PixelAt(back, 5, 5);
  EXPECT_EQ(p.r, cmyk[20] * cmyk[23] / 255);
  EXPECT_EQ(p.g, cmyk[21] * cmyk[23] / 255);
  EXPECT_EQ(p.b, cmyk[22] * cmyk[23] / 255);
}

TEST(JpegWrite, QualityDensityHuffmanAndProgression) {
  auto image = Photo(64, 48);
  TIOParams params;
  params.JpegQuality = 0;
  Bytes q0 = Encode(*image, params);
  params.JpegQuality = 1;
  EXPECT_EQ(q0, Encode(*image, params));
  params.JpegQuality = 100;
  Bytes q100 = Encode(*image, params);
  TBitmap best;
  TIOParams read;
  ASSERT_TRUE(Decode(q100, best, read));
  EXPECT_LE(MaxDifference(*image, best), 16);
  EXPECT_GT(q100.size(), q0.size());

  params.DpiX = 0x10000 + 300;  // truncated to 16 bits
  params.DpiY = 72;
  params.JpegOptimalHuffman = true;
  Bytes optimal = Encode(*image, params);
  EXPECT_LT(optimal.size(), q100.size());
  ASSERT_GE(optimal.size(), 18u);
  EXPECT_EQ(optimal[13], 1);
  EXPECT_EQ((optimal[14] << 8) | optimal[15], 300);
  EXPECT_EQ((optimal[16] << 8) | optimal[17], 72);

  params.JpegProgressive = true;
  Bytes progressive = Encode(*image, params);
  TBitmap fromProgressive;
  ASSERT_TRUE(Decode(progressive, fromProgressive, read));
  EXPECT_TRUE(read.JpegProgressive);
  EXPECT_EQ(MaxDifference(best, fromProgressive), 0);
  ASSERT_TRUE(Decode(q100, best, read));
  EXPECT_FALSE(read.JpegProgressive);
}

TEST(JpegWrite, BilevelImageIsWrittenAsBlackAndWhite) {
  TBitmap image(16, 8, TPixelFormat::Bilevel);
  for (int y = 0; y < 8; ++y) image.ScanLine(y)[0] = 0xFF;  // left 8 columns white
  TIOParams params;
  params.JpegQuality = 100;
  TBitmap back;
  ASSERT_TRUE(Decode(Encode(image, params), back, params));
  EXPECT_EQ(image.PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_GE(PixelAt(back, 1, 4).g, 240);
  EXPECT_LE(PixelAt(back, 14, 4).g, 15);
}

TEST(JpegMarkers, KeptInOrderWithoutTheJfifHeaderAndWrittenBack) {
  auto image = Photo(16, 16);
  TIOParams params;
  params.MarkerList().AddMarker(0xFE, reinterpret_cast<const uint8_t*>("hello"), 5);
  params.MarkerList().AddMarker(0xE2, reinterpret_cast<const uint8_t*>("icc"), 3);
  params.MarkerList().AddMarker(0xE0, reinterpret_cast<const uint8_t*>("JFXX"), 4);
  Bytes file = Encode(*image, params);
  std::vector<uint8_t> codes = MarkerCodes(file);
  ASSERT_GE(codes.size(), 4u);
  EXPECT_EQ(std::vector<uint8_t>(codes.begin(), codes.begin() + 4), (std::vector<uint8_t>{0xE0, 0xFE, 0xE2, 0xE0}));

  TBitmap back;
  TIOParams read;
  ASSERT_TRUE(Decode(file, back, read, true));
  ASSERT_EQ(read.MarkerList().Count(), 3);
  EXPECT_EQ(read.MarkerList().MarkerCode(0), 0xFE);
  EXPECT_EQ(read.MarkerList().Marker(0).Payload, (Bytes{'h', 'e', 'l', 'l', 'o'}));
  EXPECT_EQ(read.MarkerList().MarkerCode(2), 0xE0);  // only the first APP0 is libjpeg's to write
}

TEST(JpegWrite, ShortWriteAndProgressAbortStopWithoutFinishing) {
  auto image = Photo(256, 256);
  TIOParams params;
  params.JpegQuality = 95;
  {
    TPixMemoryStream stream;
    stream.SetWriteLimit(1000);
    TRun run;
    WriteJpegStream(stream, *image, params, run.Progress);
    EXPECT_TRUE(run.Aborted);
    EXPECT_LE(stream.Size(), 1000);
  }
  TPixMemoryStream stream;
  TRun run;
  std::vector<int> seen;
  TPixProgressEvent handler = [&](TPixObject*, int per) {
    seen.push_back(per);
    if (per >= 50) run.Aborted = true;
  };
  run.Progress.Handler = &handler;
  WriteJpegStream(stream, *image, params, run.Progress);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front(), 0);  // trunc(1 x 100 / 256)
  EXPECT_EQ(seen.back(), 50);
  EXPECT_EQ(seen.size(), 128u);
}

TEST(JpegWrite, LibjpegErrorRaisesAndSetsAbortFlag) {
  TBitmap empty;
  TIOParams params;
  TPixMemoryStream stream;
  TRun run;
  EXPECT_THROW(WriteJpegStream(stream, empty, params, run.Progress), EPixJpegException);
  EXPECT_TRUE(run.Aborted);

  auto image = Photo(8, 8);
  Bytes huge(70000, 1);
  params.MarkerList().AddMarker(0xE5, huge.data(), 65534);  // one byte more than a segment holds
  TRun again;
  EXPECT_THROW(WriteJpegStream(stream, *image, params, again.Progress), EPixJpegException);
  EXPECT_TRUE(again.Aborted);
}

TEST(JpegRead, DamagedInputEndsCleanly) {
  Bytes good = EncodePhoto(64, 64);
  TBitmap image;
  TIOParams params;
  // Cut inside the scan: libjpeg fills the rest and warns.
  Bytes cut(good.begin(), good.begin() + good.size() / 2);
  EXPECT_TRUE(Decode(cut, image, params));
  EXPECT_EQ(image.Height(), 64);
  EXPECT_GT(params.JpegWarningCount, 0);
  EXPECT_NE(params.JpegWarningCode, 0);
  ASSERT_TRUE(Decode(good, image, params));
  EXPECT_EQ(params.JpegWarningCount, 0);

  // Only a start marker; a corrupt frame; an absurd frame of 60000 x 60000.
  Bytes start{0xFF, 0xD8, 0xFF};
  EXPECT_FALSE(Decode(start, image, params));
  Bytes corrupt = good;
  for (std::size_t i = 20; i < 200; ++i) corrupt[i] = static_cast<uint8_t>(i * 7);
  EXPECT_FALSE(Decode(corrupt, image, params));
  Bytes absurd = good;
  std::size_t sof = 2;
  while (sof + 1 < absurd.size() && !(absurd[sof] == 0xFF && absurd[sof + 1] == 0xC0)) ++sof;
  ASSERT_LT(sof + 8, absurd.size());
  absurd[sof + 5] = absurd[sof + 7] = 0xEA;
  absurd[sof + 6] = absurd[sof + 8] = 0x60;
  TBitmap untouched(2, 2);
  EXPECT_FALSE(Decode(absurd, untouched, params));
  EXPECT_EQ(untouched.Width(), 2);
}

TEST(JpegRead, ProgressAbortStopsAndLeavesTheRowsRead) {
  Bytes file = EncodePhoto(32, 100);
  TPixMemoryStream stream(file);
  TBitmap image;
  TIOParams params;
  TRun run;
  int calls = 0;
  TPixProgressEvent handler = [&](TPixObject*, int per) {
    ++calls;
    if (per >= 10) run.Aborted = true;
  };
  run.Progress.Handler = &handler;
  ReadJpegStream(stream, image, params, false, run.Progress);
  EXPECT_TRUE(run.Aborted);
  EXPECT_EQ(calls, 10);
  EXPECT_EQ(image.Height(), 100);
  EXPECT_EQ(PixelAt(image, 5, 99), (TPixel{0, 0, 0}));  // never decoded, still zero
}

TEST(JpegRead, UnknownColourSpaceKeepsTheCodeAndReadsTheFirstComponentAsGrey) {
  Bytes pixels;
  for (int i = 0; i < 64; ++i) pixels.insert(pixels.end(), {77, 200});
  Bytes file = RawEncode(pixels, 8, 8, 2, JCS_UNKNOWN, JCS_UNKNOWN);
  ASSERT_FALSE(file.empty());
  TBitmap image;
  TIOParams params;
  params.JpegColorSpace = 4;
  ASSERT_TRUE(Decode(file, image, params));
  EXPECT_EQ(params.JpegColorSpace, 4);
  EXPECT_EQ(PixelAt(image, 4, 4), (TPixel{77, 77, 77}));
}
