#include <gtest/gtest.h>

#include <set>

#include "codecs/pcx/pcx_codec.h"
#include "raw_codec_support.h"

using namespace pix;
using namespace std::string_literals;
using rawtest::LE16;
using rawtest::Rgb;
using rawtest::TCodecRun;

namespace {

// A 128-byte PCX header; palette holds up to 16 RGB triples.
std::string Header(int version, int encoding, int bits, int planes, int width, int height, int bytesPerLine,
                   const std::string& palette = "", int dpi = 0) {
  std::string h = std::string{'\x0A', char(version), char(encoding), char(bits)} + LE16(0) + LE16(0) +
                  LE16(width - 1) + LE16(height - 1) + LE16(dpi) + LE16(dpi);
  h += (palette + std::string(48, '\0')).substr(0, 48);
  h += std::string{'\0', char(planes)} + LE16(bytesPerLine) + LE16(1);
  return h + std::string(128 - h.size(), '\0');
}

const std::string kFourColors = "\x00\x00\x00\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF"s;

}  // namespace

TEST(PcxRead, PlanarPackedAndIndexedPixelsThroughTheirPalettes) {
  // Index 1, 2, 3, 0 in each layout.
  TCodecRun planar;  // 1 bit x 2 planes: plane 0 holds bit 0
  ASSERT_TRUE(planar.Read(ReadPcxStream, Header(5, 0, 1, 2, 4, 1, 2, kFourColors) + "\xA0\0\x60\0"s));
  TCodecRun packed;  // 2 bits, first pixel in the top bits
  ASSERT_TRUE(packed.Read(ReadPcxStream, Header(5, 0, 2, 1, 4, 1, 2, kFourColors) + "\x6C\0"s));
  for (TCodecRun* run : {&planar, &packed}) {
    EXPECT_EQ(Rgb(run->Image, 0, 0), "ff0000");
    EXPECT_EQ(Rgb(run->Image, 1, 0), "00ff00");
    EXPECT_EQ(Rgb(run->Image, 2, 0), "0000ff");
    EXPECT_EQ(Rgb(run->Image, 3, 0), "000000");
    EXPECT_EQ(run->Params.BitsPerSample, 2);
    EXPECT_EQ(run->Params.ColorMapCount, 4);
  }
  // Version 3 has no palette: the standard EGA colours.
  TCodecRun ega;
  ASSERT_TRUE(ega.Read(ReadPcxStream, Header(3, 0, 4, 1, 2, 1, 2, kFourColors) + "\x1E\0"s));
  EXPECT_EQ(Rgb(ega.Image, 0, 0), "0000aa");
  EXPECT_EQ(Rgb(ega.Image, 1, 0), "ffff55");
  // 8 bits: the palette after the marker at the end, or a gray ramp.
  std::string trailer = "\x0C" + std::string(768, '\0');
  trailer[1 + 3 * 7] = '\x11', trailer[2 + 3 * 7] = '\x22', trailer[3 + 3 * 7] = '\x33';
  TCodecRun indexed, gray;
  ASSERT_TRUE(indexed.Read(ReadPcxStream, Header(5, 0, 8, 1, 2, 1, 2) + "\x07\x09" + trailer));
  EXPECT_EQ(Rgb(indexed.Image, 0, 0), "112233");
  ASSERT_TRUE(gray.Read(ReadPcxStream, Header(5, 0, 8, 1, 2, 1, 2) + "\x07\x09"));
  EXPECT_EQ(Rgb(gray.Image, 1, 0), "090909");
}

TEST(PcxRead, RunsMayCrossLinesAndPlanesMakeRgbAndAlpha) {
  // 2 x 2 RGBA, 2 bytes a plane line: one run of 7 bytes of 0x40 spans the
  // first line's red, green, blue and the start of its alpha.
  const std::string data = "\xC7\x40"s + "\x80" + "\xC8\x10";
  TCodecRun run;
  ASSERT_TRUE(run.Read(ReadPcxStream, Header(5, 1, 8, 4, 2, 2, 2) + data));
  EXPECT_EQ(Rgb(run.Image, 0, 0), "404040");
  EXPECT_EQ(run.Alpha.GetPixel(0, 0), 0x40);
  EXPECT_EQ(run.Alpha.GetPixel(1, 0), 0x80);
  EXPECT_EQ(Rgb(run.Image, 1, 1), "101010");
  EXPECT_EQ(run.Params.SamplesPerPixel, 3);
  EXPECT_EQ(run.Damage, frNone);
  TCodecRun cut;  // the second line's data is missing
  ASSERT_TRUE(cut.Read(ReadPcxStream, Header(5, 1, 8, 3, 2, 2, 2) + "\xC6\x40\xC1"s));
  EXPECT_EQ(cut.Damage, frTruncated);
  EXPECT_EQ(Rgb(cut.Image, 0, 1), "000000");
}

