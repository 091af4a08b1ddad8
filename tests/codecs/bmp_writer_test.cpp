#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "bmp_test_builder.h"
#include "codecs/palette/bilevel.h"

using namespace pix;
using namespace bmptest;

namespace {

struct Written {
  Bytes bytes;
  bool aborted = false;
  std::vector<int> reported;
  uint32_t U32(size_t at) const { return GetLE32(&bytes[at]); }
  uint16_t U16(size_t at) const { return GetLE16(&bytes[at]); }
};

// Writes with the record's depth, header variant and compression; a progress
// handler that sets AbortFlag once it reports abortAt or more.
Written Write(TBitmap& image, int bits, int samples, uint8_t version = 1, uint8_t compression = 0,
              int64_t writeLimit = -1, int abortAt = 101) {
  TIOParams params;
  params.BitsPerSample = bits;
  params.SamplesPerPixel = samples;
  params.BmpVersion = version;
  params.BmpCompression = compression;
  params.DpiX = 72;
  params.DpiY = 96;
  Written w;
  TPixProgressEvent handler = [&w, abortAt](TPixObject*, int per) {
    w.reported.push_back(per);
    if (per >= abortAt) w.aborted = true;
  };
  TPixMemoryStream stream;
  stream.SetWriteLimit(writeLimit);
  TProgressRecord progress;
  progress.Aborting = &w.aborted;
  if (abortAt <= 100) progress.Handler = &handler;
  WriteBmpStream(stream, image, params, progress);
  w.bytes = stream.Bytes();
  return w;
}

// Colours on the 5-bit grid (box splitting gives them back exactly), in vertical bands.
std::unique_ptr<TBitmap> Banded(int width, int height, int colours) {
  auto image = std::make_unique<TBitmap>(width, height, TPixelFormat::TrueColor);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int i = (x * colours / width + y) % colours;
      SetPixel(*image, x, y, TRGB{uint8_t(i * 16), uint8_t((200 - i * 8) & 0xF8), uint8_t((i * 56) & 0xF8)});
    }
  return image;
}

int Bit(const TBitmap& image, int x, int y) { return (image.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1; }

}  // namespace

TEST(BmpWriteHeaders, DepthChoiceAndEveryHeaderField) {
  struct Case { int bits, samples, depth; };
  for (Case c : {Case{1, 1, 1}, Case{4, 1, 4}, Case{8, 1, 8}, Case{8, 3, 24}, Case{5, 3, 24}, Case{2, 1, 8}}) {
    SCOPED_TRACE(testing::Message() << c.bits << "/" << c.samples);
    auto image = Banded(7, 3, 3);
    const Written w = Write(*image, c.bits, c.samples);
    const uint32_t colours = c.depth <= 8 ? (1u << c.depth) : 0u;
    const size_t offset = 54 + 4 * colours;
    EXPECT_EQ(w.U16(0), 0x4D42);
    EXPECT_EQ(w.U32(2), w.bytes.size());
    EXPECT_EQ(w.U32(10), offset);
    EXPECT_EQ(w.U32(14), 40u);
    EXPECT_EQ(w.U32(18), 7u);
    EXPECT_EQ(w.U32(22), 3u);
    EXPECT_EQ(w.U16(28), c.depth);
    EXPECT_EQ(w.U32(30), 0u);
    EXPECT_EQ(w.U32(34), 3 * RowBytes(7, c.depth));
    EXPECT_EQ(w.bytes.size(), offset + 3 * RowBytes(7, c.depth));
    EXPECT_EQ(w.U32(38), 2835u);
    EXPECT_EQ(w.U32(42), 3780u);
    EXPECT_EQ(w.U32(46), colours);
    EXPECT_EQ(w.U32(50), c.depth <= 8 ? colours : 16777216u);
  }
}

TEST(BmpWriteHeaders, RleSizeCountsEveryCodeAndCoreHeadersNeverCompress) {
  auto image = Banded(9, 4, 3);
  Written w = Write(*image, 8, 1, 1, 1);
  EXPECT_EQ(w.U32(30), 1u);
  EXPECT_EQ(w.U32(34), w.bytes.size() - (54 + 1024));
  EXPECT_EQ((Bytes{w.bytes.end() - 4, w.bytes.end()}), (Bytes{0, 0, 0, 1}));
  EXPECT_EQ(Write(*image, 4, 1, 3, 1).U32(30), 2u);

  w = Write(*image, 8, 1, 2, 1);
  EXPECT_EQ(w.U32(14), 12u);
  EXPECT_EQ(w.U16(24), 8);
  EXPECT_EQ(w.U32(10), 26 + 256 * 3u);
  EXPECT_EQ(w.bytes.size(), 26 + 256 * 3 + 4 * RowBytes(9, 8));
}

