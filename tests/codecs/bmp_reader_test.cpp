#include <gtest/gtest.h>

#include "bmp_test_builder.h"
#include "platform/default_resolution.h"

using namespace pix;
using namespace bmptest;

namespace {

constexpr TRGB kBlack{0, 0, 0}, kWhite{255, 255, 255}, kRed{0, 0, 255}, kGreen{0, 255, 0}, kBlue{255, 0, 0};

// 4 x 2 at 8 bits over a 3-entry table: bottom row indices 0 1 2 7, top row 2 1 0 0.
BmpSpec Pal8() { return BmpSpec{.width = 4, .height = 2, .depth = 8, .table = {kRed, kGreen, kBlue},
                                .pixels = {0, 1, 2, 7, 2, 1, 0, 0}}; }

}  // namespace

TEST(BmpReadHeaders, VersionResolutionAndSampleParamsPerHeaderAndDepth) {
  struct Case { uint32_t header; uint16_t depth; uint8_t version; int bits, samples, dpi; };
  for (Case c : {Case{40, 8, 1, 8, 1, 72}, Case{64, 8, 3, 8, 1, 72}, Case{124, 8, 0, 8, 1, 72},
                 Case{16, 8, 0, 8, 1, 96}, Case{12, 8, 2, 8, 1, 96}, Case{40, 4, 1, 4, 1, 72},
                 Case{40, 16, 1, 5, 3, 72}, Case{40, 32, 1, 8, 3, 72}}) {
    SCOPED_TRACE(testing::Message() << c.header << " " << c.depth);
    BmpSpec s = Pal8();
    s.headerSize = c.header;
    s.depth = c.depth;
    // Headers without a colours-used field carry the full table.
    if (c.header < 40 && c.depth <= 8) s.table.resize(size_t{1} << c.depth);
    s.pixels.resize(2 * RowBytes(4, c.depth), 0);
    auto r = Read(BuildBmp(s));
    ASSERT_FALSE(r->aborted);
    EXPECT_EQ(r->params.BmpVersion, c.version);
    EXPECT_EQ(r->params.BitsPerSample, c.bits);
    EXPECT_EQ(r->params.SamplesPerPixel, c.samples);
    EXPECT_EQ(r->params.DpiX, c.dpi);
    EXPECT_EQ(r->params.Width, 4);
    EXPECT_EQ(r->params.Height, 2);
    if (c.depth == 8) {
      EXPECT_EQ(PixelAt(r->image, 0, 1), kRed);  // found through header and table
    }
  }
}

TEST(BmpReadHeaders, ParamsOnlySignatureAndStreamOffset) {
  ReadResult r;
  auto only = Read(BuildBmp(Pal8()), /*paramsOnly=*/true);
  EXPECT_TRUE(only->image.Empty());
  EXPECT_EQ(only->params.ColorMapCount, 3);

  Bytes bad = BuildBmp(Pal8());
  bad[1] = 'A';
  EXPECT_TRUE(Read(bad)->aborted);

  // A BMP inside a larger stream: offsets count from where it starts.
  TPixMemoryStream stream;
  const Bytes file = BuildBmp(Pal8());
  stream.Write("prefix!", 7);
  stream.Write(file.data(), static_cast<int64_t>(file.size()));
  stream.Seek(7, TSeekOrigin::soBeginning);
  TProgressRecord progress;
  progress.Aborting = &r.aborted;
  ReadBmpStream(stream, r.image, 0, false, progress, r.params);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(PixelAt(r.image, 1, 0), kGreen);
}

TEST(BmpReadPixels, OneBitWhiteBlackTableIsInvertedOtherTablesAreNot) {
  for (auto table : {std::vector<TRGB>{kWhite, kBlack}, {kBlack, kWhite}, {kRed, kBlue}}) {
    auto r = Read(BuildBmp({.width = 10, .depth = 1, .table = table, .pixels = {0xA0, 0x40, 0, 0}}));
    ASSERT_EQ(r->image.PixelFormat(), TPixelFormat::Bilevel);
    const bool inverted = table[0] == kWhite;
    EXPECT_EQ(r->image.ScanLine(0)[0], inverted ? 0x5F : 0xA0);
    EXPECT_EQ(r->image.ScanLine(0)[1] & 0xC0, inverted ? 0x80 : 0x40);
  }
}

