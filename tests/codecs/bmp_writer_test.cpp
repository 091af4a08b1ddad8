#include <gtest/gtest.h>

#include <cstdlib>

#include "bmp_test_builder.h"
#include "codecs/bilevel.h"

using namespace pix;
using namespace bmptest;

namespace {

constexpr TRGB kBlack{0, 0, 0};
constexpr TRGB kWhite{255, 255, 255};
constexpr TRGB kDarkRed{0, 0, 120};

struct Written {
  Bytes bytes;
  bool aborted = false;
};

Written Write(TBitmap& image, TIOParams& params, int64_t writeLimit = -1) {
  Written w;
  TPixMemoryStream stream;
  stream.SetWriteLimit(writeLimit);
  TProgressRecord progress;
  progress.Aborting = &w.aborted;
  WriteBmpStream(stream, image, params, progress);
  w.bytes = stream.Bytes();
  return w;
}

uint32_t U32(const Bytes& b, size_t at) { return GetLE32(b.data() + at); }
uint16_t U16(const Bytes& b, size_t at) { return GetLE16(b.data() + at); }

// Colours on the 5-bit grid, so box splitting reproduces them exactly.
TRGB GridColor(int i) { return TRGB{uint8_t((i * 16) & 0xF8), uint8_t((200 - i * 8) & 0xF8), uint8_t((i * 56) & 0xF8)}; }

// A width x height image of `colors` distinct grid colours in vertical bands.
std::unique_ptr<TBitmap> Banded(int width, int height, int colors) {
  auto image = std::make_unique<TBitmap>(width, height, TPixelFormat::TrueColor);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) SetPixel(*image, x, y, GridColor((x * colors / width + y) % colors));
  return image;
}

void SetDepth(TIOParams& params, int bits, int samples) {
  params.BitsPerSample = bits;
  params.SamplesPerPixel = samples;
}

int MaxChannelError(TRGB a, TRGB b) {
  return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

}  // namespace

TEST(BmpWriteHeaders, DepthChoiceFromSampleParams) {
  struct Case {
    int bits, samples, depth;
  };
  for (Case c : {Case{1, 1, 1}, Case{4, 1, 4}, Case{8, 1, 8}, Case{8, 3, 24}, Case{5, 3, 24}, Case{2, 1, 8}}) {
    auto image = Banded(5, 3, 3);
    TIOParams params;
    SetDepth(params, c.bits, c.samples);
    Written w = Write(*image, params);
    SCOPED_TRACE(testing::Message() << c.bits << "/" << c.samples);
    ASSERT_FALSE(w.aborted);
    EXPECT_EQ(U16(w.bytes, 28), c.depth);
    const uint32_t colours = c.depth <= 8 ? (1u << c.depth) : 0u;
    EXPECT_EQ(U32(w.bytes, 46), colours);
    EXPECT_EQ(U32(w.bytes, 50), c.depth <= 8 ? colours : 16777216u);
    EXPECT_EQ(params.ColorMapCount, c.depth <= 8 ? static_cast<int>(colours) : 0);
  }
}

TEST(BmpWriteHeaders, SizeFieldsMatchTheStreamAndResolutionIsPixelsPerMetre) {
  auto image = Banded(7, 3, 4);
  TIOParams params;
  params.DpiX = 72;
  params.DpiY = 96;
  Written w = Write(*image, params);
  EXPECT_EQ(w.bytes[0], 'B');
  EXPECT_EQ(w.bytes[1], 'M');
  EXPECT_EQ(U32(w.bytes, 2), w.bytes.size());
  EXPECT_EQ(U32(w.bytes, 10), 54u);
  EXPECT_EQ(U32(w.bytes, 14), 40u);
  EXPECT_EQ(U32(w.bytes, 34), w.bytes.size() - 54);
  EXPECT_EQ(U32(w.bytes, 34), 3 * RowBytes(7, 24));
  EXPECT_EQ(U32(w.bytes, 38), 2835u);
  EXPECT_EQ(U32(w.bytes, 42), 3780u);
}

