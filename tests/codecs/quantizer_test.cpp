#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "codecs/palette/detail/neuquant.h"
#include "codecs/palette/quantizer.h"

using namespace pix;

namespace {

// Pixels given as (red, green, blue), laid out row by row from the top.
struct TPix {
  uint8_t r, g, b;
};

std::unique_ptr<TBitmap> ImageOf(int w, int h, const std::vector<TPix>& pixels) {
  auto image = std::make_unique<TBitmap>(w, h, TPixelFormat::TrueColor);
  for (int i = 0; i < w * h; ++i) {
    uint8_t* p = image->ScanLine(i / w) + (i % w) * 3;
    const TPix& c = pixels[static_cast<size_t>(i) % pixels.size()];
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  }
  return image;
}

TRGB Rgb(uint8_t r, uint8_t g, uint8_t b) { return TRGB{b, g, r}; }

int Distance(const TRGB& a, const TRGB& b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b); }

// A smooth photo-like gradient with some texture.
std::unique_ptr<TBitmap> Gradient(int w, int h) {
  auto image = std::make_unique<TBitmap>(w, h, TPixelFormat::TrueColor);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = image->ScanLine(y) + x * 3;
      p[0] = static_cast<uint8_t>(x * 255 / w);
      p[1] = static_cast<uint8_t>(y * 255 / h);
      p[2] = static_cast<uint8_t>((x * 7 + y * 13) & 0xFF);
    }
  return image;
}

const TRGB kUnwritten = Rgb(1, 2, 3);

}  // namespace

TEST(BoxSplitQuantizer, OneColourGivesOneTruncatedEntryAndLeavesTheRestAlone) {
  auto image = ImageOf(5, 4, {{200, 100, 50}});
  std::vector<TRGB> map(16, kUnwritten);
  TPixQuantizer q(*image, map.data(), 16, 16);
  EXPECT_EQ(q.ColorsMade(), 1);
  EXPECT_EQ(map[0], Rgb(200, 96, 48));
  for (int i = 1; i < 16; ++i) EXPECT_EQ(map[i], kUnwritten) << i;
  EXPECT_EQ(q.IndexOfColor(Rgb(200, 100, 50)), 0);
  EXPECT_EQ(q.IndexOfColor(Rgb(0, 0, 0)), 0);
}

TEST(BoxSplitQuantizer, SplitsAlongTheBestCutAndAppendsTheSecondHalf) {
  // Red levels 0, 10 and 31 (twice). The first cut is along red after level 10
  // (green and blue cannot be cut); the second separates levels 0 and 10.
  const std::vector<TPix> pixels = {{0, 0, 0}, {80, 0, 0}, {248, 0, 0}, {255, 7, 7}};
  auto image = ImageOf(4, 1, pixels);
  TRGB two[2];
  TPixQuantizer q2(*image, two, 2, 2);
  ASSERT_EQ(q2.ColorsMade(), 2);
  EXPECT_EQ(two[0], Rgb(40, 0, 0));  // mean level 5 of levels 0 and 10
  EXPECT_EQ(two[1], Rgb(248, 0, 0));

  TRGB three[3];
  TPixQuantizer q3(*image, three, 3, 3);
  ASSERT_EQ(q3.ColorsMade(), 3);
  EXPECT_EQ(three[0], Rgb(0, 0, 0));
  EXPECT_EQ(three[1], Rgb(248, 0, 0));
  EXPECT_EQ(three[2], Rgb(80, 0, 0));
  EXPECT_EQ(q3.IndexOfColor(Rgb(7, 7, 7)), 0);
  EXPECT_EQ(q3.IndexOfColor(Rgb(87, 3, 0)), 2);
  EXPECT_EQ(q3.IndexOfColor(Rgb(250, 0, 6)), 1);
  // Red level 30 is next to box 1 but outside its shrunken bounds: it belongs to none.
  EXPECT_EQ(q3.IndexOfColor(Rgb(240, 0, 0)), 0);
}

TEST(BoxSplitQuantizer, NeverMoreBoxesThanOccupiedCellsAndCellMatesShareAnIndex) {
  // Black and white, each in two shades that differ only in the low three bits.
  auto image = ImageOf(4, 2, {{0, 0, 0}, {7, 5, 3}, {255, 255, 255}, {248, 250, 252}});
  std::vector<TRGB> map(64, kUnwritten);
  TPixQuantizer q(*image, map.data(), 64, 64);
  EXPECT_EQ(q.ColorsMade(), 2);
  EXPECT_EQ(map[0], Rgb(0, 0, 0));
  EXPECT_EQ(map[1], Rgb(248, 248, 248));
  EXPECT_EQ(map[2], kUnwritten);
  EXPECT_EQ(q.IndexOfColor(Rgb(0, 0, 0)), q.IndexOfColor(Rgb(7, 5, 3)));
  EXPECT_EQ(q.IndexOfColor(Rgb(255, 255, 255)), 1);
  EXPECT_EQ(q.IndexOfColor(Rgb(248, 250, 252)), 1);
  EXPECT_EQ(q.IndexOfColor(Rgb(128, 128, 128)), 0);  // outside every box
}

TEST(BoxSplitQuantizer, PaletteMeansRoundHalvesToEven) {
  // Mean levels: red 2.5 -> 2, green 3.5 -> 4, blue 0.
  auto image = ImageOf(2, 1, {{16, 24, 0}, {24, 32, 0}});
  TRGB entry = kUnwritten;
  TPixQuantizer q(*image, &entry, 1, 1);
  EXPECT_EQ(entry, Rgb(16, 32, 0));
}