TEST(BmpReadPixels, IndexedPixelsUnknownIndicesAndOversizedTables) {
  auto r = Read(BuildBmp(Pal8()));
  EXPECT_EQ(PixelAt(r->image, 2, 1), kBlue);
  EXPECT_EQ(PixelAt(r->image, 3, 1), kBlack);  // index 7 of a 3-entry table
  EXPECT_EQ(PixelAt(r->image, 0, 0), kBlue);

  r = Read(BuildBmp({.width = 3, .depth = 4, .table = {kRed, kGreen, kBlue}, .pixels = {0x12, 0xF0, 0, 0}}));
  EXPECT_EQ(PixelAt(r->image, 0, 0), kGreen);
  EXPECT_EQ(PixelAt(r->image, 1, 0), kBlue);
  EXPECT_EQ(PixelAt(r->image, 2, 0), kBlack);

  BmpSpec big = Pal8();
  big.table.resize(300, kWhite);
  big.table[255] = TRGB{9, 9, 9};
  big.pixels[0] = 255;
  r = Read(BuildBmp(big));
  EXPECT_EQ(r->params.ColorMapCount, 256);
  EXPECT_EQ(PixelAt(r->image, 0, 1), (TRGB{9, 9, 9}));
}

TEST(BmpReadPixels, SixteenBitFieldsByWidthFromDefaultFileOrHeaderMasks) {
  auto r = Read(BuildBmp({.width = 3, .depth = 16, .pixels = {0xFF, 0x7F, 0x1F, 0x00, 0x00, 0x7C, 0, 0}}));
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{248, 248, 248}));
  EXPECT_EQ(PixelAt(r->image, 1, 0), (TRGB{248, 0, 0}));
  EXPECT_EQ(PixelAt(r->image, 2, 0), (TRGB{0, 0, 248}));

  // 5-6-5 masks, followed by a table the depth does not use.
  BmpSpec s{.width = 2, .depth = 16, .compression = 3, .table = {kWhite}, .masks = {0xF800, 0x07E0, 0x001F},
            .pixels = {0xE0, 0x07, 0x00, 0xF8}};
  r = Read(BuildBmp(s));
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{0, 252, 0}));
  EXPECT_EQ(PixelAt(r->image, 1, 0), (TRGB{0, 0, 248}));

  // Headers of 52 bytes and more hold the masks themselves.
  s.headerSize = 124;
  s.masks.clear();
  Bytes file = BuildBmp(s);
  PutLE32(&file[54], 0xF800);
  PutLE32(&file[58], 0x07E0);
  PutLE32(&file[62], 0x001F);
  EXPECT_EQ(PixelAt(Read(file)->image, 0, 0), (TRGB{0, 252, 0}));
}

TEST(BmpReadPixels, ThirtyTwoBitIgnoresMasksAndTwentyFourBitIsBottomUp) {
  auto r = Read(BuildBmp({.width = 2, .depth = 32, .compression = 3, .masks = {0xFF, 0xFF00, 0xFF0000},
                          .pixels = {10, 20, 30, 40, 50, 60, 70, 80}}));
  EXPECT_EQ(PixelAt(r->image, 1, 0), (TRGB{50, 60, 70}));

  BmpSpec s{.width = 1, .height = 2, .pixels = {1, 2, 3, 0, 4, 5, 6, 0}};
  EXPECT_EQ(PixelAt(Read(BuildBmp(s))->image, 0, 1), (TRGB{1, 2, 3}));
  s.height = -2;  // rows stored top row first
  r = Read(BuildBmp(s));
  EXPECT_EQ(r->params.Height, 2);
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{1, 2, 3}));
}

TEST(BmpReadPixels, UndecodableDepthOrCompressionFailsBeforeAllocating) {
  for (auto [depth, compression] :
       std::vector<std::pair<int, int>>{{2, 0}, {1, 1}, {8, 2}, {4, 1}, {16, 1}, {24, 4}, {32, 5}}) {
    BmpSpec s = Pal8();
    s.depth = static_cast<uint16_t>(depth);
    s.compression = static_cast<uint32_t>(compression);
    auto r = Read(BuildBmp(s));
    EXPECT_TRUE(r->aborted) << depth << "/" << compression;
    EXPECT_EQ(r->reason, depth == 2 ? frUnsupportedDepth : frUnsupportedCompression);
    EXPECT_EQ(r->params.Width, 4);
    EXPECT_EQ(r->image.Width(), 0) << "nothing allocated for a file no decoder reads";
    EXPECT_EQ(r->params.BmpCompression, compression == 1 || compression == 2 ? 1 : 0);
  }
}

TEST(BmpReadProgress, ReportsBeforeEachRowAndStopsWhenAborted) {
  BmpSpec s{.width = 1, .height = 3, .pixels = Bytes(12, 0)};
  EXPECT_EQ(Read(BuildBmp(s), false, true)->reported, (std::vector<int>{0, 33, 66}));
  auto r = Read(BuildBmp(s), false, true, /*abortAt=*/1);
  EXPECT_EQ(r->reported, (std::vector<int>{0, 33}));
  EXPECT_TRUE(r->aborted);
}
