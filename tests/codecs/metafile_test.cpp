// The metafile reader and writers: the picture's size, what the records draw,
// the failure reasons, round trips through our writers, progress.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/metafile/metafile_codec.h"
#include "codecs/metafile_test_builder.h"
#include "imaging/pix_mask.h"
#include "platform/default_resolution.h"
#include "support/test_support.h"

using namespace pix;
using mftest::Longs;
using mftest::TEmfBuilder;
using mftest::TWmfBuilder;
using mftest::Words;

namespace {

struct TRead {
  TBitmap Image;
  TPixMask Alpha;
  TIOParams Params;
  bool Aborted = false;
  TFailureReason Reason = frNone, Damage = frNone;
  TPixProgressEvent Handler;
  TProgressRecord Progress{.Handler = &Handler, .Aborting = &Aborted, .Reason = &Reason, .Damage = &Damage};

  explicit TRead(const std::vector<uint8_t>& bytes, bool paramsOnly = false) {
    Run(bytes, paramsOnly);
  }
  TRead() = default;
  void Run(const std::vector<uint8_t>& bytes, bool paramsOnly = false) {
    TPixMemoryStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
    ReadMetafileStream(s, Image, &Alpha, paramsOnly, Params, Progress);
  }
  // 0x00RRGGBB of a pixel, easier to read in expectations.
  uint32_t Rgb(int32_t x, int32_t y) const {
    const uint8_t* p = Image.ScanLine(y) + 3 * x;
    return (p[2] << 16) | (p[1] << 8) | p[0];
  }
  bool Loaded() const { return !Aborted && Damage == frNone; }
};

constexpr uint32_t kWhite = 0xFFFFFF, kGreen = 0x00FF00, kBlue = 0x0000FF, kRed = 0xFF0000;

using TResolutionSetting = pixtest::ScopedSetting<TResolution>;
TResolutionSetting Resolution(int x, int y) {
  return TResolutionSetting(DefaultResolution, [](TResolution r) { SetDefaultResolution(r.DpiX, r.DpiY); },
                            TResolution{x, y});
}

// A gradient with some structure, of an odd width so rows carry padding.
void Paint(TBitmap& bmp, int32_t w, int32_t h) {
  bmp.Allocate(w, h, TPixelFormat::TrueColor);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* p = bmp.ScanLine(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 7);
      p[1] = static_cast<uint8_t>(y * 11);
      p[2] = static_cast<uint8_t>((x ^ y) * 13);
    }
}

std::vector<uint8_t> Write(TCodecWrite write, TBitmap& image, TFailureReason* why = nullptr, int64_t limit = -1) {
  TPixMemoryStream s;
  if (limit >= 0) s.SetWriteLimit(limit);
  TIOParams params;
  params.DpiX = params.DpiY = 300;
  bool aborted = false;
  TFailureReason reason = frNone;
  TProgressRecord progress{.Aborting = &aborted, .Reason = &reason};
  write(s, image, nullptr, params, progress);
  if (why) *why = reason;
  return s.Bytes();
}

}  // namespace

TEST(MetafileSize, PlaceableBoxAtTheDefaultResolutionAndParametersOnly) {
  // 960 x 480 units at 480 per inch: 2 x 1 inches.
  const auto wmf = TWmfBuilder(960, 480, 480).Bytes();
  TRead full(wmf);
  EXPECT_TRUE(full.Loaded());
  EXPECT_EQ(full.Image.Width(), 192);
  EXPECT_EQ(full.Image.Height(), 96);
  EXPECT_EQ(full.Params.DpiX, 96);
  EXPECT_EQ(full.Rgb(100, 50), kWhite);
  EXPECT_EQ(full.Alpha.Width(), 192);
  EXPECT_TRUE(full.Alpha.Full());

  auto res = Resolution(72, 144);
  TRead header(wmf, true);
  EXPECT_FALSE(header.Aborted);
  EXPECT_EQ(header.Params.Width, 144);
  EXPECT_EQ(header.Params.Height, 144);
  EXPECT_EQ(header.Params.DpiY, 144);
  EXPECT_TRUE(header.Image.Empty());
}

TEST(MetafileSize, PlainWmfFromItsWindowElseTheDefault) {
  TWmfBuilder b(0, 0);
  b.Rec(0x020B, {0, 0}).Rec(0x020C, {200, 300});
  TRead windowed(b.Bytes(false));
  EXPECT_EQ(windowed.Image.Width(), 300);
  EXPECT_EQ(windowed.Image.Height(), 200);
  TRead bare(TWmfBuilder(0, 0).Bytes(false));
  EXPECT_EQ(bare.Image.Width(), 1024);
  EXPECT_EQ(bare.Image.Height(), 768);
}

