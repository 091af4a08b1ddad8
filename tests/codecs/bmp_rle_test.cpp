#include <gtest/gtest.h>

#include <random>

#include "bmp_test_builder.h"
#include "codecs/bmp_format.h"

using namespace pix;
using namespace bmptest;

namespace {

Bytes Encode(const Bytes& indices, int depth) {
  Bytes out(static_cast<size_t>(bmp::RleLineCapacity(static_cast<int32_t>(indices.size()))));
  out.resize(static_cast<size_t>(
      bmp::EncodeRleLine(indices.data(), static_cast<int32_t>(indices.size()), depth, out.data())));
  return out;
}

// Palette entry i is the grey level 10 x i, so decoded pixels name their index.
std::vector<TRGB> GreyTable() {
  std::vector<TRGB> t;
  for (int i = 0; i < 16; ++i) t.push_back(TRGB{uint8_t(10 * i), uint8_t(10 * i), uint8_t(10 * i)});
  return t;
}

std::unique_ptr<ReadResult> ReadRle(int depth, int width, int height, const Bytes& data) {
  BmpSpec s;
  s.width = width;
  s.height = height;
  s.depth = static_cast<uint16_t>(depth);
  s.compression = depth == 8 ? 1 : 2;
  s.table = GreyTable();
  s.pixels = data;
  return Read(BuildBmp(s));
}

// Index at (x, y) as decoded through the grey table; -1 for a black pixel never written.
int IndexAt(const TBitmap& image, int x, int y) { return PixelAt(image, x, y).r / 10; }

}  // namespace

TEST(BmpRleEncoder, Rle8ExamplesByteForByte) {
  EXPECT_EQ(Encode({5, 5, 5, 7}, 8), (Bytes{3, 5, 1, 7, 0, 0}));
  EXPECT_EQ(Encode({1, 2, 3}, 8), (Bytes{0, 3, 1, 2, 3, 0, 0, 0}));
  EXPECT_EQ(Encode({1, 2}, 8), (Bytes{1, 1, 1, 2, 0, 0}));
  EXPECT_EQ(Encode({}, 8), (Bytes{0, 0}));
}

TEST(BmpRleEncoder, Rle4ExamplesByteForByte) {
  EXPECT_EQ(Encode({1, 2}, 4), (Bytes{2, 0x12, 0, 0}));
  EXPECT_EQ(Encode({1, 2, 3}, 4), (Bytes{0, 3, 0x12, 0x30, 0, 0}));
  EXPECT_EQ(Encode({1}, 4), (Bytes{1, 0x10, 0, 0}));
  EXPECT_EQ(Encode({4, 4, 4, 1, 2, 3, 5, 6}, 4), (Bytes{3, 0x44, 0, 5, 0x12, 0x35, 0x60, 0, 0, 0}));
}

TEST(BmpRleEncoder, RunsAndLiteralsSplitAt255Pixels) {
  Bytes run(300, 9);
  EXPECT_EQ(Encode(run, 8), (Bytes{255, 9, 45, 9, 0, 0}));

  // 256 distinct neighbours: one literal chunk of 255, then a lone pixel.
  Bytes ramp(257);
  for (int i = 0; i < 257; ++i) ramp[i] = static_cast<uint8_t>(i & 1 ? 1 : 2);
  Bytes out = Encode(ramp, 8);
  ASSERT_EQ(out.size(), 2 + 255 + 1 + 2 + 2 + 2u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 255);
  EXPECT_EQ(out[2 + 255], 0);  // pad after an odd literal
  EXPECT_EQ((Bytes{out.end() - 6, out.end()}), (Bytes{1, 1, 1, 2, 0, 0}));
}

TEST(BmpRleRoundTrip, EncodedRandomRowsDecodeToTheirIndices) {
  std::mt19937 rng(7);
  for (int depth : {4, 8}) {
    const int width = 613;
    const int height = 5;
    std::vector<Bytes> rows;
    Bytes data;
    for (int y = 0; y < height; ++y) {
      Bytes row(width);
      // Mix long runs, pairs and noise so every encoder branch is taken.
      for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>((x / (1 + y * 40) + (rng() % 3 == 0)) % 16);
      rows.push_back(row);
      Bytes enc = Encode(row, depth);
      data.insert(data.end(), enc.begin(), enc.end());
    }
    data.insert(data.end(), {0, 1});
    auto r = ReadRle(depth, width, height, data);
    ASSERT_FALSE(r->aborted);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(IndexAt(r->image, x, height - 1 - y), rows[y][x]) << depth << " " << x << "," << y;
  }
}

