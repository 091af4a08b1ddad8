#include <gtest/gtest.h>

#include <random>

#include "bmp_test_builder.h"
#include "codecs/bmp/detail/bmp_format.h"

using namespace pix;
using namespace bmptest;

namespace {

Bytes Encode(const Bytes& indices, int depth) {
  const auto width = static_cast<int32_t>(indices.size());
  Bytes out(static_cast<size_t>(bmp::RleLineCapacity(width)));
  out.resize(static_cast<size_t>(bmp::EncodeRleLine(indices.data(), width, depth, out.data())));
  return out;
}

// Table entry i is the grey 10 x i, so a decoded pixel names its index.
std::unique_ptr<ReadResult> ReadRle(int depth, int width, int height, const Bytes& data, bool progress = false) {
  BmpSpec s{.width = width, .height = height, .depth = static_cast<uint16_t>(depth),
            .compression = depth == 8 ? 1u : 2u, .pixels = data};
  for (int i = 0; i < 16; ++i) s.table.push_back(TRGB{uint8_t(10 * i), uint8_t(10 * i), uint8_t(10 * i)});
  return Read(BuildBmp(s), false, progress);
}

int IndexAt(const ReadResult& r, int x, int y) { return PixelAt(r.image, x, y).r / 10; }
bool Black(const ReadResult& r, int x, int y) { return PixelAt(r.image, x, y) == TRGB{}; }

}  // namespace

TEST(BmpRleEncoder, ExamplesByteForByte) {
  EXPECT_EQ(Encode({5, 5, 5, 7}, 8), (Bytes{3, 5, 1, 7, 0, 0}));
  EXPECT_EQ(Encode({1, 2, 3}, 8), (Bytes{0, 3, 1, 2, 3, 0, 0, 0}));
  EXPECT_EQ(Encode({1, 2}, 8), (Bytes{1, 1, 1, 2, 0, 0}));
  EXPECT_EQ(Encode({1, 2}, 4), (Bytes{2, 0x12, 0, 0}));
  EXPECT_EQ(Encode({1, 2, 3}, 4), (Bytes{0, 3, 0x12, 0x30, 0, 0}));
  EXPECT_EQ(Encode({4, 4, 4, 1, 2, 3, 5, 6}, 4), (Bytes{3, 0x44, 0, 5, 0x12, 0x35, 0x60, 0, 0, 0}));
}

TEST(BmpRleEncoder, RunsAndLiteralsSplitAt255Pixels) {
  EXPECT_EQ(Encode(Bytes(300, 9), 8), (Bytes{255, 9, 45, 9, 0, 0}));
  Bytes alternating(257);
  for (int i = 0; i < 257; ++i) alternating[i] = static_cast<uint8_t>(1 + i % 2);
  const Bytes out = Encode(alternating, 8);
  ASSERT_EQ(out.size(), 2 + 255 + 1 + 6u);  // one literal of 255 and its pad, then two lone pixels
  EXPECT_EQ((Bytes{out.begin(), out.begin() + 2}), (Bytes{0, 255}));
  EXPECT_EQ((Bytes{out.end() - 6, out.end()}), (Bytes{1, 2, 1, 1, 0, 0}));
}

TEST(BmpRleRoundTrip, EncodedRowsDecodeToTheirIndices) {
  std::mt19937 rng(7);
  for (int depth : {4, 8}) {
    const int width = 613, height = 5;
    std::vector<Bytes> rows;
    Bytes data;
    for (int y = 0; y < height; ++y) {
      Bytes row(width);
      // Long runs, pairs and noise, so every branch of the encoder is taken.
      for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>((x / (1 + y * 40) + (rng() % 3 == 0)) % 16);
      const Bytes enc = Encode(row, depth);
      data.insert(data.end(), enc.begin(), enc.end());
      rows.push_back(row);
    }
    auto r = ReadRle(depth, width, height, data);  // no end-of-bitmap: the data just ends
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) ASSERT_EQ(IndexAt(*r, x, height - 1 - y), rows[y][x]) << depth;
  }
}

TEST(BmpRleDecoder, EndOfLineDeltaNibblesAndTopDown) {
  // Ends at the end of line after the top row, without an end-of-bitmap code.
  auto r = ReadRle(8, 2, 2, {2, 3, 0, 0, 2, 4, 0, 0, 2, 5});
  EXPECT_EQ(IndexAt(*r, 1, 1), 3);
  EXPECT_EQ(IndexAt(*r, 1, 0), 4);
  // A delta of one right and one up; skipped pixels stay black.
  r = ReadRle(8, 4, 3, {0, 2, 1, 1, 1, 7, 0, 0, 1, 8, 0, 1});
  EXPECT_TRUE(Black(*r, 0, 2));
  EXPECT_EQ(IndexAt(*r, 1, 1), 7);
  EXPECT_EQ(IndexAt(*r, 0, 0), 8);
  // RLE4 runs alternate nibbles; a literal of 5 skips its pad byte.
  r = ReadRle(4, 8, 1, {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0x00, 1, 0x90});
  EXPECT_EQ(IndexAt(*r, 1, 0), 2);
  EXPECT_EQ(IndexAt(*r, 2, 0), 1);
  EXPECT_EQ(IndexAt(*r, 7, 0), 7);
  r = ReadRle(8, 1, -2, {1, 3, 0, 0, 1, 4});
  EXPECT_EQ(IndexAt(*r, 0, 0), 3);
}

TEST(BmpRleDecoder, HostileCommandsStayInsideTheImageAndTheData) {
  // A run and a literal past the right edge, then a delta above the top.
  auto r = ReadRle(8, 3, 2, {255, 1, 0, 5, 2, 2, 2, 2, 2, 0, 0, 2, 0, 9, 1, 3});
  EXPECT_EQ(IndexAt(*r, 2, 1), 1);
  EXPECT_TRUE(Black(*r, 0, 0));
  // A literal longer than the data, and data that stops inside a delta.
  r = ReadRle(8, 4, 1, {0, 200, 3, 4});
  EXPECT_EQ(IndexAt(*r, 1, 0), 4);
  EXPECT_TRUE(Black(*r, 2, 0));
  r = ReadRle(4, 4, 1, {3, 0x11, 0, 2, 1});
  EXPECT_EQ(IndexAt(*r, 2, 0), 1);
  EXPECT_FALSE(r->aborted);
}

TEST(BmpRleDecoder, ProgressAtEachEndOfLine) {
  auto r = ReadRle(8, 1, 4, {1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0}, true);
  // Entering row r from the top reports trunc((height - r) x 100 / height).
  EXPECT_EQ(r->reported, (std::vector<int>{50, 75, 100}));
}