TEST(MetafileSize, EmfFromItsFrameElseItsBoundsWithTheLongerSideCapped) {
  TRead framed(TEmfBuilder(160, 120).Bytes());
  EXPECT_EQ(framed.Image.Width(), 160);
  EXPECT_EQ(framed.Image.Height(), 120);
  // An empty frame: the bounds on the 96-dpi reference device.
  TRead bounded(TEmfBuilder(70, 50).Bytes(true, 0, 0));
  EXPECT_EQ(bounded.Image.Width(), 70);
  EXPECT_EQ(bounded.Image.Height(), 50);
  // 100 x 10 inches would be 9600 x 960 pixels.
  TRead capped(TEmfBuilder(10, 10).Bytes(true, 254000, 25400), true);
  EXPECT_EQ(capped.Params.Width, kMetafileMaxSide);
  EXPECT_EQ(capped.Params.Height, 410);
}

TEST(MetafileDraw, WmfShapesLandWhereTheWindowMapsThem) {
  // 100 x 50 units at 48 per inch: a 200 x 100 picture, two pixels a unit.
  TWmfBuilder b(100, 50, 48);
  b.Rec(0x020B, {0, 0}).Rec(0x020C, {50, 100})
      .Rec(0x02FA, {5, 0, 0, 0, 0})          // null pen
      .Rec(0x02FC, {0, 0xFF00, 0, 0})        // green brush
      .Rec(0x012D, {0}).Rec(0x012D, {1})
      .Rec(0x041B, {30, 40, 10, 10});        // rectangle (10,10)-(40,30)
  TRead r(b.Bytes());
  ASSERT_TRUE(r.Loaded());
  EXPECT_EQ(r.Rgb(20, 20), kGreen);
  EXPECT_EQ(r.Rgb(79, 59), kGreen);
  EXPECT_EQ(r.Rgb(80, 60), kWhite);
  EXPECT_EQ(r.Rgb(19, 19), kWhite);
}

TEST(MetafileDraw, AlternateAndWindingFillRules) {
  // Two nested squares drawn the same way round: the inner one is a hole
  // only under the alternate rule.
  for (int mode : {1, 2}) {
    TEmfBuilder b(60, 60);
    b.Rec(38, {1, 5, 0, 0, 0}).Rec(39, {2, 0, 0x0000FF, 0}).Rec(37, {1}).Rec(37, {2}).Rec(19, {mode})
        .Raw(91, mftest::Join({Longs({0, 0, 0, 0, 2, 8, 4, 4}),
                               Words({0, 0, 60, 0, 60, 60, 0, 60, 20, 20, 40, 20, 40, 40, 20, 40})}));
    TRead r(b.Bytes());
    ASSERT_TRUE(r.Loaded());
    EXPECT_EQ(r.Rgb(5, 5), kRed);
    EXPECT_EQ(r.Rgb(30, 30), mode == 1 ? kWhite : kRed) << "mode " << mode;
  }
}

TEST(MetafileDraw, ClippingSavedStatesAndTheObjectTableFollowGdi) {
  TEmfBuilder b(100, 100);
  b.Rec(38, {1, 5, 0, 0, 0}).Rec(39, {2, 0, 0x00FF00, 0}).Rec(39, {3, 0, 0xFF0000, 0})
      .Rec(37, {1}).Rec(37, {2})
      .Rec(33, {})
      .Rec(30, {0, 0, 50, 50})                 // clip to the top-left quarter
      .Rec(37, {3})                            // blue brush inside the saved state
      .Rec(43, {0, 0, 100, 100})
      .Rec(34, {-1})                           // back: no clip, green brush
      .Rec(43, {60, 60, 100, 100})
      .Rec(40, {3}).Rec(37, {3})               // selecting a deleted object changes nothing
      .Rec(43, {0, 60, 40, 100})
      .Rec(37, {999});                         // an index past the table
  TRead r(b.Bytes());
  EXPECT_FALSE(r.Aborted);
  EXPECT_EQ(r.Damage, frCorruptData);
  EXPECT_EQ(r.Rgb(10, 10), kBlue);
  EXPECT_EQ(r.Rgb(70, 30), kWhite);
  EXPECT_EQ(r.Rgb(80, 80), kGreen);
  EXPECT_EQ(r.Rgb(20, 80), kGreen);
}