TEST(BmpWriteBilevel, TwoColoursPutTheDarkerFirstOthersAreDithered) {
  TBitmap image(3, 1, TPixelFormat::TrueColor);
  SetPixel(image, 0, 0, TRGB{255, 255, 255});
  SetPixel(image, 1, 0, TRGB{0, 0, 120});
  SetPixel(image, 2, 0, TRGB{255, 255, 255});
  Written w = Write(image, 1, 1);
  EXPECT_EQ((Bytes{w.bytes.begin() + 54, w.bytes.begin() + 62}), (Bytes{0, 0, 120, 0, 255, 255, 255, 0}));
  EXPECT_EQ(w.bytes[62] & 0xE0, 0xA0);

  auto many = Banded(16, 8, 5);
  TBitmap dithered;
  CopyImage(*many, dithered);
  DitherBilevel(dithered);
  w = Write(*many, 1, 1);
  EXPECT_EQ((Bytes{w.bytes.begin() + 54, w.bytes.begin() + 62}), (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
  for (int k = 0; k < 8; ++k) EXPECT_EQ(0, std::memcmp(&w.bytes[62 + 4 * k], dithered.ScanLine(7 - k), 4)) << k;
  EXPECT_EQ(many->PixelFormat(), TPixelFormat::TrueColor);
}

TEST(BmpWriteFailures, ShortWriteOrProgressAbortLeavesTheProvisionalHeaders) {
  auto image = Banded(40, 10, 3);
  Written w = Write(*image, 8, 3, 1, 0, /*writeLimit=*/200);
  EXPECT_TRUE(w.aborted);
  ASSERT_EQ(w.bytes.size(), 200u);
  EXPECT_EQ(w.U32(2), 0u);

  w = Write(*image, 4, 1, 1, 0, -1, /*abortAt=*/20);
  EXPECT_EQ(w.reported, (std::vector<int>{0, 10, 20}));
  EXPECT_EQ(w.U32(2), 0u);
  EXPECT_EQ(w.U16(28), 0);
  EXPECT_EQ(w.bytes.size(), 54 + 64 + 2 * RowBytes(40, 4));
}

TEST(BmpRoundTrip, EveryDepthHeaderVariantAndCompressionReadsBack) {
  for (uint8_t version : {1, 2, 3})
    for (auto [bits, samples] : std::vector<std::pair<int, int>>{{1, 1}, {4, 1}, {8, 1}, {8, 3}})
      for (uint8_t compression : {0, 1}) {
        SCOPED_TRACE(testing::Message() << bits << "/" << samples << " v" << int(version) << " c" << int(compression));
        auto image = Banded(37, 9, bits == 1 ? 2 : bits == 4 ? 16 : 12);
        auto r = Read(Write(*image, bits, samples, version, compression).bytes);
        ASSERT_FALSE(r->aborted);
        ASSERT_EQ(r->image.Width(), 37);
        EXPECT_EQ(r->params.BmpVersion, version);
        EXPECT_EQ(r->params.BitsPerSample, bits);
        EXPECT_EQ(r->params.SamplesPerPixel, samples);
        EXPECT_EQ(r->params.BmpCompression, compression && version != 2 && bits > 1 && samples == 1);
        for (int y = 0; y < 9; ++y)
          for (int x = 0; x < 37; ++x) {
            const TRGB want = PixelAt(*image, x, y);
            if (bits == 1) {
              ASSERT_EQ(r->params.ColorMap()[Bit(r->image, x, y)], want);
            } else {
              const TRGB got = PixelAt(r->image, x, y);
              // NeuQuant's 256 neurons land near, not on, the image's colours.
              const int tolerance = bits == 8 && samples == 1 ? 8 : 0;
              ASSERT_LE(std::max({std::abs(got.r - want.r), std::abs(got.g - want.g), std::abs(got.b - want.b)}),
                        tolerance);
            }
          }
      }
}

TEST(BmpRoundTrip, BilevelImagesAtOneAndTwentyFourBits) {
  TBitmap image(11, 3, TPixelFormat::Bilevel);
  image.ScanLine(0)[0] = 0xA5;
  image.ScanLine(2)[1] = 0xC0;
  auto r = Read(Write(image, 1, 1).bytes);
  EXPECT_EQ(r->params.ColorMap()[0], TRGB{});
  EXPECT_EQ(r->image.ScanLine(0)[0], 0xA5);
  EXPECT_EQ(r->image.ScanLine(2)[1], 0xC0);
  r = Read(Write(image, 8, 3).bytes);
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{255, 255, 255}));
  EXPECT_EQ(PixelAt(r->image, 1, 0), TRGB{});
}
