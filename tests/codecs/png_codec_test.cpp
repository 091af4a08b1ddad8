// The PNG codec on files our writer makes and on files plain libpng makes:
// round trips of every layout, the record, damaged and hostile data, progress.
#include <gtest/gtest.h>

#include "codecs/palette/bilevel.h"
#include "codecs/png/png_codec.h"
#include "codecs/png_test_support.h"
#include "codecs/raster_test_support.h"
#include "platform/default_resolution.h"
#include "support/test_support.h"

using namespace pix;
using namespace rastertest;
using pngtest::Bytes;

namespace {

struct Written {
  Bytes File;
  int32_t ColorMapCount = 0;  // the palette the writer left in the record
};

// Writes picture (with alpha when given) after prepare set up the record.
template <typename Prepare>
Written WriteWith(TBitmap& picture, const TPixMask* alpha, Prepare prepare) {
  CodecRun w;
  prepare(w.params);
  Written out;
  out.File = w.Write(WritePngStream, picture, alpha);
  EXPECT_FALSE(w.aborted) << FailureText(w.reason);
  out.ColorMapCount = w.params.ColorMapCount;
  return out;
}

uint8_t ColorTypeOf(const Bytes& png) { return png[25]; }
uint8_t DepthOf(const Bytes& png) { return png[24]; }

}  // namespace

TEST(PngCodec, EveryLayoutReadsBackExactlyPlainAndInterlaced) {
  TBitmap photo, grays, bands, checks;
  Photo(photo, 45, 31);
  Grays(grays, 33, 17);
  Bands(bands, 29, 13, {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {9, 99, 199}, {255, 255, 255}});
  Checks(checks, 37, 11);
  TPixMask ramp;
  const auto palette = [](TIOParams& p) {
    TRGB seed[2] = {};
    p.SamplesPerPixel = 1, p.BitsPerSample = 8, p.SetColorMap(seed, 2);
  };
  const auto plain = [](TIOParams&) {};
  struct Case {
    const char* Name;
    TBitmap* Picture;
    bool WithAlpha;
    bool Palette;
    uint8_t ColorType, Depth;
  } cases[] = {
      {"rgb", &photo, false, false, PNG_COLOR_TYPE_RGB, 8},
      {"rgba", &photo, true, false, PNG_COLOR_TYPE_RGB_ALPHA, 8},
      {"grey", &grays, false, false, PNG_COLOR_TYPE_GRAY, 8},
      {"grey+alpha", &grays, true, false, PNG_COLOR_TYPE_GRAY_ALPHA, 8},
      {"palette", &bands, false, true, PNG_COLOR_TYPE_PALETTE, 4},
      {"palette+tRNS", &bands, true, true, PNG_COLOR_TYPE_PALETTE, 4},
      {"bilevel", &checks, false, false, PNG_COLOR_TYPE_GRAY, 1},
      {"bilevel+alpha", &checks, true, false, PNG_COLOR_TYPE_GRAY_ALPHA, 8},
  };
  for (const Case& c : cases)
    for (bool interlaced : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (interlaced ? " interlaced" : ""));
      // Few alpha values, so that a palette still holds every pair.
      Ramp(ramp, c.Picture->Width(), c.Picture->Height());
      if (c.Palette)
        for (int y = 0; y < ramp.Height(); ++y)
          for (int x = 0; x < ramp.Width(); ++x) ramp.ScanLine(y)[x] = x % 3 ? 255 : 40;
      const Written w = WriteWith(*c.Picture, c.WithAlpha ? &ramp : nullptr, [&](TIOParams& p) {
        c.Palette ? palette(p) : plain(p);
        p.PngInterlaced = interlaced;
      });
      EXPECT_EQ(ColorTypeOf(w.File), c.ColorType);
      EXPECT_EQ(DepthOf(w.File), c.Depth);
      CodecRun r;
      ASSERT_TRUE(r.Read(ReadPngStream, w.File)) << FailureText(r.reason);
      EXPECT_EQ(r.damage, frNone);
      // Grey and alpha stands for a bilevel picture with transparency.
      TBitmap expected;
      if (c.ColorType == PNG_COLOR_TYPE_GRAY_ALPHA && c.Picture->PixelFormat() == TPixelFormat::Bilevel)
        ExpandBilevel(*c.Picture, expected);
      else
        CopyImage(*c.Picture, expected);
      EXPECT_TRUE(SamePicture(r.image, expected));
      if (c.WithAlpha) {
        EXPECT_TRUE(SameAlpha(r.alpha, ramp));
      } else {
        EXPECT_TRUE(r.alpha.Full());
      }
      EXPECT_EQ(r.params.PngInterlaced, interlaced);
      EXPECT_EQ(r.params.BitsPerSample, c.Depth);
      if (c.Palette) {
        EXPECT_EQ(r.params.ColorMapCount, w.ColorMapCount);
        EXPECT_EQ(r.params.ColorMapCount, c.WithAlpha ? 10 : 5);
      }
      // libpng alone agrees, alpha included.
      uint32_t width = 0, height = 0;
      Bytes rgba;
      ASSERT_TRUE(pngtest::LibpngRgba(w.File, width, height, rgba));
      for (int y = 0; y < r.image.Height(); ++y)
        for (int x = 0; x < r.image.Width(); ++x) {
          const uint8_t* q = &rgba[(size_t{uint32_t(y)} * width + uint32_t(x)) * 4];
          const bool white = r.image.PixelFormat() == TPixelFormat::Bilevel &&
                             (r.image.ScanLine(y)[x >> 3] & (0x80 >> (x & 7)));
          const uint8_t* p = r.image.PixelFormat() == TPixelFormat::Bilevel ? nullptr : r.image.ScanLine(y) + 3 * x;
          ASSERT_EQ(q[0], p ? p[2] : white ? 255 : 0);
          ASSERT_EQ(q[1], p ? p[1] : white ? 255 : 0);
          ASSERT_EQ(q[2], p ? p[0] : white ? 255 : 0);
          ASSERT_EQ(q[3], r.alpha.GetPixel(x, y));
        }
    }
}