TEST(MetafileDraw, MetricMapModesCountUpwardsFromTheOrigin) {
  // MM_LOMETRIC on the 96-dpi reference device: 254 units are an inch, y up.
  TEmfBuilder b(200, 200);
  b.Rec(17, {2}).Rec(38, {1, 5, 0, 0, 0}).Rec(39, {2, 0, 0x0000FF, 0}).Rec(37, {1}).Rec(37, {2})
      .Rec(43, {0, 0, 254, -254});
  TRead r(b.Bytes());
  ASSERT_TRUE(r.Loaded());
  EXPECT_EQ(r.Rgb(50, 50), kRed);
  EXPECT_EQ(r.Rgb(95, 95), kRed);
  EXPECT_EQ(r.Rgb(97, 97), kWhite);
}

TEST(MetafileDraw, BitmapRecordsDecodeThroughTheDibReader) {
  // An 8-bit palette DIB from the BMP writer, stretched to twice its size.
  TBitmap source;
  source.Allocate(6, 4, TPixelFormat::TrueColor);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      uint8_t* p = source.ScanLine(y) + 3 * x;
      p[0] = (x + y) % 2 ? 200 : 10;
      p[1] = x < 3 ? 50 : 150;
      p[2] = y < 2 ? 0 : 255;
    }
  TPixMemoryStream bmp;
  TIOParams params;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 1;
  bool aborted = false;
  TProgressRecord progress{.Aborting = &aborted};
  WriteBmpStream(bmp, source, params, progress);
  const std::vector<uint8_t> dib(bmp.Bytes().begin() + 14, bmp.Bytes().end());
  const int64_t info = 40 + 256 * 4;
  TEmfBuilder b(12, 8);
  b.Raw(81, mftest::Join({Longs({0, 0, 0, 0, 0, 0, 0, 0, 6, 4, 80, info, 80 + info,
                                 static_cast<int64_t>(dib.size()) - info, 0, 0xCC0020, 12, 8}),
                          dib}));
  TRead r(b.Bytes());
  ASSERT_TRUE(r.Loaded());
  // The palette is the quantizer's: the same file read as a BMP is the truth.
  TBitmap expected;
  TPixMemoryStream again(bmp.Bytes().data(), static_cast<int64_t>(bmp.Bytes().size()));
  ReadBmpStream(again, expected, 0, false, progress, params);
  ASSERT_EQ(expected.Width(), 6);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 12; ++x) {
      const uint8_t* p = expected.ScanLine(y / 2) + 3 * (x / 2);
      ASSERT_EQ(r.Rgb(x, y), static_cast<uint32_t>((p[2] << 16) | (p[1] << 8) | p[0])) << x << "," << y;
    }
}

TEST(MetafileDraw, TextIsDrawnAsABoxPerCharacterInTheTextColour) {
  std::vector<uint8_t> text = Longs({0, 0, 0, 0, 1, 0, 0, 10, 10, 3, 76, 0, 0, 0, 0, 0, 84});
  for (char c : std::string("A B")) mftest::Put16(text, static_cast<uint8_t>(c));
  mftest::Put16(text, 0);
  for (int i = 0; i < 3; ++i) mftest::Put32(text, 12);
  std::vector<uint8_t> font = Longs({1, -20});
  font.resize(96, 0);
  TEmfBuilder b(60, 40);
  b.Raw(82, font).Rec(37, {1}).Rec(18, {1}).Rec(24, {0x0000FF}).Raw(84, text);
  TRead r(b.Bytes());
  ASSERT_TRUE(r.Loaded());
  // Top-aligned: the baseline is 16 pixels below the reference point.
  int inFirst = 0, inBlank = 0, elsewhere = 0;
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 60; ++x) {
      if (r.Rgb(x, y) != kRed) continue;
      if (x >= 10 && x < 22 && y >= 10 && y < 26)
        ++inFirst;
      else if (x >= 22 && x < 34)
        ++inBlank;
      else if (!(x >= 34 && x < 46 && y >= 10 && y < 26))
        ++elsewhere;
    }
  EXPECT_GT(inFirst, 40);
  EXPECT_EQ(inBlank, 0);
  EXPECT_EQ(elsewhere, 0);
}