TEST(PcxRead, RunCodesAnywhereInTheDataDecodeAlike) {
  // Runs only, crossing lines, with a code on each side of the reader's
  // 64 KiB buffer edge (one literal first shifts every code by a byte).
  constexpr int kWidth = 600, kHeight = 250;
  for (int shift : {0, 1}) {
    std::string data(shift, '\x05'), expected(shift, '\x05');
    for (int r = 0; expected.size() < kWidth * kHeight; ++r) {
      const int run = r % 50 ? 1 + r % 3 : 63;  // short runs make the data pass 64 KiB
      data += {char(0xC0 | run), char(r % 192)};
      expected.append(run, char(r % 192));
    }
    TCodecRun run;
    ASSERT_TRUE(run.Read(ReadPcxStream, Header(5, 1, 8, 1, kWidth, kHeight, kWidth) + data)) << shift;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        ASSERT_EQ(run.Image.ScanLine(y)[3 * x], uint8_t(expected[y * kWidth + x])) << shift << " " << x << "," << y;
  }
}

TEST(PcxRead, MonochromeIsBilevelAndTheHeaderFillsTheRecord) {
  TCodecRun run;
  ASSERT_TRUE(run.Read(ReadPcxStream, Header(2, 1, 1, 1, 10, 1, 2, "", 150) + "\xC1\x81\xC1\xFF"));
  ASSERT_EQ(run.Image.PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_EQ(run.Image.ScanLine(0)[0], 0x81);
  EXPECT_EQ(run.Image.ScanLine(0)[1], 0xC0) << "bits past the width are cleared";
  EXPECT_EQ(run.Params.DpiX, 150);
  EXPECT_EQ(run.Params.PcxVersion, 2);
  EXPECT_EQ(run.Params.PcxCompression, 1);
  EXPECT_EQ(run.Params.BitsPerSample, 1);
}

TEST(PcxRead, FailuresNameTheirReason) {
  const struct {
    std::string Bytes;
    TFailureReason Reason;
  } cases[] = {
      {"", frTruncated},
      {"BM", frNotThisFormat},
      {Header(5, 1, 8, 1, 4, 4, 4).substr(0, 100), frTruncated},
      {Header(9, 1, 8, 1, 4, 4, 4), frNotThisFormat},
      {Header(5, 2, 8, 1, 4, 4, 4), frUnsupportedCompression},
      {Header(5, 1, 8, 2, 4, 4, 4), frUnsupportedDepth},
      {Header(5, 1, 3, 1, 4, 4, 4), frUnsupportedDepth},
      {Header(5, 1, 8, 1, 4, 4, 3), frCorruptData},
      {[] {
         std::string h = Header(5, 1, 8, 1, 4, 4, 4);
         h[4] = 9;  // XMin beyond XMax
         return h;
       }(),
       frCorruptData},
      {Header(5, 0, 8, 3, 100, 100, 100) + "abc", frTruncated},
      {Header(5, 1, 8, 3, 5000, 5000, 5000) + "abc", frTruncated},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TCodecRun run;
    EXPECT_FALSE(run.Read(ReadPcxStream, cases[i].Bytes)) << i;
    EXPECT_EQ(run.Reason, cases[i].Reason) << i;
    EXPECT_TRUE(run.Image.Empty()) << "nothing allocated for case " << i;
  }
}

TEST(PcxWrite, TrueColorBilevelAndPaletteSourcesRoundTrip) {
  TBitmap color;
  rawtest::Paint(color, 101, 7);  // an odd width: lines are padded to even
  TBitmap bilevel(13, 3, TPixelFormat::Bilevel);
  bilevel.ScanLine(1)[0] = 0xF0;
  bilevel.ScanLine(1)[1] = 0x18;
  TBitmap few(9, 5, TPixelFormat::TrueColor);  // 9 colours: an exact palette
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) std::fill_n(few.ScanLine(y) + 3 * x, 3, static_cast<uint8_t>(0xC0 + x));
  const TRGB map[1] = {};
  for (uint8_t compression : {0, 1})
    for (TBitmap* image : {&color, &bilevel, &few}) {
      TCodecRun out;
      out.Params.PcxCompression = compression;
      out.Params.DpiX = 300;
      if (image == &few) {
        out.Params.SamplesPerPixel = 1;
        out.Params.SetColorMap(map, 1);
      }
      const std::string file = out.Write(WritePcxStream, *image);
      ASSERT_FALSE(out.Aborted);
      EXPECT_EQ(file[2], compression);
      EXPECT_EQ(file[3], image == &bilevel ? 1 : 8);
      TCodecRun back;
      ASSERT_TRUE(back.Read(ReadPcxStream, file));
      EXPECT_TRUE(SamePixels(back.Image, *image)) << image->Width() << " " << int(compression);
      EXPECT_EQ(back.Params.DpiX, 300);
      if (image == &few) {
        EXPECT_EQ(back.Params.ColorMap()[3], out.Params.ColorMap()[3]);
      }
    }
}

TEST(PcxWrite, PaletteSourcesWithManyColoursAreQuantized) {
  TBitmap image;
  rawtest::Paint(image, 64, 64);
  TCodecRun out;
  out.Params.SamplesPerPixel = 1;
  const TRGB map[2] = {};
  out.Params.SetColorMap(map, 2);
  TCodecRun back;
  ASSERT_TRUE(back.Read(ReadPcxStream, out.Write(WritePcxStream, image)));
  EXPECT_EQ(back.Params.BitsPerSample, 8);
  std::set<std::string> colours;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) colours.insert(Rgb(back.Image, x, y));
  EXPECT_LE(colours.size(), 256u);
  EXPECT_GT(colours.size(), 100u);
}