TEST(PngCodec, ManyColoursOfAPaletteSourceAreQuantizedToEightBits) {
  TBitmap photo;
  Photo(photo, 64, 48);
  const Written w = WriteWith(photo, nullptr, [](TIOParams& p) {
    TRGB seed[4] = {};
    p.SamplesPerPixel = 1, p.BitsPerSample = 4, p.SetColorMap(seed, 4);
  });
  EXPECT_EQ(ColorTypeOf(w.File), PNG_COLOR_TYPE_PALETTE);
  EXPECT_EQ(DepthOf(w.File), 8);
  CodecRun r;
  ASSERT_TRUE(r.Read(ReadPngStream, w.File));
  ASSERT_EQ(r.params.ColorMapCount, w.ColorMapCount);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const uint8_t* p = r.image.ScanLine(y) + 3 * x;
      bool found = false;
      for (int i = 0; i < r.params.ColorMapCount && !found; ++i)
        found = r.params.ColorMap()[i] == TRGB{p[0], p[1], p[2]};
      ASSERT_TRUE(found) << x << "," << y;
    }
}

TEST(PngCodec, SixteenBitSamplesRoundToNearestAndTransparencyKeysUseAllSixteenBits) {
  // Every 16-bit value once, as grey; the tRNS value differs from its
  // neighbours only in the low byte.
  std::vector<Bytes> rows(256, Bytes(512));
  for (uint32_t v = 0; v < 65536; ++v) {
    rows[v >> 8][2 * (v & 255)] = static_cast<uint8_t>(v >> 8);
    rows[v >> 8][2 * (v & 255) + 1] = static_cast<uint8_t>(v);
  }
  Bytes file = pngtest::PlainPng(256, 256, PNG_COLOR_TYPE_GRAY, 16, rows);
  // A tRNS chunk for grey 0x1234, put in before the image data.
  const pngtest::Chunk idat = pngtest::Find(file, "IDAT");
  Bytes trns = {0, 0, 0, 2, 't', 'R', 'N', 'S', 0x12, 0x34, 0, 0, 0, 0};
  file.insert(file.begin() + static_cast<long>(idat.At), trns.begin(), trns.end());
  pngtest::FixCrc(file, pngtest::Chunk{"tRNS", idat.At, 2});
  CodecRun r;
  ASSERT_TRUE(r.Read(ReadPngStream, file));
  EXPECT_EQ(r.params.BitsPerSample, 16);
  for (uint32_t v = 0; v < 65536; ++v) {
    const int x = static_cast<int>(v & 255), y = static_cast<int>(v >> 8);
    ASSERT_EQ(r.image.ScanLine(y)[3 * x], (v * 255 + 32767) / 65535) << v;
    ASSERT_EQ(r.alpha.GetPixel(x, y), v == 0x1234 ? 0 : 255) << v;
  }
}

