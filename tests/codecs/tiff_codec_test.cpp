// The TIFF codec on files our writer makes and on layouts plain libtiff
// writes: round trips with every compression, tiles, planes, depths, CMYK,
// alpha, pages, the record, damaged and hostile data; libtiff's tools on our files.
#include <gtest/gtest.h>

#include "codecs/common/sample_scale.h"
#include "codecs/palette/bilevel.h"
#include "codecs/raster_test_support.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/tiff_test_support.h"
#include "support/test_support.h"

using namespace pix;
using namespace rastertest;
using tifftest::Bytes;
using tifftest::Page;

namespace {

template <typename Prepare>
Bytes WriteWith(TBitmap& picture, const TPixMask* alpha, Prepare prepare, int32_t* colorMapCount = nullptr) {
  CodecRun w;
  prepare(w.params);
  Bytes file = w.Write(WriteTiffStream, picture, alpha);
  EXPECT_FALSE(w.aborted) << FailureText(w.reason);
  if (colorMapCount) *colorMapCount = w.params.ColorMapCount;
  return file;
}

uint8_t Pixel(const TBitmap& b, int x, int y, int channel) { return b.ScanLine(y)[3 * x + channel]; }

}  // namespace

TEST(TiffCodec, EveryLayoutAndCompressionReadsBackExactly) {
  TBitmap photo, grays, bands, checks;
  Photo(photo, 45, 31);
  Grays(grays, 33, 17);
  Bands(bands, 29, 13, {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {9, 99, 199}, {255, 255, 255}});
  Checks(checks, 37, 11);
  TPixMask ramp;
  struct Case {
    const char* Name;
    TBitmap* Picture;
    bool WithAlpha;
    bool Palette;
    int Bits;
  } cases[] = {
      {"rgb", &photo, false, false, 8},      {"rgba", &photo, true, false, 8},  {"grey", &grays, false, false, 8},
      {"grey+alpha", &grays, true, false, 8}, {"palette", &bands, false, true, 4}, {"bilevel", &checks, false, false, 1},
      {"bilevel+alpha", &checks, true, false, 8},
  };
  for (const Case& c : cases)
    for (uint8_t compression : {tcAutomatic, tcNone, tcLzw, tcDeflate, tcPackBits, tcCcittG3})
      for (uint8_t photometric : {uint8_t{0}, uint8_t{1}}) {
        SCOPED_TRACE(std::string(c.Name) + " compression " + std::to_string(compression) + " photometric " +
                     std::to_string(photometric));
        Ramp(ramp, c.Picture->Width(), c.Picture->Height());
        const Bytes file = WriteWith(*c.Picture, c.WithAlpha ? &ramp : nullptr, [&](TIOParams& p) {
          p.TiffCompression = compression;
          p.TiffPhotometInterpret = photometric;
          p.TiffRowsPerStrip = 4;
          if (c.Palette) {
            TRGB seed[2] = {};
            p.SamplesPerPixel = 1, p.BitsPerSample = 8, p.SetColorMap(seed, 2);
          }
        });
        CodecRun r;
        ASSERT_TRUE(r.Read(ReadTiffStream, file)) << FailureText(r.reason);
        EXPECT_EQ(r.damage, frNone);
        TBitmap expected;
        if (c.WithAlpha && c.Picture->PixelFormat() == TPixelFormat::Bilevel)
          ExpandBilevel(*c.Picture, expected);
        else
          CopyImage(*c.Picture, expected);
        EXPECT_TRUE(SamePicture(r.image, expected));
        if (c.WithAlpha) {
          EXPECT_TRUE(SameAlpha(r.alpha, ramp));
        } else {
          EXPECT_TRUE(r.alpha.Full());
        }
        EXPECT_EQ(r.params.BitsPerSample, c.Bits);
        const bool bilevel = c.Bits == 1;
        // Group 3 is for bilevel pictures only; group 4 is their default.
        const uint8_t written = compression == tcAutomatic || (compression == tcCcittG3 && !bilevel)
                                    ? uint8_t{bilevel ? tcCcittG4 : tcLzw}
                                    : compression;
        EXPECT_EQ(r.params.TiffCompression, written);
        if (bilevel) {
          EXPECT_EQ(r.params.TiffPhotometInterpret, photometric);
        }
        EXPECT_EQ(r.params.TiffRowsPerStrip, 4);
      }
}