TEST(BmpRleDecoder, EndOfLineAfterTheTopRowEndsWithoutEndOfBitmap) {
  auto r = ReadRle(8, 2, 2, {2, 3, 0, 0, 2, 4, 0, 0, 2, 5, 0, 1});
  EXPECT_FALSE(r->aborted);
  EXPECT_EQ(IndexAt(r->image, 1, 1), 3);
  EXPECT_EQ(IndexAt(r->image, 1, 0), 4);
}

TEST(BmpRleDecoder, DeltaMovesRightAndUpAndSkippedPixelsStayBlack) {
  auto r = ReadRle(8, 4, 3, {0, 2, 1, 1, 1, 7, 0, 0, 1, 8, 0, 1});
  EXPECT_EQ(PixelAt(r->image, 0, 2), (TRGB{0, 0, 0}));
  EXPECT_EQ(IndexAt(r->image, 1, 1), 7);
  EXPECT_EQ(IndexAt(r->image, 0, 0), 8);
  EXPECT_EQ(PixelAt(r->image, 2, 1), (TRGB{0, 0, 0}));
}

TEST(BmpRleDecoder, Rle4RunsAlternateNibblesAndLiteralsSkipTheirPad) {
  auto r = ReadRle(4, 5, 1, {5, 0x12, 0, 0});
  for (int x = 0; x < 5; ++x) EXPECT_EQ(IndexAt(r->image, x, 0), x % 2 == 0 ? 1 : 2);
  r = ReadRle(4, 6, 1, {0, 5, 0x34, 0x56, 0x70, 0, 1, 0x90, 0, 1});
  EXPECT_EQ(IndexAt(r->image, 0, 0), 3);
  EXPECT_EQ(IndexAt(r->image, 4, 0), 7);
  EXPECT_EQ(IndexAt(r->image, 5, 0), 9);
}

TEST(BmpRleDecoder, HostileCommandsStayInsideImageAndData) {
  // A run far past the right edge, a literal past it, then a delta above the top.
  auto r = ReadRle(8, 3, 2, {255, 1, 0, 5, 2, 2, 2, 2, 2, 0, 0, 0, 2, 0, 9, 1, 3});
  EXPECT_EQ(IndexAt(r->image, 2, 1), 1);
  EXPECT_EQ(PixelAt(r->image, 0, 0), (TRGB{0, 0, 0}));
  // A literal that claims more bytes than remain writes what is there.
  r = ReadRle(8, 4, 1, {0, 200, 3, 4});
  EXPECT_EQ(IndexAt(r->image, 1, 0), 4);
  EXPECT_EQ(PixelAt(r->image, 2, 0), (TRGB{0, 0, 0}));
  // Data that stops inside a command.
  r = ReadRle(4, 4, 1, {3, 0x11, 0, 2, 1});
  EXPECT_EQ(IndexAt(r->image, 2, 0), 1);
  EXPECT_FALSE(r->aborted);
}

TEST(BmpRleDecoder, TopDownRleIsReadTheRightWayUp) {
  auto r = ReadRle(8, 1, -2, {1, 3, 0, 0, 1, 4, 0, 1});
  EXPECT_EQ(IndexAt(r->image, 0, 0), 3);
  EXPECT_EQ(IndexAt(r->image, 0, 1), 4);
}

TEST(BmpRleDecoder, ProgressAtEachEndOfLine) {
  BmpSpec s;
  s.width = 1;
  s.height = 4;
  s.depth = 8;
  s.compression = 1;
  s.table = GreyTable();
  s.pixels = {1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0};
  ReadResult r;
  ReadInto(r, BuildBmp(s), 0, false, /*withHandler=*/true);
  // Entering the row r from the top reports trunc((height - r) x 100 / height).
  EXPECT_EQ(r.reported, (std::vector<int>{50, 75, 100}));
}
