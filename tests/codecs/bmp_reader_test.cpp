#include <gtest/gtest.h>

#include "bmp_test_builder.h"
#include "platform/default_resolution.h"

using namespace pix;
using namespace bmptest;

namespace {

constexpr TRGB kBlack{0, 0, 0};
constexpr TRGB kWhite{255, 255, 255};
constexpr TRGB kRed{0, 0, 255};
constexpr TRGB kGreen{0, 255, 0};
constexpr TRGB kBlue{255, 0, 0};

// A 3 x 2 24-bit file: bottom row red, green, blue; top row white, black, red.
BmpSpec Rgb24Spec() {
  BmpSpec s;
  s.width = 3;
  s.height = 2;
  s.pixels = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0,       // bottom row + 3 pad bytes
              255, 255, 255, 0, 0, 0, 0, 0, 255, 0, 0, 0};   // top row
  return s;
}

// A 4 x 2 8-bit file over a 3-entry table: indices bottom 0 1 2 7, top 2 1 0 0.
BmpSpec Pal8Spec() {
  BmpSpec s;
  s.width = 4;
  s.height = 2;
  s.depth = 8;
  s.table = {kRed, kGreen, kBlue};
  s.pixels = {0, 1, 2, 7, 2, 1, 0, 0};
  return s;
}

}  // namespace

TEST(BmpReadHeaders, ResolutionFromPixelsPerMetreAndDefaultForZero) {
  auto r = Read(BuildBmp(Rgb24Spec()));
  EXPECT_FALSE(r->aborted);
  EXPECT_EQ(r->params.DpiX, 72);
  EXPECT_EQ(r->params.DpiY, 72);

  BmpSpec s = Rgb24Spec();
  s.ppmX = 0;
  s.ppmY = 3780;
  r = Read(BuildBmp(s));
  EXPECT_EQ(r->params.DpiX, DefaultResolution().DpiX);
  EXPECT_EQ(r->params.DpiY, 96);
}

TEST(BmpReadHeaders, VersionCodeFollowsHeaderSizeAndLongHeadersAreSkipped) {
  struct Case {
    uint32_t size;
    uint8_t version;
  };
  for (Case c : {Case{40, 1}, Case{64, 3}, Case{108, 0}, Case{124, 0}, Case{16, 0}}) {
    BmpSpec s = Pal8Spec();
    s.headerSize = c.size;
    s.offsetField = 0;  // the pixels must be found by reading through the header and table
    // A 16-byte header has no colours-used field: the table is the full 256 entries.
    if (c.size == 16) s.table.resize(256);
    auto r = Read(BuildBmp(s));
    SCOPED_TRACE(c.size);
    EXPECT_FALSE(r->aborted);
    EXPECT_EQ(r->params.BmpVersion, c.version);
    EXPECT_EQ(PixelAt(r->image, 0, 1), kRed);
    EXPECT_EQ(PixelAt(r->image, 2, 0), kRed);
  }
}

TEST(BmpReadHeaders, CoreHeaderReadsThreeByteTableAndDefaultResolution) {
  SetDefaultResolution(120, 110);
  BmpSpec s = Pal8Spec();
  s.headerSize = 12;
  s.table.resize(256);  // a core table always has 2^depth entries
  s.table[7] = TRGB{1, 2, 3};
  auto r = Read(BuildBmp(s));
  SetDefaultResolution(96, 96);
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(r->params.BmpVersion, 2);
  EXPECT_EQ(r->params.ColorMapCount, 256);
  EXPECT_EQ(r->params.DpiX, 120);
  EXPECT_EQ(r->params.DpiY, 110);
  EXPECT_EQ(PixelAt(r->image, 3, 1), (TRGB{1, 2, 3}));
}

TEST(BmpReadHeaders, SampleParamsPerDepth) {
  struct Case {
    uint16_t depth;
    int bits, samples;
  };
  for (Case c : {Case{1, 1, 1}, Case{4, 4, 1}, Case{8, 8, 1}, Case{16, 5, 3}, Case{24, 8, 3}, Case{32, 8, 3}}) {
    BmpSpec s;
    s.width = 2;
    s.height = 2;
    s.depth = c.depth;
    s.pixels.assign(2 * RowBytes(2, c.depth), 0);
    auto r = Read(BuildBmp(s), /*paramsOnly=*/true);
    SCOPED_TRACE(c.depth);
    EXPECT_EQ(r->params.BitsPerSample, c.bits);
    EXPECT_EQ(r->params.SamplesPerPixel, c.samples);
    EXPECT_EQ(r->params.Width, 2);
    EXPECT_EQ(r->params.Height, 2);
  }
}

TEST(BmpReadHeaders, ParamsOnlyLeavesTheImageAlone) {
  ReadResult r;
  r.image.Allocate(5, 5, TPixelFormat::TrueColor);
  ReadInto(r, BuildBmp(Pal8Spec()), 0, /*paramsOnly=*/true);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.image.Width(), 5);
  EXPECT_EQ(r.params.Width, 4);
  EXPECT_EQ(r.params.ColorMapCount, 3);
}