TEST(TiffCodec, ManyColoursOfAPaletteSourceAreQuantizedToEightBits) {
  TBitmap photo;
  Photo(photo, 40, 30);
  int32_t written = 0;
  const Bytes file = WriteWith(
      photo, nullptr,
      [](TIOParams& p) {
        TRGB seed[2] = {};
        p.SamplesPerPixel = 1, p.BitsPerSample = 8, p.SetColorMap(seed, 2);
      },
      &written);
  CodecRun r;
  ASSERT_TRUE(r.Read(ReadTiffStream, file));
  EXPECT_EQ(r.params.BitsPerSample, 8);
  EXPECT_EQ(r.params.TiffPhotometInterpret, PHOTOMETRIC_PALETTE);
  EXPECT_GE(r.params.ColorMapCount, written);
}

TEST(TiffCodec, TilesPlanesDepthsInksAndAlphaFromPlainLibtiff) {
  auto rgb16 = [](uint32_t x, uint32_t y, uint32_t s) { return (x * 2311u + y * 977u + s * 13001u) & 0xFFFF; };
  auto cmyk = [](uint32_t x, uint32_t y, uint32_t s) { return (x * 31 + y * 17 + s * 60) & 0xFF; };
  // Associated alpha: colour never above alpha.
  auto assoc = [](uint32_t x, uint32_t y, uint32_t s) {
    const uint32_t a = (x * 40 + y * 3) & 0xFF;
    return s == 3 ? a : (a * ((x + y + s * 50) & 0xFF)) / 255;
  };
  auto grey = [](uint32_t x, uint32_t y, uint32_t) { return (x + 3 * y); };

  Page tiled{.Width = 37, .Height = 21, .Bits = 16, .Samples = 4, .Planar = PLANARCONFIG_SEPARATE,
             .Compression = COMPRESSION_ADOBE_DEFLATE, .TileWidth = 16, .TileLength = 16,
             .Extra = {EXTRASAMPLE_UNASSALPHA}, .Sample = rgb16};
  Page ink{.Width = 9, .Height = 7, .Samples = 4, .Photometric = PHOTOMETRIC_SEPARATED, .Sample = cmyk};
  Page associated{.Width = 11, .Height = 6, .Samples = 4, .Compression = COMPRESSION_LZW,
                  .Extra = {EXTRASAMPLE_ASSOCALPHA}, .Sample = assoc};
  Page white4{.Width = 13, .Height = 5, .Bits = 4, .Samples = 1, .Photometric = PHOTOMETRIC_MINISWHITE,
              .Compression = COMPRESSION_PACKBITS, .Sample = [&](uint32_t x, uint32_t y, uint32_t s) { return grey(x, y, s) & 15; }};
  Page black12{.Width = 13, .Height = 5, .Bits = 12, .Samples = 1, .Photometric = PHOTOMETRIC_MINISBLACK,
               .Sample = [&](uint32_t x, uint32_t y, uint32_t) { return (x * 301 + y * 777) & 0xFFF; }};

  CodecRun r;
  ASSERT_TRUE(r.Read(ReadTiffStream, tifftest::PlainTiff({tiled}))) << FailureText(r.reason);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 37; ++x) {
      ASSERT_EQ(Pixel(r.image, x, y, 2), Reduce16(rgb16(x, y, 0)));
      ASSERT_EQ(Pixel(r.image, x, y, 0), Reduce16(rgb16(x, y, 2)));
      ASSERT_EQ(r.alpha.GetPixel(x, y), Reduce16(rgb16(x, y, 3)));
    }
  CodecRun c;
  ASSERT_TRUE(c.Read(ReadTiffStream, tifftest::PlainTiff({ink})));
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x)
      ASSERT_EQ(Pixel(c.image, x, y, 2), (255 - cmyk(x, y, 3)) * (255 - cmyk(x, y, 0)) / 255);
  EXPECT_EQ(c.params.SamplesPerPixel, 3);
  CodecRun a;
  ASSERT_TRUE(a.Read(ReadTiffStream, tifftest::PlainTiff({associated})));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 11; ++x) {
      const uint32_t alpha = assoc(x, y, 3);
      ASSERT_EQ(a.alpha.GetPixel(x, y), alpha);
      if (alpha) {
        ASSERT_EQ(Pixel(a.image, x, y, 2), std::min(255u, (assoc(x, y, 0) * 255 + alpha / 2) / alpha));
      }
    }
  CodecRun w4, b12;
  ASSERT_TRUE(w4.Read(ReadTiffStream, tifftest::PlainTiff({white4})));
  ASSERT_TRUE(b12.Read(ReadTiffStream, tifftest::PlainTiff({black12})));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x) {
      ASSERT_EQ(Pixel(w4.image, x, y, 0), 255 - (grey(x, y, 0) & 15) * 17);
      ASSERT_EQ(Pixel(b12.image, x, y, 1), ScaleSample((x * 301 + y * 777) & 0xFFF, 4095));
    }
}

