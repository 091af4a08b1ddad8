#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "codecs/palette/bilevel.h"

using namespace pix;

namespace {

void SetPixel(TBitmap& image, int x, int y, TRGB c) {
  uint8_t* p = image.ScanLine(y) + x * 3;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

std::unique_ptr<TBitmap> Filled(int w, int h, TRGB c) {
  auto image = std::make_unique<TBitmap>(w, h, TPixelFormat::TrueColor);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(*image, x, y, c);
  return image;
}

int Bit(const TBitmap& image, int x, int y) { return (image.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1; }

constexpr TRGB kBlack{0, 0, 0};
constexpr TRGB kWhite{255, 255, 255};
constexpr TRGB kRed{0, 0, 255};
constexpr TRGB kBlue{255, 0, 0};

// The one position of each 8 x 8 tile whose threshold is 63.
bool IsDarkestThresholdCell(int x, int y) { return (x % 8) == 7 && (y % 8) == 0; }

}  // namespace

TEST(ExactBilevel, DarkerColourBecomesBitZeroWhateverComesFirst) {
  auto image = Filled(10, 3, kBlack);
  SetPixel(*image, 0, 0, kWhite);
  TRGB c0, c1;
  auto result = ExactBilevel(*image, c0, c1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_EQ(result->Width(), 10);
  EXPECT_EQ(result->Height(), 3);
  EXPECT_EQ(c0, kBlack);
  EXPECT_EQ(c1, kWhite);
  EXPECT_EQ(Bit(*result, 0, 0), 1);
  for (int y = 0; y < 3; ++y)
    for (int x = (y == 0 ? 1 : 0); x < 10; ++x) ASSERT_EQ(Bit(*result, x, y), 0) << x << "," << y;

  // Pure blue (luminance 18) is darker than pure red (54), so blue becomes bit 0.
  auto pair = Filled(4, 1, kRed);
  SetPixel(*pair, 3, 0, kBlue);
  result = ExactBilevel(*pair, c0, c1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(c0, kBlue);
  EXPECT_EQ(c1, kRed);
  EXPECT_EQ(result->ScanLine(0)[0] & 0xF0, 0xE0);
}

TEST(ExactBilevel, LuminanceRoundsHalvesToEvenAndTiesKeepTheFirstColour) {
  // 50.5 rounds to 50 and so is darker than 51; rounding halves up would call them equal.
  const TRGB lum51{191, 53, 0};  // (53 * 71 + 191 * 7) / 100 = 51.00
  const TRGB lum50{194, 52, 0};  // (52 * 71 + 194 * 7) / 100 = 50.50
  auto image = Filled(2, 1, lum51);
  SetPixel(*image, 1, 0, lum50);
  TRGB c0, c1;
  auto result = ExactBilevel(*image, c0, c1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(c0, lum50);
  EXPECT_EQ(Bit(*result, 0, 0), 1);
  EXPECT_EQ(Bit(*result, 1, 0), 0);

  // Equally bright after rounding (49.98 and 49.91): the first colour met stays bit 0.
  const TRGB first{0, 0, 238};
  const TRGB second{0, 70, 1};
  auto tie = Filled(2, 1, first);
  SetPixel(*tie, 1, 0, second);
  result = ExactBilevel(*tie, c0, c1);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(c0, first);
  EXPECT_EQ(Bit(*result, 0, 0), 0);
  EXPECT_EQ(Bit(*result, 1, 0), 1);
}

TEST(ExactBilevel, AnswersNoneForOneThreeOrForeignImages) {
  TRGB c0, c1;
  EXPECT_EQ(ExactBilevel(*Filled(5, 5, kWhite), c0, c1), nullptr);
  auto three = Filled(5, 5, kWhite);
  SetPixel(*three, 2, 2, kBlack);
  SetPixel(*three, 4, 4, kRed);  // third colour only in the last row
  EXPECT_EQ(ExactBilevel(*three, c0, c1), nullptr);
  TBitmap bilevel(8, 8, TPixelFormat::Bilevel);
  EXPECT_EQ(ExactBilevel(bilevel, c0, c1), nullptr);
  TBitmap empty(0, 0, TPixelFormat::TrueColor);
  EXPECT_EQ(ExactBilevel(empty, c0, c1), nullptr);
}

TEST(DitherBilevel, BlackWhiteAndMidGrey) {
  auto black = Filled(16, 16, kBlack);
  DitherBilevel(*black);
  ASSERT_EQ(black->PixelFormat(), TPixelFormat::Bilevel);
  auto white = Filled(16, 16, kWhite);
  DitherBilevel(*white);
  auto grey = Filled(16, 16, TRGB{130, 130, 130});
  DitherBilevel(*grey);
  int greySet = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(Bit(*black, x, y), 0);
      EXPECT_EQ(Bit(*white, x, y), IsDarkestThresholdCell(x, y) ? 0 : 1) << x << "," << y;
      greySet += Bit(*grey, x, y);
    }
  EXPECT_EQ(greySet, 128);
  // Level 32 beats exactly the thresholds 0..31; check two of them by position.
  EXPECT_EQ(Bit(*grey, 0, 0), 1);   // threshold 0
  EXPECT_EQ(Bit(*grey, 0, 1), 0);   // threshold 32
  EXPECT_EQ(Bit(*grey, 7, 7), 1);   // threshold 21
}

TEST(DitherBilevel, ReportsRowProgressAndLeavesOtherFormatsAlone) {
  auto image = Filled(3, 4, kWhite);
  TPixProgressEvent handler;
  std::vector<int> seen;
  handler = [&](TPixObject*, int per) { seen.push_back(per); };
  TProgressRecord progress;
  progress.Handler = &handler;
  DitherBilevel(*image, progress);
  EXPECT_EQ(seen, (std::vector<int>{22, 44, 66, 88}));

  TBitmap bilevel(9, 2, TPixelFormat::Bilevel);
  bilevel.ScanLine(0)[0] = 0xA5;
  DitherBilevel(bilevel);
  EXPECT_EQ(bilevel.ScanLine(0)[0], 0xA5);
}

TEST(ExpandBilevel, ExpandsPartialBytesAndRoundTripsThroughInversion) {
  TBitmap source(11, 2, TPixelFormat::Bilevel);
  source.ScanLine(0)[0] = 0xA5;  // 1010 0101
  source.ScanLine(0)[1] = 0xC0;  // 110 then padding
  source.ScanLine(1)[1] = 0x3F;  // row 1: 0000 0000 001 (padding bits set)
  TBitmap dest(3, 3, TPixelFormat::Bgrx32);
  ExpandBilevel(source, dest);
  ASSERT_EQ(dest.PixelFormat(), TPixelFormat::TrueColor);
  ASSERT_EQ(dest.Width(), 11);
  ASSERT_EQ(dest.Height(), 2);
  const int row0[11] = {1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0};
  const int row1[11] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  for (int x = 0; x < 11; ++x) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(dest.ScanLine(0)[x * 3 + c], row0[x] ? 255 : 0) << x;
      EXPECT_EQ(dest.ScanLine(1)[x * 3 + c], row1[x] ? 255 : 0) << x;
    }
  }
  // Bytes past the last pixel of a row are padding and stay zero.
  EXPECT_EQ(dest.ScanLine(0)[33], 0);

  TBitmap copy;
  CopyImage(source, copy);
  InvertBilevel(copy);
  EXPECT_EQ(copy.ScanLine(0)[0], 0x5A);
  EXPECT_EQ(copy.ScanLine(0)[3], 0xFF);  // padding flips too
  InvertBilevel(copy);
  EXPECT_EQ(std::memcmp(copy.Bits(), source.Bits(), static_cast<size_t>(source.ByteSize())), 0);
}

TEST(ExpandBilevel, ExpandingIntoItselfKeepsThePixels) {
  TBitmap image(9, 1, TPixelFormat::Bilevel);
  image.ScanLine(0)[0] = 0x81;
  image.ScanLine(0)[1] = 0x80;
  ExpandBilevel(image, image);
  ASSERT_EQ(image.PixelFormat(), TPixelFormat::TrueColor);
  EXPECT_EQ(image.ScanLine(0)[0], 255);
  EXPECT_EQ(image.ScanLine(0)[3], 0);
  EXPECT_EQ(image.ScanLine(0)[7 * 3], 255);
  EXPECT_EQ(image.ScanLine(0)[8 * 3], 255);
}

TEST(NearestColorIndex, BlackWhiteSplitAndFirstOfEqualDistances) {
  const TRGB bw[2] = {kBlack, kWhite};
  EXPECT_EQ(NearestColorIndex(bw, 2, TRGB{127, 127, 128}), 0);  // sum 382
  EXPECT_EQ(NearestColorIndex(bw, 2, TRGB{127, 128, 128}), 1);  // sum 383
  EXPECT_EQ(NearestColorIndex(bw, 0, kWhite), 0);
  EXPECT_EQ(NearestColorIndex(nullptr, 5, kWhite), 0);
  const TRGB twins[3] = {kRed, kBlue, kBlue};
  EXPECT_EQ(NearestColorIndex(twins, 3, kBlue), 1);
}

TEST(THash1, CountsDistinctValuesAcrossCollidingBuckets) {
  THash1 set(2);  // four buckets: 1, 5, 9 and 13 share one
  EXPECT_TRUE(set.Insert(1));
  EXPECT_TRUE(set.Insert(5));
  EXPECT_TRUE(set.Insert(9));
  EXPECT_FALSE(set.Insert(5));
  EXPECT_FALSE(set.Insert(1));
  EXPECT_TRUE(set.Insert(13));
  EXPECT_TRUE(set.Insert(2));
  EXPECT_FALSE(set.Insert(9));
  EXPECT_EQ(set.Count(), 5);
}