TEST(BoxSplitQuantizer, ZeroPixelsGiveOneBlackEntry) {
  TBitmap empty(0, 0, TPixelFormat::TrueColor);
  TRGB map[4] = {kUnwritten, kUnwritten, kUnwritten, kUnwritten};
  TPixQuantizer q(empty, map, 4, 4);
  EXPECT_EQ(q.ColorsMade(), 1);
  EXPECT_EQ(map[0], Rgb(0, 0, 0));
  EXPECT_EQ(map[1], kUnwritten);
  EXPECT_EQ(q.IndexOfColor(Rgb(99, 99, 99)), 0);
}

TEST(TPixQuantizer, AlgorithmChangesBetween127And128Colours) {
  auto image = ImageOf(3, 3, {{10, 20, 30}, {200, 100, 0}});
  std::vector<TRGB> map(256, kUnwritten);
  TPixQuantizer box(*image, map.data(), 256, 127);
  EXPECT_EQ(box.ColorsMade(), 2);
  TPixQuantizer neural(*image, map.data(), 256, 128);
  EXPECT_EQ(neural.ColorsMade(), 128);
  EXPECT_EQ(map[128], kUnwritten);
  for (int v = 0; v < 256; v += 15) EXPECT_LT(neural.IndexOfColor(Rgb(v, 255 - v, v / 2)), 128);
  // A smaller colour map bounds what is written.
  std::fill(map.begin(), map.end(), kUnwritten);
  TPixQuantizer bounded(*image, map.data(), 100, 256);
  EXPECT_EQ(bounded.ColorsMade(), 100);
  EXPECT_NE(map[99], kUnwritten);
  EXPECT_EQ(map[100], kUnwritten);
}

TEST(TPixQuantizer, ForeignPixelFormatsAreReadAsTrueColor) {
  TBitmap bilevel(16, 2, TPixelFormat::Bilevel);
  bilevel.ScanLine(0)[0] = 0xFF;
  TRGB map[8];
  TPixQuantizer q(bilevel, map, 8, 8);
  ASSERT_EQ(q.ColorsMade(), 2);
  EXPECT_EQ(map[q.IndexOfColor(Rgb(255, 255, 255))], Rgb(248, 248, 248));
  EXPECT_EQ(map[q.IndexOfColor(Rgb(0, 0, 0))], Rgb(0, 0, 0));
}

TEST(NeuQuant, SamplingFactorRules) {
  EXPECT_EQ(NeuQuantNetwork::SamplingFactorFor(1999, -1), 1);
  EXPECT_EQ(NeuQuantNetwork::SamplingFactorFor(2000, -1), 2);
  EXPECT_EQ(NeuQuantNetwork::SamplingFactorFor(76000, -1), 8);  // 8.5 rounds to even
  EXPECT_EQ(NeuQuantNetwork::SamplingFactorFor(640 * 480, -1), 29);
  EXPECT_EQ(NeuQuantNetwork::SamplingFactorFor(4000LL * 3000, -1), 30);
  EXPECT_EQ(NeuQuantNetwork::SamplingFactorFor(640 * 480, 0), 30);
  EXPECT_EQ(NeuQuantNetwork::SamplingFactorFor(640 * 480, 50), 15);
  EXPECT_EQ(NeuQuantNetwork::SamplingFactorFor(640 * 480, 100), 1);
}

TEST(NeuQuant, DeterministicAndSearchFindsANearestNeuron) {
  auto image = Gradient(120, 90);
  std::vector<TRGB> a(256), b(256);
  TPixQuantizer first(*image, a.data(), 256, 256);
  TPixQuantizer second(*image, b.data(), 256, 256);
  EXPECT_EQ(a, b);
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    const TRGB c{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())};
    const int index = first.IndexOfColor(c);
    ASSERT_EQ(index, second.IndexOfColor(c));
    ASSERT_GE(index, 0);
    ASSERT_LT(index, 256);
    int best = 1000;
    for (const TRGB& e : a) best = std::min(best, Distance(e, c));
    ASSERT_EQ(Distance(a[index], c), best) << i;
  }
}

TEST(NeuQuant, LearnsTheColoursOfASmallPicture) {
  // Fewer than 2000 pixels: every pixel is sampled, and four flat colours are
  // each represented by a neuron very close to them.
  const std::vector<TPix> colours = {{250, 10, 10}, {10, 240, 20}, {20, 30, 230}, {128, 128, 128}};
  auto image = ImageOf(40, 40, colours);
  std::vector<TRGB> map(128);
  TPixQuantizer q(*image, map.data(), 128, 128);
  for (const TPix& c : colours) {
    const TRGB rgb = Rgb(c.r, c.g, c.b);
    EXPECT_LE(Distance(map[q.IndexOfColor(rgb)], rgb), 6) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
}

TEST(NeuQuant, RememberedAnswersEqualTheSearch) {
  auto image = Gradient(64, 64);
  NeuQuantNetwork net(*image, 256, 1);
  for (int round = 0; round < 2; ++round) {
    std::mt19937 colours(5);  // the same colours twice: the second round hits the memo
    for (int i = 0; i < 100000; ++i) {
      const TRGB c{static_cast<uint8_t>(colours()), static_cast<uint8_t>(colours()), static_cast<uint8_t>(colours())};
      ASSERT_EQ(net.CachedIndexOf(c), net.IndexOf(c)) << round << " " << i;
    }
  }
}