TEST(TiffCodec, PalettesBilevelPagesAndTheRecord) {
  // Colormap entries of old writers are 8-bit; proper ones keep the high byte.
  Page old{.Width = 6, .Height = 2, .Bits = 2, .Samples = 1, .Photometric = PHOTOMETRIC_PALETTE,
           .Red = {0, 255, 10, 0}, .Green = {0, 0, 20, 0}, .Blue = {0, 0, 30, 7},
           .PageName = "first", .Sample = [](uint32_t x, uint32_t, uint32_t) { return x % 4; }};
  Page full = old;
  full.Red = {0, 0xFFFF, 0x0AFF, 0}, full.Green = {0, 0, 0x1400, 0}, full.Blue = {0, 0, 0x1E80, 0x0700};
  full.PageName = "second";
  // Black-and-white palette at 1 bit, stored least significant bit first.
  Page bw{.Width = 19, .Height = 3, .Bits = 1, .Samples = 1, .Photometric = PHOTOMETRIC_PALETTE,
          .FillOrder = FILLORDER_LSB2MSB, .Red = {0xFFFF, 0}, .Green = {0xFFFF, 0}, .Blue = {0xFFFF, 0},
          .Sample = [](uint32_t x, uint32_t y, uint32_t) { return (x + y) % 3 == 0; }};
  const Bytes file = tifftest::PlainTiff({old, full, bw});
  for (int index = 0; index < 2; ++index) {
    CodecRun r;
    r.params.TiffImageIndex = index;
    ASSERT_TRUE(r.Read(ReadTiffStream, file));
    EXPECT_EQ(r.params.TiffPageCount, 3);
    EXPECT_EQ(r.params.TiffPageName, index ? "second" : "first");
    ASSERT_EQ(r.params.ColorMapCount, 4);
    EXPECT_EQ(r.params.ColorMap()[2], (TRGB{30, 20, 10}));
    EXPECT_EQ(Pixel(r.image, 2, 1, 2), 10);
    EXPECT_EQ(Pixel(r.image, 3, 0, 0), 7);
  }
  CodecRun b;
  b.params.TiffImageIndex = 2;
  ASSERT_TRUE(b.Read(ReadTiffStream, file));
  ASSERT_EQ(b.image.PixelFormat(), TPixelFormat::Bilevel);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 19; ++x) ASSERT_EQ((b.image.ScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1, (x + y) % 3 != 0);
  EXPECT_EQ(b.params.TiffFillOrder, FILLORDER_LSB2MSB);
  CodecRun missing;
  missing.params.TiffImageIndex = 3;
  EXPECT_FALSE(missing.Read(ReadTiffStream, file));
  EXPECT_EQ(missing.reason, frNoImage);

  // What the record carries from a save to the next load.
  TBitmap photo;
  Photo(photo, 10, 8);
  const Bytes ours = WriteWith(photo, nullptr, [](TIOParams& p) {
    p.DpiX = 300, p.DpiY = 200, p.TiffDocumentName = "album", p.TiffImageDescription = "a photo";
  });
  CodecRun q;
  q.image.Allocate(2, 2, TPixelFormat::TrueColor);
  ASSERT_TRUE(q.Read(ReadTiffStream, ours, true));
  EXPECT_EQ(q.image.Width(), 2);
  EXPECT_EQ(q.params.Width, 10);
  EXPECT_EQ(q.params.DpiX, 300);
  EXPECT_EQ(q.params.DpiY, 200);
  EXPECT_EQ(q.params.TiffDocumentName, "album");
  EXPECT_EQ(q.params.TiffImageDescription, "a photo");
  EXPECT_EQ(q.params.TiffPageCount, 1);
  EXPECT_EQ(q.params.SamplesPerPixel, 3);
}