TEST(BmpReadHeaders, CompressionParamKeepsItsValueForUnknownCodes) {
  BmpSpec s = Pal8Spec();
  s.compression = 1;
  s.pixels = {4, 0, 0, 1};
  auto r = Read(BuildBmp(s));
  EXPECT_EQ(r->params.BmpCompression, 1);
  ReadResult again;
  again.params.BmpCompression = 1;
  s.compression = 7;
  ReadInto(again, BuildBmp(s), 0);
  EXPECT_EQ(again.params.BmpCompression, 1);
  s.compression = 3;
  ReadInto(again, BuildBmp(s), 0);
  EXPECT_EQ(again.params.BmpCompression, 0);
}

TEST(BmpReadHeaders, SignatureOtherThanBMAbortsAndChangesNothing) {
  Bytes file = BuildBmp(Pal8Spec());
  file[1] = 'A';
  ReadResult r;
  r.params.SetColorMap(&kRed, 1);
  ReadInto(r, file, 0);
  EXPECT_TRUE(r.aborted);
  EXPECT_EQ(r.params.ColorMapCount, 1);
  EXPECT_TRUE(r.image.Empty());
}

TEST(BmpReadHeaders, OffsetsCountFromWhereTheFileStartsInTheStream) {
  Bytes file = BuildBmp(Pal8Spec());
  const uint8_t prefix[7] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  TPixMemoryStream s;
  s.Write(prefix, 7);
  s.Write(file.data(), static_cast<int64_t>(file.size()));
  s.Seek(7, TSeekOrigin::soBeginning);
  ReadResult r;
  TProgressRecord progress;
  progress.Aborting = &r.aborted;
  ReadBmpStream(s, r.image, 0, false, progress, r.params);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(PixelAt(r.image, 1, 0), kGreen);
}

TEST(BmpReadPixels, OneBitWhiteBlackTableIsInvertedOtherTablesAreNot) {
  BmpSpec s;
  s.width = 10;
  s.height = 1;
  s.depth = 1;
  s.pixels = {0xA0, 0x40, 0, 0};
  s.table = {kWhite, kBlack};
  auto r = Read(BuildBmp(s));
  ASSERT_EQ(r->image.PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_EQ(r->image.ScanLine(0)[0], 0x5F);
  EXPECT_EQ(r->image.ScanLine(0)[1] & 0xC0, 0x80);

  for (auto table : {std::vector<TRGB>{kBlack, kWhite}, std::vector<TRGB>{kRed, kBlue}}) {
    s.table = table;
    r = Read(BuildBmp(s));
    EXPECT_EQ(r->image.ScanLine(0)[0], 0xA0);
    EXPECT_EQ(r->image.ScanLine(0)[1], 0x40);
    EXPECT_EQ(r->params.ColorMap()[0], table[0]);
  }
}

TEST(BmpReadPixels, TwentyFourBitRowsAreBottomUpWithPadding) {
  auto r = Read(BuildBmp(Rgb24Spec()));
  ASSERT_EQ(r->image.Width(), 3);
  ASSERT_EQ(r->image.Height(), 2);
  EXPECT_EQ(PixelAt(r->image, 0, 1), kRed);
  EXPECT_EQ(PixelAt(r->image, 2, 1), kBlue);
  EXPECT_EQ(PixelAt(r->image, 0, 0), kWhite);
  EXPECT_EQ(PixelAt(r->image, 2, 0), kRed);
}

TEST(BmpReadPixels, NegativeHeightIsReadTopDown) {
  BmpSpec s = Rgb24Spec();
  s.height = -2;
  auto r = Read(BuildBmp(s));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(r->image.Height(), 2);
  EXPECT_EQ(r->params.Height, 2);
  EXPECT_EQ(PixelAt(r->image, 0, 0), kRed);
  EXPECT_EQ(PixelAt(r->image, 0, 1), kWhite);
}

TEST(BmpReadPixels, IndexedPixelsComeFromTheTableAndUnknownIndicesAreBlack) {
  auto r = Read(BuildBmp(Pal8Spec()));
  EXPECT_EQ(PixelAt(r->image, 0, 1), kRed);
  EXPECT_EQ(PixelAt(r->image, 2, 1), kBlue);
  EXPECT_EQ(PixelAt(r->image, 3, 1), kBlack);  // index 7 of a 3-entry table
  EXPECT_EQ(PixelAt(r->image, 0, 0), kBlue);

  BmpSpec s = Pal8Spec();
  s.depth = 4;
  s.width = 3;
  s.pixels = {0x12, 0x70, 0, 0, 0x21, 0xF0, 0, 0};
  r = Read(BuildBmp(s));
  EXPECT_EQ(PixelAt(r->image, 0, 1), kGreen);
  EXPECT_EQ(PixelAt(r->image, 1, 1), kBlue);
  EXPECT_EQ(PixelAt(r->image, 2, 1), kBlack);
  EXPECT_EQ(PixelAt(r->image, 0, 0), kBlue);
  EXPECT_EQ(PixelAt(r->image, 2, 0), kBlack);
}

TEST(BmpReadPixels, OversizedTableKeeps256EntriesAndFindsThePixels) {
  BmpSpec s = Pal8Spec();
  s.table.resize(300, kWhite);
  s.table[255] = TRGB{9, 9, 9};
  s.pixels = {255, 1, 2, 0, 0, 0, 0, 0};
  s.offsetField = 0;
  auto r = Read(BuildBmp(s));
  EXPECT_EQ(r->params.ColorMapCount, 256);
  EXPECT_EQ(PixelAt(r->image, 0, 1), (TRGB{9, 9, 9}));
  EXPECT_EQ(PixelAt(r->image, 1, 1), kGreen);
}

TEST(BmpReadPixels, SixteenBitDefaultLayoutIsFiveFiveFive) {
  BmpSpec s;
  s.width = 3;
  s.height = 1;
  s.depth = 16;
  s.pixels = {0xFF, 0x7F, 0x1F, 0x00, 0x00, 0x7C, 0, 0};
  auto r = Read(BuildBmp(s));
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{248, 248, 248}));
  EXPECT_EQ(PixelAt(r->image, 1, 0), (TRGB{248, 0, 0}));
  EXPECT_EQ(PixelAt(r->image, 2, 0), (TRGB{0, 0, 248}));
}