TEST(MetafileDraw, RichRecordSequencesDrawWithoutDamage) {
  for (const auto& bytes : {mftest::RichWmf(), mftest::RichEmf()}) {
    TRead r(bytes);
    EXPECT_TRUE(r.Loaded()) << FailureText(r.Reason) << FailureText(r.Damage);
    int drawn = 0;
    for (int32_t y = 0; y < r.Image.Height(); ++y)
      for (int32_t x = 0; x < r.Image.Width(); ++x) drawn += r.Rgb(x, y) != kWhite;
    EXPECT_GT(drawn, r.Image.Width() * r.Image.Height() / 4);
  }
  // Without its placeable header the WMF draws the same.
  std::vector<uint8_t> plain = mftest::RichWmf();
  plain.erase(plain.begin(), plain.begin() + 22);
  TRead placeable(mftest::RichWmf()), bare(plain);
  EXPECT_TRUE(bare.Loaded());
  EXPECT_TRUE(SamePixels(placeable.Image, bare.Image));
}

TEST(MetafileFailures, EachFaultHasItsReason) {
  const auto emfWith = [](auto&& add) {
    TEmfBuilder b(20, 20);
    add(b);
    return b.Bytes();
  };
  std::vector<uint8_t> cutEmf = TEmfBuilder(20, 20).Bytes();
  cutEmf.resize(60);
  std::vector<uint8_t> badHeader = TEmfBuilder(20, 20).Bytes();
  badHeader[4] = 40;  // header record shorter than a header
  std::vector<uint8_t> noWmfHeader = TWmfBuilder(10, 10).Bytes();
  noWmfHeader[22] = 7;
  std::vector<uint8_t> cutRecords = TEmfBuilder(20, 20).Rec(43, {0, 0, 5, 5}).Bytes(false);
  cutRecords.resize(cutRecords.size() - 4);
  std::vector<uint8_t> manySaves;
  {
    TEmfBuilder b(20, 20);
    for (int i = 0; i < 5000; ++i) b.Rec(33, {});
    manySaves = b.Bytes();
  }
  std::vector<uint8_t> expensive;
  {
    // Each blit paints the whole picture: a few kilobytes of them could keep
    // a reader busy for minutes without the cap on work.
    TEmfBuilder b(1000, 1000);
    for (int i = 0; i < 100; ++i)
      b.Raw(76, Longs({0, 0, 0, 0, 0, 0, 1000, 1000, 0x00F00021, 0, 0, mftest::FloatBits(1), 0, 0,
                       mftest::FloatBits(1), 0, 0, 0, 0, 0, 0, 0, 0}));
    expensive = b.Bytes();
  }
  const struct {
    const char* Name;
    std::vector<uint8_t> Bytes;
    bool Loads;
    TFailureReason Reason;
  } cases[] = {
      {"empty", {}, false, frTruncated},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, false, frNotThisFormat},
      {"cut key", {0xD7, 0xCD, 0xC6}, false, frTruncated},
      {"cut EMF header", cutEmf, false, frTruncated},
      {"short EMF header", badHeader, false, frCorruptData},
      {"placeable without WMF header", noWmfHeader, false, frCorruptData},
      {"mask blit", emfWith([](TEmfBuilder& b) { b.Rec(78, {0, 0, 0, 0}); }), false, frUnsupportedFeature},
      {"palette-index DIB", TWmfBuilder(10, 10).Raw(0x0F43, Words({0x20, 0xCC, 1, 1, 1, 0, 0, 1, 1, 0, 0})).Bytes(),
       false, frUnsupportedFeature},
      {"right-to-left layout", emfWith([](TEmfBuilder& b) { b.Rec(115, {1}); }), false, frUnsupportedFeature},
      {"too many saved states", manySaves, false, frSizeTooLarge},
      {"too much drawing", expensive, false, frSizeTooLarge},
      {"record of 6 bytes", emfWith([](TEmfBuilder& b) { b.Append(Longs({43, 6})); }), true, frCorruptData},
      {"no end record", TEmfBuilder(20, 20).Rec(43, {0, 0, 5, 5}).Bytes(false), true, frTruncated},
      {"record past the end", cutRecords, true, frTruncated},
      {"points past the record", emfWith([](TEmfBuilder& b) { b.Rec(4, {0, 0, 0, 0, 1000, 1, 1}); }), true,
       frCorruptData},
      {"region past the record", TWmfBuilder(10, 10).Rec(0x06FF, {0, 6, 0, 0, 0, 50, 2, 0, 0, 9, 9, 30}).Bytes(),
       true, frCorruptData},
  };
  for (const auto& c : cases) {
    TRead r(c.Bytes);
    EXPECT_EQ(!r.Aborted, c.Loads) << c.Name;
    EXPECT_EQ(c.Loads ? r.Damage : r.Reason, c.Reason) << c.Name << ": " << FailureText(r.Reason) << " / "
                                                       << FailureText(r.Damage);
  }
}

