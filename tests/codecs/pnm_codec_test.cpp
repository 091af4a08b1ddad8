#include <gtest/gtest.h>

#include "codecs/pnm/pnm_codec.h"
#include "raw_codec_support.h"

using namespace pix;
using namespace std::string_literals;
using rawtest::Rgb;
using rawtest::TCodecRun;

TEST(PnmRead, CommentsAnywhereAndPlainEqualsRaw) {
  TCodecRun plain, raw;
  ASSERT_TRUE(plain.Read(ReadPnmStream, "P3#a\n# b\n2 #c\n#d\n1 # e\n255\n1 2 3 # f\n250 251\t252\n"));
  ASSERT_TRUE(raw.Read(ReadPnmStream, "P6\n2 1\n255\n\x01\x02\x03\xFA\xFB\xFC"s));
  EXPECT_TRUE(SamePixels(plain.Image, raw.Image));
  EXPECT_EQ(Rgb(raw.Image, 1, 0), "fafbfc");
  EXPECT_EQ(raw.Params.SamplesPerPixel, 3);
  EXPECT_EQ(raw.Damage, frNone);
}

TEST(PnmRead, SamplesScaleToEightBitsRoundingHalvesUp) {
  // maxval 10: 1 -> 25.5 -> 26, 3 -> 76.5 -> 77, 10 -> 255.
  TCodecRun small;
  ASSERT_TRUE(small.Read(ReadPnmStream, "P5 3 1 10\n\x01\x03\x0A"s));
  EXPECT_EQ(Rgb(small.Image, 0, 0), "1a1a1a");
  EXPECT_EQ(Rgb(small.Image, 1, 0), "4d4d4d");
  EXPECT_EQ(Rgb(small.Image, 2, 0), "ffffff");
  EXPECT_EQ(small.Params.SamplesPerPixel, 1);
  EXPECT_EQ(small.Params.BitsPerSample, 8);
  // Two bytes, most significant first, above maxval 255: 32768 x 255 / 65535 = 127.50 -> 128.
  TCodecRun wide;
  ASSERT_TRUE(wide.Read(ReadPnmStream, "P5 2 1 65535\n\x80\x00\x7F\xFF"s));
  EXPECT_EQ(Rgb(wide.Image, 0, 0), "808080");
  EXPECT_EQ(Rgb(wide.Image, 1, 0), "7f7f7f");
}

