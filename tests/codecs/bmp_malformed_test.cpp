// Malformed variants of valid files: every one must load or fail cleanly, and
// no pixel may come from data the file does not hold.
#include <gtest/gtest.h>

#include "bmp_test_builder.h"
#include "codecs/bmp/detail/bmp_format.h"

using namespace pix;
using namespace bmptest;

namespace {

// A table without black, so black pixels can only mean "no data".
std::vector<TRGB> Greys(int n) {
  std::vector<TRGB> t;
  for (int i = 0; i < n; ++i) t.push_back(TRGB{uint8_t(100 + i), uint8_t(100 + i), uint8_t(100 + i)});
  return t;
}

Bytes RleData(int depth, int width, int height) {
  Bytes data, row(width), line(static_cast<size_t>(bmp::RleLineCapacity(width)));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>((x / 3 + y) % 16);
    data.insert(data.end(), line.begin(), line.begin() + bmp::EncodeRleLine(row.data(), width, depth, line.data()));
  }
  data.insert(data.end(), {0, 1});
  return data;
}

std::vector<Bytes> ValidFiles() {
  const int w = 13, h = 5;
  std::vector<Bytes> files;
  for (uint16_t depth : {1, 4, 8, 16, 24, 32}) {
    BmpSpec s{.width = w, .height = h, .depth = depth, .pixels = Bytes(h * RowBytes(w, depth), 0x05)};
    if (depth <= 8) s.table = depth == 1 ? std::vector<TRGB>{{255, 255, 255}, {}} : Greys(16);
    if (depth == 16) s.compression = 3, s.masks = {0xF800, 0x07E0, 0x001F};
    files.push_back(BuildBmp(s));
    if (depth == 8) s.headerSize = 12, s.table = Greys(256), files.push_back(BuildBmp(s));
  }
  for (uint16_t depth : {4, 8})
    files.push_back(BuildBmp({.width = w, .height = h, .depth = depth, .compression = depth == 8 ? 1u : 2u,
                              .table = Greys(16), .pixels = RleData(depth, w, h)}));
  return files;
}

// Truncations at every length through the headers and table, a few inside the
// pixels, and hostile values in every header field.
std::vector<Bytes> Variants(const Bytes& file) {
  std::vector<Bytes> out;
  const size_t pixels = GetLE32(&file[10]);
  for (size_t n = 0; n < file.size(); n += (n < pixels + 8 ? 1 : 7)) out.emplace_back(file.begin(), file.begin() + n);
  const uint32_t values[] = {0, 1, 2, 3, 4, 5, 6, 12, 15, 16, 40, 52, 64, 65, 255, 256, 257, 0x7FFF, 0xFFFF,
                             0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, static_cast<uint32_t>(file.size() + 9)};
  for (size_t at : {2, 10, 14, 18, 22, 26, 28, 30, 34, 38, 46, 50})
    for (uint32_t v : values) {
      Bytes bad = file;
      if (at + 4 <= bad.size()) PutLE32(&bad[at], v);
      out.push_back(bad);
    }
  return out;
}

}  // namespace

TEST(BmpMalformed, EveryVariantLoadsOrFailsCleanly) {
  for (const Bytes& file : ValidFiles()) {
    ASSERT_FALSE(Read(file)->aborted);
    for (const Bytes& bad : Variants(file)) {
      std::unique_ptr<ReadResult> r;
      ASSERT_NO_THROW(r = Read(bad, false, true));
      if (r->aborted) continue;
      EXPECT_FALSE(r->image.Empty());
      for (int per : r->reported) ASSERT_TRUE(per >= 0 && per <= 100) << per;
    }
  }
}

TEST(BmpMalformed, AbsurdSizesAbortBeforeAllocating) {
  for (auto [width, height] : std::vector<std::pair<int32_t, int32_t>>{
           {0, 5}, {5, 0}, {-5, 5}, {1 << 30, 1 << 30}, {3000000, 2000000}, {5, INT32_MIN}}) {
    auto r = Read(BuildBmp({.width = width, .height = height, .pixels = Bytes(64, 1)}));
    EXPECT_TRUE(r->aborted) << width << " x " << height;
    EXPECT_EQ(r->reason, width > 0 && height != 0 ? frSizeTooLarge : frCorruptData);
    EXPECT_TRUE(r->image.Empty());
  }
}

TEST(BmpMalformed, PixelsBeyondATruncatedFileAreBlack) {
  for (const Bytes& file : ValidFiles()) {
    const size_t offset = GetLE32(&file[10]);
    const Bytes cut(file.begin(), file.begin() + offset + (file.size() - offset) / 2);
    auto r = Read(cut);
    ASSERT_FALSE(r->aborted);
    EXPECT_EQ(r->damage, frTruncated);
    EXPECT_EQ(Read(file)->damage, frNone);
    const TBitmap& image = r->image;
    SCOPED_TRACE(GetLE16(&file[28]));
    if (image.PixelFormat() == TPixelFormat::Bilevel) {
      EXPECT_EQ(image.ScanLine(0)[0], 0);  // the white, black table inverted the rest
      EXPECT_NE(image.ScanLine(image.Height() - 1)[0], 0);
    } else {
      EXPECT_EQ(PixelAt(image, image.Width() - 1, 0), TRGB{});
      EXPECT_NE(PixelAt(image, 0, image.Height() - 1), TRGB{});
    }
  }
}