TEST(PngCodec, RecordCarriesResolutionBackgroundAndLayoutAndParamsOnlyLeavesTheImage) {
  TBitmap photo;
  Photo(photo, 20, 10);
  Written w = WriteWith(photo, nullptr, [](TIOParams& p) { p.DpiX = 300, p.DpiY = 150; });
  // A red bKGD (16-bit fields of an 8-bit file) before the image data.
  const pngtest::Chunk idat = pngtest::Find(w.File, "IDAT");
  Bytes bkgd = {0, 0, 0, 6, 'b', 'K', 'G', 'D', 0, 200, 0, 10, 0, 20, 0, 0, 0, 0};
  w.File.insert(w.File.begin() + static_cast<long>(idat.At), bkgd.begin(), bkgd.end());
  pngtest::FixCrc(w.File, pngtest::Chunk{"bKGD", idat.At, 6});

  CodecRun r;
  r.image.Allocate(3, 3, TPixelFormat::TrueColor);
  ASSERT_TRUE(r.Read(ReadPngStream, w.File, true));
  EXPECT_EQ(r.image.Width(), 3);
  EXPECT_EQ(r.params.Width, 20);
  EXPECT_EQ(r.params.Height, 10);
  EXPECT_EQ(r.params.DpiX, 300);
  EXPECT_EQ(r.params.DpiY, 150);
  EXPECT_EQ(r.params.SamplesPerPixel, 3);
  EXPECT_EQ(r.params.PngBackground, (TRGB{20, 10, 200}));
  EXPECT_EQ(r.params.ColorMapCount, 0);

  // Without pHYs the screen's resolution stands in.
  Bytes noPhys = w.File;
  const pngtest::Chunk phys = pngtest::Find(noPhys, "pHYs");
  noPhys.erase(noPhys.begin() + static_cast<long>(phys.At), noPhys.begin() + static_cast<long>(phys.At + 21));
  pixtest::ScopedSetting<TResolution> screen(DefaultResolution, [](TResolution v) { SetDefaultResolution(v.DpiX, v.DpiY); },
                                             TResolution{120, 110});
  CodecRun s;
  ASSERT_TRUE(s.Read(ReadPngStream, noPhys));
  EXPECT_EQ(s.params.DpiX, 120);
  EXPECT_EQ(s.params.DpiY, 110);
  EXPECT_EQ(s.percents.back(), 100);
}

TEST(PngCodec, DataThatEndsEarlyLoadsWhatArrivedAndMarksItTruncated) {
  TBitmap photo;
  Photo(photo, 64, 64);
  for (bool interlaced : {false, true}) {
    SCOPED_TRACE(interlaced ? "interlaced" : "plain");
    const Written w = WriteWith(photo, nullptr, [&](TIOParams& p) { p.PngInterlaced = interlaced; });
    const pngtest::Chunk idat = pngtest::Find(w.File, "IDAT");
    CodecRun half;
    ASSERT_TRUE(half.Read(ReadPngStream, Bytes(w.File.begin(), w.File.begin() + idat.At + 8 + idat.Length / 2)))
        << FailureText(half.reason);
    EXPECT_EQ(half.damage, frTruncated);
    // The first row arrived intact; the last pixel never did and is black.
    EXPECT_EQ(std::memcmp(half.image.ScanLine(0), photo.ScanLine(0), 3), 0);
    if (!interlaced) {
      EXPECT_EQ(std::memcmp(half.image.ScanLine(0), photo.ScanLine(0), 3 * 64), 0);
    }
    EXPECT_EQ(half.image.ScanLine(63)[3 * 63] | half.image.ScanLine(63)[3 * 63 + 1], 0);

    // Only the end chunk missing: every pixel is there, still marked.
    CodecRun end;
    ASSERT_TRUE(end.Read(ReadPngStream, Bytes(w.File.begin(), w.File.end() - 12)));
    EXPECT_EQ(end.damage, frTruncated);
    EXPECT_TRUE(SamePicture(end.image, photo));
  }
  // Nothing of the image data at all: nothing to show.
  const Written w = WriteWith(photo, nullptr, [](TIOParams&) {});
  CodecRun none;
  EXPECT_FALSE(none.Read(ReadPngStream, Bytes(w.File.begin(), w.File.begin() + pngtest::Find(w.File, "IDAT").At)));
  EXPECT_EQ(none.reason, frTruncated);
}

