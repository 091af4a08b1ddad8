#include "platform/gif_lzw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "platform/gif_lzw_decoder.h"
#include "platform/gif_lzw_encoder.h"

using namespace pix;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Encode(const Bytes& pixels, int32_t w, int32_t h, bool interlaced, int bits) {
  TPixMemoryStream out;
  GifLzwEncode(out, h, w, interlaced, pixels.data(), bits);
  return out.Bytes();
}

// Decodes data followed by a marker byte; the decoder must stop right before it.
Bytes Decode(Bytes data, int32_t w, int32_t h, bool interlaced = false) {
  data.push_back(0x3B);
  TPixMemoryStream in(data);
  Bytes pixels(static_cast<size_t>(w) * h, 0xEE);
  GifLzwDecode(in, h, w, interlaced, pixels.data());
  EXPECT_EQ(in.Position(), static_cast<int64_t>(data.size()) - 1);
  return pixels;
}

// Random indices, in runs of up to maxRun equal values.
Bytes Pattern(size_t count, int bits, uint32_t seed, int maxRun) {
  std::mt19937 rng(seed);
  Bytes v;
  while (v.size() < count)
    v.insert(v.end(), std::min<size_t>(1 + rng() % maxRun, count - v.size()), rng() & ((1u << bits) - 1));
  return v;
}

// Hand-made LZW data: (code, width) pairs packed LSB first into sub-blocks.
Bytes Codes(int codeSize, const std::vector<std::pair<int, int>>& codes) {
  Bytes packed;
  uint64_t acc = 0;
  int nbits = 0;
  for (auto [code, width] : codes) {
    acc |= static_cast<uint64_t>(code) << nbits;
    for (nbits += width; nbits >= 8; nbits -= 8, acc >>= 8) packed.push_back(static_cast<uint8_t>(acc));
  }
  if (nbits > 0) packed.push_back(static_cast<uint8_t>(acc));
  Bytes out{static_cast<uint8_t>(codeSize)};
  for (size_t i = 0; i < packed.size(); i += 255) {
    size_t n = std::min<size_t>(255, packed.size() - i);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), packed.begin() + i, packed.begin() + i + n);
  }
  out.push_back(0);
  return out;
}

}  // namespace

TEST(GifLzw, RoundTripsEveryDepthSizeAndRowOrder) {
  for (int bits = 1; bits <= 8; ++bits)
    for (bool interlaced : {false, true})
      for (auto [w, h] : {std::pair{1, 1}, {9, 17}, {397, bits % 5 == 3 ? 311 : 2}})
        for (int maxRun : {1, 40}) {
          auto pixels = Pattern(static_cast<size_t>(w) * h, bits, bits * 7 + w, maxRun);
          ASSERT_EQ(Decode(Encode(pixels, w, h, interlaced, bits), w, h, interlaced), pixels)
              << "bits " << bits << " interlaced " << interlaced << " " << w << "x" << h << " run " << maxRun;
        }
  // Interlaced data keeps the stored row order: rows 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
  Bytes rows;
  for (uint8_t y = 0; y < 10; ++y) rows.insert(rows.end(), 3, y);
  Bytes stored;
  for (uint8_t y : {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}) stored.insert(stored.end(), 3, y);
  EXPECT_EQ(Decode(Encode(rows, 3, 10, true, 4), 3, 10, false), stored);
  // Code size byte (at least 2), sub-blocks, terminator as the last byte.
  for (int bits : {1, 5}) {
    auto data = Encode(Pattern(5000, bits, 3, 1), 100, 50, false, bits);
    size_t pos = 1;
    while (pos < data.size() && data[pos] != 0) pos += 1 + data[pos];
    EXPECT_EQ(std::make_pair(int(data[0]), pos), std::make_pair(std::max(2, bits), data.size() - 1));
  }
  // An empty image: a clear code and an end code, 9 bits each.
  EXPECT_EQ(Encode({}, 0, 0, false, 8), (Bytes{8, 3, 0x00, 0x03, 0x02, 0}));
}