TEST(BmpReadPixels, SixteenBitFieldsFiveSixFiveAfterOrInsideTheHeader) {
  BmpSpec s;
  s.width = 2;
  s.height = 1;
  s.depth = 16;
  s.compression = 3;
  s.pixels = {0xE0, 0x07, 0x00, 0xF8};  // pure green, pure red
  s.masks = {0xF800, 0x07E0, 0x001F};
  auto r = Read(BuildBmp(s));
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{0, 252, 0}));
  EXPECT_EQ(PixelAt(r->image, 1, 0), (TRGB{0, 0, 248}));

  s.masks.clear();
  s.headerSize = 124;
  s.headerMasks = {0xF800, 0x07E0, 0x001F};
  s.offsetField = 0;
  r = Read(BuildBmp(s));
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{0, 252, 0}));
  EXPECT_EQ(PixelAt(r->image, 1, 0), (TRGB{0, 0, 248}));
}

TEST(BmpReadPixels, ThirtyTwoBitIgnoresMasksAndTakesBlueGreenRed) {
  BmpSpec s;
  s.width = 2;
  s.height = 1;
  s.depth = 32;
  s.compression = 3;
  s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
  s.pixels = {10, 20, 30, 40, 50, 60, 70, 80};
  auto r = Read(BuildBmp(s));
  ASSERT_FALSE(r->aborted);
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{10, 20, 30}));
  EXPECT_EQ(PixelAt(r->image, 1, 0), (TRGB{50, 60, 70}));
}

TEST(BmpReadPixels, UndecodableDepthOrCompressionFailsWithTheHeaderSize) {
  for (auto [depth, compression] :
       std::vector<std::pair<int, int>>{{2, 0}, {1, 1}, {8, 2}, {4, 1}, {16, 1}, {24, 4}, {32, 5}}) {
    BmpSpec s = Pal8Spec();
    s.depth = static_cast<uint16_t>(depth);
    s.compression = static_cast<uint32_t>(compression);
    auto r = Read(BuildBmp(s));
    SCOPED_TRACE(testing::Message() << depth << "/" << compression);
    EXPECT_TRUE(r->aborted);
    EXPECT_EQ(r->image.Width(), 4);
    EXPECT_EQ(r->image.Height(), 2);
  }
}

TEST(BmpReadProgress, ReportsBeforeEachRowAndStopsWhenAborted) {
  BmpSpec s = Rgb24Spec();
  s.height = 3;
  s.pixels.resize(36, 0);
  ReadResult r;
  ReadInto(r, BuildBmp(s), 0, false, /*withHandler=*/true);
  EXPECT_EQ(r.reported, (std::vector<int>{0, 33, 66}));

  ReadResult stopped;
  TPixMemoryStream stream(BuildBmp(s));
  TPixProgressEvent handler = [&](TPixObject*, int per) {
    stopped.reported.push_back(per);
    if (per > 0) stopped.aborted = true;
  };
  TProgressRecord progress;
  progress.Aborting = &stopped.aborted;
  progress.Handler = &handler;
  ReadBmpStream(stream, stopped.image, 0, false, progress, stopped.params);
  EXPECT_EQ(stopped.reported.size(), 2u);
  EXPECT_TRUE(stopped.aborted);
}