TEST(PngCodec, BadCrcsFailCriticalChunksAndDropAncillaryOnes) {
  TBitmap photo;
  Photo(photo, 16, 16);
  const Written w = WriteWith(photo, nullptr, [](TIOParams& p) { p.DpiX = p.DpiY = 300; });
  Bytes badIdat = w.File;
  badIdat[pngtest::Find(badIdat, "IDAT").At + 10] ^= 0x01;
  CodecRun r;
  EXPECT_FALSE(r.Read(ReadPngStream, badIdat));
  EXPECT_EQ(r.reason, frCorruptData);

  Bytes badPhys = w.File;
  badPhys[pngtest::Find(badPhys, "pHYs").At + 8] ^= 0x01;
  CodecRun s;
  ASSERT_TRUE(s.Read(ReadPngStream, badPhys));
  EXPECT_EQ(s.damage, frCorruptData);
  EXPECT_NE(s.params.DpiX, 300);
  EXPECT_TRUE(SamePicture(s.image, photo));
}

TEST(PngCodec, HostileHeadersFailBeforeAnythingIsAllocated) {
  TBitmap photo;
  Photo(photo, 8, 8);
  const Written w = WriteWith(photo, nullptr, [](TIOParams&) {});
  auto withSize = [&](uint32_t width, uint32_t height) {
    Bytes f = w.File;
    for (int i = 0; i < 4; ++i) f[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i)), f[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    pngtest::FixCrc(f, pngtest::Chunk{"IHDR", 8, 13});
    return f;
  };
  const struct {
    Bytes File;
    TFailureReason Reason;
  } cases[] = {
      {withSize(1u << 25, 8), frSizeTooLarge},     // beyond libpng's limit as we set it
      {withSize(1u << 20, 1u << 20), frSizeTooLarge},  // beyond the pixel block cap
      {withSize(10000, 10000), frTruncated},        // more rows than the data could inflate to
      {Bytes(w.File.begin(), w.File.begin() + 5), frTruncated},
      {Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, frNotThisFormat},
      {Bytes{}, frTruncated},
  };
  pixtest::ScopedSetting<int64_t> cap(MaxBitmapBytes, SetMaxBitmapBytes, int64_t{1} << 30);
  for (const auto& c : cases) {
    CodecRun r;
    r.image.Allocate(2, 2, TPixelFormat::TrueColor);
    EXPECT_FALSE(r.Read(ReadPngStream, c.File));
    EXPECT_EQ(r.reason, c.Reason) << FailureText(r.reason);
    EXPECT_EQ(r.image.Width(), 2);
  }
}

TEST(PngCodec, WritesStopOnAFullDiskAndOnAProgressHandlerThatAsksToStop) {
  TBitmap photo;
  Photo(photo, 64, 64);
  CodecRun w;
  TPixMemoryStream full;
  full.SetWriteLimit(500);
  WritePngStream(full, photo, nullptr, w.params, w.progress);
  EXPECT_TRUE(w.aborted);
  EXPECT_EQ(w.reason, frDiskFull);

  const Written file = WriteWith(photo, nullptr, [](TIOParams&) {});
  CodecRun r;
  r.handler = [&r](TPixObject*, int per) {
    if (per >= 50) r.aborted = true;
  };
  EXPECT_FALSE(r.Read(ReadPngStream, file.File));
  EXPECT_EQ(r.reason, frNone);
  EXPECT_EQ(std::memcmp(r.image.ScanLine(10), photo.ScanLine(10), 3 * 64), 0);
  EXPECT_EQ(r.image.ScanLine(63)[0] | r.image.ScanLine(63)[1] | r.image.ScanLine(63)[2], 0);
}

TEST(PngCodec, LibpngsOwnCheckerFindsNothingWrongInOurFiles) {
  if (Shell("command -v pngfix >/dev/null 2>&1") != 0) GTEST_SKIP() << "pngfix not installed";
  pixtest::TempDir dir;
  TBitmap photo, checks;
  Photo(photo, 40, 30);
  Checks(checks, 40, 30);
  TPixMask ramp;
  Ramp(ramp, 40, 30);
  int n = 0;
  for (TBitmap* picture : {&photo, &checks})
    for (const TPixMask* alpha : {static_cast<const TPixMask*>(nullptr), static_cast<const TPixMask*>(&ramp)})
      for (bool interlaced : {false, true}) {
        const Written w = WriteWith(*picture, alpha, [&](TIOParams& p) { p.PngInterlaced = interlaced; });
        const std::string path = dir.File("f" + std::to_string(n++) + ".png");
        pixtest::WriteFile(path, std::string(w.File.begin(), w.File.end()));
        EXPECT_EQ(Shell("pngfix -q " + Quote(path) + " >/dev/null 2>&1"), 0) << path;
      }
}
