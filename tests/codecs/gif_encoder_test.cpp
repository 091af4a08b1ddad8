#include <gtest/gtest.h>

#include "codecs/palette/bilevel.h"
#include "codecs/gif/gif_codec.h"
#include "codecs/gif_test_support.h"
#include "codecs/palette/quantizer.h"

using namespace pix;
using Bytes = std::vector<uint8_t>;
using giftest::BitAt;
using giftest::Params;
using giftest::PixelAt;
using giftest::PutPixel;

namespace {

struct Written {
  Bytes bytes;
  bool aborted = false;
  std::vector<int> progress;
};

Written Write(TBitmap& image, TIOParams& params, int abortAt = -1, int64_t writeLimit = -1) {
  Written out;
  TPixProgressEvent handler = [&](TPixObject*, int per) {
    out.progress.push_back(per);
    if (per == abortAt) out.aborted = true;
  };
  TProgressRecord progress{.Handler = &handler, .Aborting = &out.aborted};
  TPixMemoryStream stream;
  stream.SetWriteLimit(writeLimit);
  WriteGifStream(stream, image, params, progress);
  out.bytes = stream.Bytes();
  return out;
}

// Reads a written file back with this platform's decoder.
TBitmap& ReadBack(const Bytes& bytes, TBitmap& image, TIOParams& params) {
  bool aborted = false;
  int count = 0;
  TProgressRecord progress{.Aborting = &aborted};
  TPixMemoryStream stream(bytes);
  ReadGifStream(stream, image, count, nullptr, false, progress, params);
  EXPECT_FALSE(aborted);
  return image;
}

TBitmap& Photo(TBitmap& image, int w, int h) {
  image.Allocate(w, h, TPixelFormat::TrueColor);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      PutPixel(image, x, y, TRGB{uint8_t(x * 255 / w), uint8_t(y * 255 / h), uint8_t(x * y % 256)});
  return image;
}

size_t TableEnd(int bits) { return 13 + 3 * (size_t{1} << bits); }
Bytes Slice(const Bytes& b, size_t from, size_t n) { return Bytes(b.begin() + from, b.begin() + from + n); }

}  // namespace

TEST(GifWriter, PaletteDepthsGoThroughTheQuantizerAndReadBack) {
  // Colours on 5-bit levels, one per histogram cell: box splitting keeps them exact.
  for (int bits = 2; bits <= 6; ++bits) {
    TBitmap image(23, 9, TPixelFormat::TrueColor), back;
    for (int i = 0; i < 23 * 9; ++i) {
      int k = i % (1 << bits);
      PutPixel(image, i % 23, i / 23, TRGB{uint8_t(k * 5 % 32 * 8), uint8_t(k * 11 % 32 * 8), uint8_t(k * 3 % 32 * 8)});
    }
    Params p, q;
    p.BitsPerSample = bits;
    p.GifInterlaced = bits % 2 == 0;
    Written w = Write(image, p);
    ASSERT_FALSE(w.aborted);
    EXPECT_EQ(w.progress, (std::vector<int>{0, 30, 70, 100}));
    EXPECT_EQ(w.bytes[10], 0x80 + ((bits - 1) << 4) + (bits - 1)) << "0xB3 for 4 bits";
    EXPECT_EQ(Slice(w.bytes, TableEnd(bits) + 17, 2),
              (Bytes{uint8_t(p.GifInterlaced ? 0x40 : 0), uint8_t(std::max(2, bits))}));
    EXPECT_EQ(w.bytes.back(), 0x3B);
    ReadBack(w.bytes, back, q);
    for (int i = 0; i < 23 * 9; ++i) ASSERT_EQ(PixelAt(back, i % 23, i / 23), PixelAt(image, i % 23, i / 23)) << bits;
  }
  // 8 bits: NeuQuant, a full 256-entry table, every pixel its network colour.
  TBitmap photo, back;
  Params p, q;
  Written w = Write(Photo(photo, 40, 30), p);
  EXPECT_EQ(w.bytes[10], 0xF7);
  TRGB palette[256] = {};
  TPixQuantizer network(photo, palette, 256, 256);
  ReadBack(w.bytes, back, q);
  ASSERT_EQ(q.ColorMapCount, 256);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(q.ColorMap()[i], palette[i]);
  for (int i = 0; i < 40 * 30; ++i)
    ASSERT_EQ(PixelAt(back, i % 40, i / 40), palette[network.IndexOfColor(PixelAt(photo, i % 40, i / 40))]);
}