TEST(BmpWriteHeaders, RleImageSizeCountsEndOfLineAndEndOfBitmapCodes) {
  auto image = Banded(9, 4, 3);
  TIOParams params;
  SetDepth(params, 8, 1);
  params.BmpCompression = 1;
  Written w = Write(*image, params);
  EXPECT_EQ(U32(w.bytes, 30), 1u);
  const size_t offset = U32(w.bytes, 10);
  EXPECT_EQ(offset, 54 + 256 * 4u);
  EXPECT_EQ(U32(w.bytes, 34), w.bytes.size() - offset);
  EXPECT_EQ((Bytes{w.bytes.end() - 4, w.bytes.end()}), (Bytes{0, 0, 0, 1}));

  SetDepth(params, 4, 1);
  w = Write(*image, params);
  EXPECT_EQ(U32(w.bytes, 30), 2u);
}

TEST(BmpWriteHeaders, CoreHeaderNeverCompresses) {
  auto image = Banded(6, 2, 2);
  TIOParams params;
  SetDepth(params, 8, 1);
  params.BmpVersion = 2;
  params.BmpCompression = 1;
  Written w = Write(*image, params);
  EXPECT_EQ(U32(w.bytes, 14), 12u);
  EXPECT_EQ(U16(w.bytes, 18), 6);
  EXPECT_EQ(U16(w.bytes, 24), 8);
  EXPECT_EQ(U32(w.bytes, 10), 26 + 256 * 3u);
  EXPECT_EQ(w.bytes.size(), 26 + 256 * 3 + 2 * RowBytes(6, 8));
}

TEST(BmpWriteHeaders, TwoColourImageAtOneBitPutsTheDarkerColourFirst) {
  auto image = std::make_unique<TBitmap>(3, 1, TPixelFormat::TrueColor);
  SetPixel(*image, 0, 0, kWhite);
  SetPixel(*image, 1, 0, kDarkRed);
  SetPixel(*image, 2, 0, kWhite);
  TIOParams params;
  SetDepth(params, 1, 1);
  Written w = Write(*image, params);
  EXPECT_EQ((Bytes{w.bytes.begin() + 54, w.bytes.begin() + 62}), (Bytes{0, 0, 120, 0, 255, 255, 255, 0}));
  EXPECT_EQ(w.bytes[62] & 0xE0, 0xA0);
  EXPECT_EQ(params.ColorMap()[0], kDarkRed);
}