TEST(PnmRead, BitmapsLoadBilevelWithOneBlackAndClearPadding) {
  TCodecRun raw, plain;
  ASSERT_TRUE(raw.Read(ReadPnmStream, "P4\n10 1\n\x80\x7F"s));
  ASSERT_TRUE(plain.Read(ReadPnmStream, "P1 10 1 1000000001"));
  ASSERT_EQ(raw.Image.PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_EQ(raw.Image.ScanLine(0)[0], 0x7F);
  EXPECT_EQ(raw.Image.ScanLine(0)[1], 0x80) << "bits past the width are cleared";
  EXPECT_TRUE(SamePixels(raw.Image, plain.Image));
  EXPECT_EQ(raw.Params.BitsPerSample, 1);
}

TEST(PnmRead, PamAlphaGoesToTheAlphaPlane) {
  TCodecRun run;
  ASSERT_TRUE(run.Read(ReadPnmStream,
                       "P7\nWIDTH 2\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nTUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n"
                       "\x10\x80\x20\xFF"s));
  EXPECT_EQ(Rgb(run.Image, 0, 0), "101010");
  EXPECT_EQ(run.Alpha.GetPixel(0, 0), 0x80);
  EXPECT_EQ(run.Alpha.GetPixel(1, 0), 0xFF);
}

TEST(PnmRead, FailuresNameTheirReason) {
  const struct {
    std::string Bytes;
    TFailureReason Reason;
  } cases[] = {
      {"", frTruncated},
      {"GIF89a", frNotThisFormat},
      {"P632 3\n", frNotThisFormat},
      {"P6\n0 5 255\n", frCorruptData},
      {"P6\n-1 -1 255\n", frCorruptData},
      {"P5 2 2 0\n\1\1\1\1", frCorruptData},
      {"P5 2 2 70000\n\1\1\1\1", frCorruptData},
      {"P6 2 2 255xxx\n", frCorruptData},
      {"P6 2 2", frTruncated},
      {"P6 2 2 255\nabc", frTruncated},
      {"P2 2 2 255\n1 2 3", frTruncated},
      {"Pf\n2 2\n-1.0\n", frUnsupportedDepth},
      {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 5\nMAXVAL 255\nENDHDR\n12345", frUnsupportedDepth},
      {"P7\nWIDTH 1\nHEIGHT 1\nENDHDR\n1", frCorruptData},
      {"P5 100000 100000 255\n", frSizeTooLarge},
  };
  for (const auto& c : cases) {
    TCodecRun run;
    EXPECT_FALSE(run.Read(ReadPnmStream, c.Bytes)) << c.Bytes;
    EXPECT_EQ(run.Reason, c.Reason) << c.Bytes;
    EXPECT_TRUE(run.Image.Empty()) << "nothing allocated for " << c.Bytes;
  }
}

TEST(PnmRead, DamagedRastersLoadMarked) {
  TCodecRun above;  // a sample above maxval is clamped
  ASSERT_TRUE(above.Read(ReadPnmStream, "P5 2 1 10\n\x05\x0B"s));
  EXPECT_EQ(above.Damage, frCorruptData);
  EXPECT_EQ(Rgb(above.Image, 1, 0), "ffffff");
  TCodecRun letter;
  ASSERT_TRUE(letter.Read(ReadPnmStream, "P2 2 2 255\n1 x 3 4"));
  EXPECT_EQ(letter.Damage, frCorruptData);
  EXPECT_EQ(Rgb(letter.Image, 0, 0), "010101");
  EXPECT_EQ(Rgb(letter.Image, 0, 1), "000000");
  TCodecRun shortPlain;  // long enough to be plausible, but a sample short
  ASSERT_TRUE(shortPlain.Read(ReadPnmStream, "P2 2 2 255\n1 2 3     "));
  EXPECT_EQ(shortPlain.Damage, frTruncated);
}

TEST(PnmRead, ParamsOnlyAndProgress) {
  TCodecRun header;
  header.Image.Allocate(1, 1, TPixelFormat::Bilevel);
  ASSERT_TRUE(header.Read(ReadPnmStream, "P6 40 30 255\n", true));
  EXPECT_EQ(header.Params.Width, 40);
  EXPECT_EQ(header.Params.Height, 30);
  EXPECT_EQ(header.Image.Width(), 1) << "a parameters-only read leaves the image alone";

  TCodecRun rows;
  rows.StopAt = 50;
  ASSERT_FALSE(rows.Read(ReadPnmStream, "P5 1 4 255\n" + std::string(4, '\x40')));
  EXPECT_EQ(rows.Reports, (std::vector<int>{0, 22, 44, 66})) << "a report before each row, then the stop";
  EXPECT_EQ(rows.Reason, frNone) << "a stop request is no failure";
}

TEST(PnmWrite, P4P5P6RoundTripExactly) {
  TBitmap color;
  rawtest::Paint(color, 7, 5);
  TBitmap gray(5, 3, TPixelFormat::TrueColor);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) std::fill_n(gray.ScanLine(y) + 3 * x, 3, static_cast<uint8_t>(40 * x + y));
  TBitmap bilevel(11, 2, TPixelFormat::Bilevel);
  bilevel.ScanLine(0)[0] = 0xA5;
  bilevel.ScanLine(1)[1] = 0xE0;

  const struct {
    TBitmap* Image;
    int Samples;
    const char* Header;
  } cases[] = {{&color, 3, "P6\n7 5\n255\n"}, {&color, 1, "P6\n7 5\n255\n"}, {&gray, 1, "P5\n5 3\n255\n"},
               {&gray, 3, "P6\n5 3\n255\n"}, {&bilevel, 1, "P4\n11 2\n"}};
  for (const auto& c : cases) {
    TCodecRun out;
    out.Params.SamplesPerPixel = c.Samples;
    out.Params.BitsPerSample = 8;
    const std::string file = out.Write(WritePnmStream, *c.Image);
    ASSERT_FALSE(out.Aborted);
    EXPECT_EQ(file.substr(0, std::string(c.Header).size()), c.Header);
    TCodecRun back;
    ASSERT_TRUE(back.Read(ReadPnmStream, file));
    EXPECT_TRUE(SamePixels(back.Image, *c.Image)) << c.Header;
  }
}

TEST(PnmWrite, ShortWriteFailsWithTheDiskFull) {
  TBitmap image;
  rawtest::Paint(image, 300, 300);
  TPixMemoryStream s;
  s.SetWriteLimit(1000);
  TCodecRun run;
  TProgressRecord progress = run.Progress();
  WritePnmStream(s, image, nullptr, run.Params, progress);
  EXPECT_TRUE(run.Aborted);
  EXPECT_EQ(run.Reason, frDiskFull);
}