TEST(GifWriter, TwoColourPathsAlwaysWriteBlackAndWhite) {
  // Red and blue: blue is darker (luminance 18 against 54) and becomes black.
  TBitmap image(9, 1, TPixelFormat::TrueColor), back;
  for (int x = 0; x < 9; ++x) PutPixel(image, x, 0, x % 3 ? TRGB{0, 0, 255} : TRGB{255, 0, 0});
  Params p, q;
  p.BitsPerSample = 1;
  Written w = Write(image, p);
  EXPECT_EQ(Slice(w.bytes, 10, 9), (Bytes{0x80, 0, 0, 0, 0, 0, 255, 255, 255}));
  ReadBack(w.bytes, back, q);
  ASSERT_EQ(back.PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_EQ(Bytes(back.ScanLine(0), back.ScanLine(0) + 2), (Bytes{0x6D, 0x80}));
  EXPECT_EQ(PixelAt(image, 0, 0), (TRGB{255, 0, 0})) << "the working image is left as it was";

  // Many colours at one bit: the ordered dither of the two-colour helper.
  TBitmap photo, dithered;
  CopyImage(Photo(photo, 21, 17), dithered);
  DitherBilevel(dithered);
  ReadBack(Write(photo, p).bytes, back, q);
  for (int i = 0; i < 21 * 17; ++i) ASSERT_EQ(BitAt(back, i % 21, i / 21), BitAt(dithered, i % 21, i / 21));

  // A Bilevel image at 8 bits is expanded, quantized and written with 256 entries.
  TBitmap bilevel(10, 4, TPixelFormat::Bilevel);
  for (int y = 0; y < 4; ++y) bilevel.ScanLine(y)[0] = uint8_t(0xF0 >> y);
  p.BitsPerSample = 8;
  w = Write(bilevel, p);
  EXPECT_EQ(w.bytes[10], 0xF7);
  EXPECT_EQ(w.bytes[TableEnd(8)], 0x21);
  ReadBack(w.bytes, back, q);
  for (int i = 0; i < 40; ++i) {
    TRGB c = PixelAt(back, i % 10, i / 10);
    EXPECT_EQ(c.r + c.g + c.b > 382, BitAt(bilevel, i % 10, i / 10) == 1);
  }
}

TEST(GifWriter, HeaderControlAndDescriptorCarryTheRecord) {
  TBitmap image(3, 2, TPixelFormat::TrueColor), back;
  Params p, q;
  p.BitsPerSample = 2;
  const size_t gce = TableEnd(2);
  EXPECT_EQ(Slice(Write(image, p).bytes, gce, 8), (Bytes{0x21, 0xF9, 0x04, 0x08, 0, 0, 0, 0})) << "black is index 0";

  PutPixel(image, 1, 0, TRGB{0, 0, 248});
  PutPixel(image, 2, 1, TRGB{0, 248, 0});
  p.GifVersion = std::string("GIF87a\0", 7);
  p.GifTransparent = true;
  p.GifTransparentColor = TRGB{0, 0, 248};
  p.GifBackground = TRGB{0, 248, 0};
  p.GifDelayTime = 0x10203;
  p.GifXPos = 70000;
  p.GifYPos = 5;
  Written w = Write(image, p);
  // The screen grows to hold the positioned frame; positions clamp to 16 bits.
  EXPECT_EQ(Slice(w.bytes, 0, 10), (Bytes{'G', 'I', 'F', '8', '7', 'a', 0xFF, 0xFF, 7, 0}));
  EXPECT_EQ(Slice(w.bytes, gce, 6), (Bytes{0x21, 0xF9, 0x04, 0x09, 0x03, 0x02}));
  EXPECT_EQ(Slice(w.bytes, gce + 8, 10), (Bytes{0x2C, 0xFC, 0xFF, 5, 0, 3, 0, 2, 0, 0}));
  ReadBack(w.bytes, back, q);
  EXPECT_EQ(std::make_tuple(q.GifTransparentColor, q.GifBackground),
            std::make_tuple(p.GifTransparentColor, p.GifBackground));

  p.GifVersion = "GIF";  // too short: completed from the default
  EXPECT_EQ(Slice(Write(image, p).bytes, 0, 6), (Bytes{'G', 'I', 'F', '8', '9', 'a'}));
}

TEST(GifWriter, FailuresFollowTheTable) {
  TGifLzwEncodeProc saved = DefaultGifLzwEncode;
  DefaultGifLzwEncode = nullptr;
  TBitmap image;
  Photo(image, 30, 30);
  TIOParams none;
  none.GifLzwEncode = nullptr;
  for (int bits : {1, 3, 8}) {
    none.BitsPerSample = bits;
    Written w = Write(image, none);
    EXPECT_TRUE(w.aborted);
    EXPECT_EQ(w.bytes.size(), TableEnd(bits) + 8 + 10) << "header, table, control, descriptor";
    EXPECT_EQ(w.progress, (std::vector<int>{0, 30, 70}));
  }
  DefaultGifLzwEncode = saved;

  Params p;
  p.BitsPerSample = 5;
  EXPECT_TRUE(Write(image, p, 0).bytes.empty());
  EXPECT_TRUE(Write(image, p, 30).bytes.empty());
  EXPECT_EQ(Write(image, p, 70).bytes.size(), TableEnd(5) + 18);
  const auto full = static_cast<int64_t>(Write(image, p).bytes.size());
  for (int64_t limit : {int64_t{0}, int64_t{5}, int64_t{13}, int64_t(TableEnd(5)) + 12, full - 1}) {
    Written w = Write(image, p, -1, limit);
    EXPECT_TRUE(w.aborted) << limit;
    EXPECT_EQ(static_cast<int64_t>(w.bytes.size()), limit);
  }
  EXPECT_FALSE(Write(image, p, -1, full).aborted);
  // Sides the 16-bit fields cannot hold are refused before anything is written.
  TBitmap wide(65536, 1, TPixelFormat::Bilevel), widest(65535, 1, TPixelFormat::Bilevel);
  EXPECT_TRUE(Write(wide, p).bytes.empty());
  EXPECT_FALSE(Write(widest, p).aborted);
}