TEST(TiffCodec, StripsBeyondTheEndLoadDamagedAndHostileHeadersFail) {
  TBitmap photo;
  Photo(photo, 40, 40);
  const Bytes file = WriteWith(photo, nullptr, [](TIOParams& p) {
    p.TiffCompression = tcNone;
    p.TiffRowsPerStrip = 4;
  });
  // The last five of ten strips lie beyond the end of the file.
  Bytes cut = file;
  const uint32_t ifd = cut[4] | cut[5] << 8 | cut[6] << 16 | uint32_t{cut[7]} << 24;
  const uint16_t entries = static_cast<uint16_t>(cut[ifd] | cut[ifd + 1] << 8);
  for (uint32_t e = ifd + 2; e < ifd + 2 + 12u * entries; e += 12) {
    if ((cut[e] | cut[e + 1] << 8) != TIFFTAG_STRIPOFFSETS) continue;
    const uint32_t offsets = cut[e + 8] | cut[e + 9] << 8 | cut[e + 10] << 16 | uint32_t{cut[e + 11]} << 24;
    for (uint32_t strip = 5; strip < 10; ++strip) cut[offsets + 4 * strip + 3] = 0x70;
  }
  CodecRun r;
  ASSERT_TRUE(r.Read(ReadTiffStream, cut)) << FailureText(r.reason);
  EXPECT_EQ(r.damage, frTruncated);
  EXPECT_EQ(std::memcmp(r.image.ScanLine(19), photo.ScanLine(19), 3 * 40), 0);
  EXPECT_EQ(r.image.ScanLine(20)[0] | r.image.ScanLine(39)[119], 0);

  auto withSize = [&](uint32_t width, uint32_t height) {
    Bytes f = WriteWith(photo, nullptr, [](TIOParams&) {});
    // Width and height are the first two entries of the directory; they
    // become LONGs of the new values.
    const uint32_t at = f[4] | f[5] << 8 | f[6] << 16 | uint32_t{f[7]} << 24;
    for (uint32_t entry = 0; entry < 2; ++entry) {
      const uint32_t value = entry ? height : width, e = at + 2 + 12 * entry;
      f[e + 2] = 4, f[e + 3] = 0;
      for (uint32_t i = 0; i < 4; ++i) f[e + 8 + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    return f;
  };
  const struct {
    Bytes File;
    TFailureReason Reason;
  } cases[] = {
      {withSize(1u << 20, 1u << 20), frSizeTooLarge},
      {withSize(15000, 15000), frTruncated},
      {Bytes{'I', 'I', 42}, frTruncated},
      {Bytes{'G', 'I', 'F', '8', '9', 'a'}, frNotThisFormat},
      {Bytes{'I', 'I', 42, 0, 0xFF, 0xFF, 0, 0}, frTruncated},
  };
  pixtest::ScopedSetting<int64_t> cap(MaxBitmapBytes, SetMaxBitmapBytes, int64_t{1} << 30);
  for (const auto& c : cases) {
    CodecRun h;
    h.image.Allocate(2, 2, TPixelFormat::TrueColor);
    EXPECT_FALSE(h.Read(ReadTiffStream, c.File));
    EXPECT_EQ(h.reason, c.Reason) << FailureText(h.reason);
    EXPECT_EQ(h.image.Width(), 2);
  }
}

TEST(TiffCodec, WritesStopOnAFullDiskAndProgressRunsToTheEnd) {
  TBitmap photo;
  Photo(photo, 64, 64);
  CodecRun w;
  TPixMemoryStream full;
  full.SetWriteLimit(3000);
  WriteTiffStream(full, photo, nullptr, w.params, w.progress);
  EXPECT_TRUE(w.aborted);
  EXPECT_EQ(w.reason, frDiskFull);

  CodecRun r;
  ASSERT_TRUE(r.Read(ReadTiffStream, WriteWith(photo, nullptr, [](TIOParams&) {})));
  ASSERT_FALSE(r.percents.empty());
  EXPECT_TRUE(std::is_sorted(r.percents.begin(), r.percents.end()));
  EXPECT_EQ(r.percents.back(), 100);
}

TEST(TiffCodec, LibtiffsToolsReadOurFilesAsWeDo) {
  if (Shell("command -v tiffinfo >/dev/null 2>&1 && command -v tiff2rgba >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "libtiff-tools not installed";
  pixtest::TempDir dir;
  TBitmap photo, checks;
  Photo(photo, 40, 30);
  Checks(checks, 40, 30);
  TPixMask ramp;
  Ramp(ramp, 40, 30);
  int n = 0;
  for (TBitmap* picture : {&photo, &checks})
    for (const TPixMask* alpha : {static_cast<const TPixMask*>(nullptr), static_cast<const TPixMask*>(&ramp)}) {
      const Bytes file = WriteWith(*picture, alpha, [](TIOParams&) {});
      const std::string path = dir.File("f" + std::to_string(n) + ".tif"), rgba = dir.File("r" + std::to_string(n++) + ".tif");
      pixtest::WriteFile(path, std::string(file.begin(), file.end()));
      // -D decodes every strip; libtiff reports problems on stderr.
      EXPECT_EQ(Shell("tiffinfo -D " + Quote(path) + " 2>" + Quote(path + ".err") + " >/dev/null"), 0) << path;
      EXPECT_EQ(pixtest::ReadFile(path + ".err"), "") << path;
      ASSERT_EQ(Shell("tiff2rgba -c none " + Quote(path) + " " + Quote(rgba)), 0) << path;
      CodecRun ours;
      ASSERT_TRUE(ours.Read(ReadTiffStream, file));
      uint32_t width = 0, height = 0;
      Bytes theirs;
      ASSERT_TRUE(tifftest::PlainRgba(rgba, width, height, theirs));
      ASSERT_EQ(width, 40u);
      // libtiff's RGBA reader takes grey with alpha as premultiplied already.
      const bool greyAlpha = ours.params.SamplesPerPixel == 1 && !ours.alpha.Full();
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
          const uint8_t* t = &theirs[(size_t(y) * 40 + size_t(x)) * 4];
          const uint8_t a = ours.alpha.GetPixel(x, y);
          ASSERT_EQ(t[3], a);
          for (int ch = 0; ch < 3; ++ch) {
            const uint8_t c = ours.image.PixelFormat() == TPixelFormat::Bilevel
                                  ? ((ours.image.ScanLine(y)[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0)
                                  : ours.image.ScanLine(y)[3 * x + 2 - ch];
            ASSERT_EQ(t[ch], greyAlpha ? c : tifftest::Premultiplied(c, a)) << path << " " << x << "," << y;
          }
        }
    }
}