TEST(BmpWriteHeaders, ManyColoursAtOneBitAreDitheredWithABlackWhiteTable) {
  auto image = Banded(16, 8, 5);
  TIOParams params;
  SetDepth(params, 1, 1);
  Written w = Write(*image, params);
  TBitmap expected;
  CopyImage(*image, expected);
  DitherBilevel(expected, nullptr);
  EXPECT_EQ((Bytes{w.bytes.begin() + 54, w.bytes.begin() + 62}), (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
  for (int k = 0; k < 8; ++k)
    EXPECT_EQ(0, std::memcmp(w.bytes.data() + 62 + 4 * k, expected.ScanLine(7 - k), 4)) << k;
  EXPECT_EQ(image->PixelFormat(), TPixelFormat::TrueColor);
}

TEST(BmpWriteFailures, ShortWriteSetsAbortFlagAndLeavesHeadersUnfixed) {
  auto image = Banded(40, 10, 3);
  TIOParams params;
  Written w = Write(*image, params, 200);
  EXPECT_TRUE(w.aborted);
  ASSERT_EQ(w.bytes.size(), 200u);
  EXPECT_EQ(U32(w.bytes, 2), 0u);
  EXPECT_EQ(U32(w.bytes, 10), 0u);
}

TEST(BmpWriteFailures, AbortFromProgressStopsTheRowsAndKeepsProvisionalHeaders) {
  auto image = Banded(8, 10, 3);
  TIOParams params;
  SetDepth(params, 4, 1);
  std::vector<int> reported;
  bool* flag = nullptr;
  TPixProgressEvent handler = [&](TPixObject*, int per) {
    reported.push_back(per);
    if (per >= 20 && flag) *flag = true;
  };
  Written w;
  TPixMemoryStream stream;
  TProgressRecord progress;
  progress.Aborting = &w.aborted;
  progress.Handler = &handler;
  flag = &w.aborted;
  WriteBmpStream(stream, *image, params, progress);
  EXPECT_TRUE(w.aborted);
  EXPECT_EQ(reported, (std::vector<int>{0, 10, 20}));
  EXPECT_EQ(U32(stream.Bytes(), 2), 0u);
  EXPECT_EQ(U16(stream.Bytes(), 28), 0);
  EXPECT_EQ(stream.Bytes().size(), 54 + 16 * 4 + 2 * RowBytes(8, 4));
}

TEST(BmpRoundTrip, EveryDepthAndHeaderVariantReadsBack) {
  struct Case {
    int bits, samples;
    uint8_t version;
    uint8_t compression;
  };
  std::vector<Case> cases;
  for (uint8_t version : {1, 2, 3})
    for (auto [bits, samples] : std::vector<std::pair<int, int>>{{1, 1}, {4, 1}, {8, 1}, {8, 3}})
      for (uint8_t compression : {0, 1}) cases.push_back({bits, samples, version, compression});
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "bits " << c.bits << "/" << c.samples << " version " << int(c.version)
                                    << " rle " << int(c.compression));
    const int colours = c.bits == 1 ? 2 : c.bits == 4 ? 16 : 12;
    auto image = Banded(37, 9, colours);
    TIOParams params;
    SetDepth(params, c.bits, c.samples);
    params.BmpVersion = c.version;
    params.BmpCompression = c.compression;
    Written w = Write(*image, params);
    ASSERT_FALSE(w.aborted);
    auto r = Read(w.bytes);
    ASSERT_FALSE(r->aborted);
    ASSERT_EQ(r->image.Width(), 37);
    ASSERT_EQ(r->image.Height(), 9);
    EXPECT_EQ(r->params.BmpVersion, c.version);
    EXPECT_EQ(r->params.BitsPerSample, c.bits);
    EXPECT_EQ(r->params.SamplesPerPixel, c.samples);
    const bool rle = c.compression == 1 && c.version != 2 && c.bits > 1 && c.samples == 1;
    EXPECT_EQ(r->params.BmpCompression, rle ? 1 : 0);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 37; ++x) {
        const TRGB want = PixelAt(*image, x, y);
        if (c.bits == 1) {
          const TRGB got = r->params.ColorMap()[BitAt(r->image, x, y)];
          ASSERT_EQ(got, want) << x << "," << y;
        } else if (c.bits == 8 && c.samples == 1) {
          ASSERT_LE(MaxChannelError(PixelAt(r->image, x, y), want), 8) << x << "," << y;
        } else {
          ASSERT_EQ(PixelAt(r->image, x, y), want) << x << "," << y;
        }
      }
  }
}

TEST(BmpRoundTrip, BilevelImagesAtOneAndTwentyFourBits) {
  TBitmap image(11, 3, TPixelFormat::Bilevel);
  image.ScanLine(0)[0] = 0xA5;
  image.ScanLine(2)[1] = 0xC0;
  TIOParams params;
  SetDepth(params, 1, 1);
  auto r = Read(Write(image, params).bytes);
  EXPECT_EQ(r->params.ColorMap()[0], kBlack);
  EXPECT_EQ(r->image.ScanLine(0)[0], 0xA5);
  EXPECT_EQ(r->image.ScanLine(2)[1], 0xC0);

  SetDepth(params, 8, 3);
  r = Read(Write(image, params).bytes);
  EXPECT_EQ(PixelAt(r->image, 0, 0), kWhite);
  EXPECT_EQ(PixelAt(r->image, 1, 0), kBlack);
  EXPECT_EQ(PixelAt(r->image, 9, 2), kWhite);
}