TEST(MetafileRoundTrip, BothWritersGiveBackThePixels) {
  TBitmap photo, bilevel;
  Paint(photo, 37, 23);
  bilevel.Allocate(21, 9, TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 9; ++y) bilevel.ScanLine(y)[y % 3] = 0xA5;
  TBitmap expanded;
  expanded.Allocate(21, 9, TPixelFormat::TrueColor);
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 21; ++x)
      std::memset(expanded.ScanLine(y) + 3 * x, (bilevel.ScanLine(y)[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0, 3);
  for (int dpi : {96, 72}) {
    auto res = Resolution(dpi, dpi);
    for (TCodecWrite write : {WriteWmfStream, WriteEmfStream}) {
      TRead fromPhoto(Write(write, photo));
      ASSERT_TRUE(fromPhoto.Loaded()) << dpi;
      EXPECT_TRUE(SamePixels(fromPhoto.Image, photo)) << dpi;
      TRead fromBilevel(Write(write, bilevel));
      ASSERT_TRUE(fromBilevel.Loaded()) << dpi;
      EXPECT_TRUE(SamePixels(fromBilevel.Image, expanded)) << dpi;
    }
  }
}

TEST(MetafileWriter, RefusesWhatTheFormatCannotHoldAndReportsShortWrites) {
  TBitmap wide;
  wide.Allocate(40000, 1, TPixelFormat::Bilevel);
  TFailureReason why = frNone;
  EXPECT_TRUE(Write(WriteWmfStream, wide, &why).empty());
  EXPECT_EQ(why, frSizeTooLarge);
  Write(WriteEmfStream, wide, &why);
  EXPECT_EQ(why, frNone);
  TBitmap photo;
  Paint(photo, 30, 20);
  for (TCodecWrite write : {WriteWmfStream, WriteEmfStream}) {
    for (int64_t limit : {10, 150, 1000}) {
      Write(write, photo, &why, limit);
      EXPECT_EQ(why, frDiskFull) << limit;
    }
  }
}

TEST(MetafileProgress, ReportsAsRecordsArePlayedAndStopsWhenAsked) {
  TEmfBuilder b(40, 40);
  b.Rec(38, {1, 5, 0, 0, 0}).Rec(37, {1});
  for (int i = 0; i < 20; ++i) b.Rec(43, {i, i, i + 2, i + 2});
  b.Rec(39, {2, 0, 0x00FF00, 0}).Rec(37, {2}).Rec(43, {0, 0, 40, 40});
  const auto bytes = b.Bytes();
  TRead counted;
  std::vector<int> seen;
  counted.Handler = [&](TPixObject*, int per) { seen.push_back(per); };
  counted.Run(bytes);
  ASSERT_GE(seen.size(), 10u);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_LT(seen.back(), 100);

  TRead stopped;
  stopped.Handler = [&](TPixObject*, int) { stopped.Aborted = true; };
  stopped.Run(bytes);
  EXPECT_TRUE(stopped.Aborted);
  EXPECT_EQ(stopped.Reason, frNone);
  EXPECT_EQ(stopped.Rgb(30, 30), kWhite);
}

TEST(MetafileType, TellsTheKindsApartAndLeavesThePosition) {
  const auto emf = TEmfBuilder(4, 4).Bytes();
  const auto wmf = TWmfBuilder(4, 4).Bytes();
  std::vector<uint8_t> plain = wmf;
  plain.erase(plain.begin(), plain.begin() + 22);
  const std::vector<uint8_t> other{'B', 'M', 0, 0, 0, 0, 0, 0};
  const struct {
    const std::vector<uint8_t>* Bytes;
    TPixFileType Type;
  } cases[] = {{&emf, ftEMF}, {&wmf, ftWMF}, {&plain, ftWMF}, {&other, ftUnknown}};
  for (const auto& c : cases) {
    TPixMemoryStream s(c.Bytes->data(), static_cast<int64_t>(c.Bytes->size()));
    s.Seek(0, TSeekOrigin::soBeginning);
    EXPECT_EQ(MetafileTypeOf(s), c.Type);
    EXPECT_EQ(s.Position(), 0);
  }
}