TEST(GifLzw, DecoderReadsUnusualButUnambiguousStreams) {
  // A table that fills up and is used on without a clear (code size 2).
  std::vector<std::pair<int, int>> codes{{4, 3}, {1, 3}};
  Bytes expected{1};
  for (int next = 6, width = 3; next < 4096; ++next) {
    codes.push_back({2, width});
    expected.push_back(2);
    if (next + 1 == (1 << width) && width < 12) ++width;
  }
  codes.insert(codes.end(), {{3, 12}, {6, 12}, {5, 12}});  // literal 3, entry 6 = "1 2", end
  expected.insert(expected.end(), {3, 1, 2});
  EXPECT_EQ(Decode(Codes(2, codes), static_cast<int32_t>(expected.size()), 1), expected);
  // Code size 1: the first code is 2 bits wide, later ones 3.
  EXPECT_EQ(Decode(Codes(1, {{2, 2}, {1, 2}, {0, 3}, {4, 3}, {3, 3}}), 4, 1), (Bytes{1, 0, 1, 0}));
  // Code size 11: 12-bit codes from the start, byte values only.
  EXPECT_EQ(Decode(Codes(11, {{2048, 12}, {5, 12}, {7, 12}, {2050, 12}, {255, 12}, {2049, 12}}), 6, 1),
            (Bytes{5, 7, 5, 7, 255, 0}));
}

TEST(GifLzw, DecoderKeepsTheValidPartOfCorruptDataAndConsumesIt) {
  // Code 9 while 8 is the next free code; a table code right after a clear;
  // an end code before the pixels are done; a literal no byte can hold.
  EXPECT_EQ(Decode(Codes(2, {{4, 3}, {1, 3}, {2, 3}, {1, 3}, {9, 4}, {1, 4}}), 3, 2), (Bytes{1, 2, 1, 0, 0, 0}));
  EXPECT_EQ(Decode(Codes(2, {{4, 3}, {3, 3}, {4, 3}, {6, 3}}), 2, 2), (Bytes{3, 0, 0, 0}));
  EXPECT_EQ(Decode(Codes(2, {{4, 3}, {3, 3}, {5, 3}, {3, 3}}), 2, 2, true), (Bytes{3, 0, 0, 0}));
  EXPECT_EQ(Decode(Codes(9, {{512, 10}, {3, 10}, {300, 10}, {4, 10}}), 3, 1), (Bytes{3, 0, 0}));
  for (uint8_t codeSize : {0, 12, 0x48}) EXPECT_EQ(Decode({codeSize, 2, 0xFF, 0xFF, 1, 7, 0}, 4, 2), Bytes(8, 0));
  // More data than pixels.
  auto long4000 = Pattern(4000, 8, 1, 40);
  EXPECT_EQ(Decode(Encode(long4000, 4000, 1, false, 8), 5, 5), Bytes(long4000.begin(), long4000.begin() + 25));
  // Data cut off anywhere: a decoded prefix, zeros after it, the stream at its end.
  auto pixels = Pattern(900, 8, 5, 3);
  auto data = Encode(pixels, 30, 30, false, 8);
  for (size_t cut : {size_t{0}, size_t{1}, size_t{100}, data.size() / 2, data.size() - 1}) {
    TPixMemoryStream in(Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut)));
    Bytes out(900, 0xEE);
    GifLzwDecode(in, 30, 30, false, out.data());
    EXPECT_EQ(in.Position(), static_cast<int64_t>(cut)) << "unmoved only when there was nothing to read";
    auto first = std::mismatch(out.begin(), out.end(), pixels.begin()).first;
    EXPECT_TRUE(std::all_of(first, out.end(), [](uint8_t v) { return v == 0; })) << cut;
  }
}
