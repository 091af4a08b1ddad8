#include <gtest/gtest.h>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/ico/ico_codec.h"
#include "codecs/png/png_codec.h"
#include "raw_codec_support.h"

using namespace pix;
using namespace std::string_literals;
using rawtest::LE16;
using rawtest::LE32;
using rawtest::Rgb;
using rawtest::TCodecRun;

namespace {

// A DIB entry: 40-byte header (height doubled), colour table, rows
// bottom-up, the AND mask rows.
std::string Dib(int w, int h, int bits, const std::string& table, const std::string& rows, const std::string& mask) {
  return LE32(40) + LE32(w) + LE32(2 * h) + LE16(1) + LE16(bits) + std::string(24, '\0') + table + rows + mask;
}

struct TEntrySpec {
  int Width, Height;
  std::string Data;
  int HotX = 1, HotY = 0;  // planes and bit count of icons
};

std::string Icon(const std::vector<TEntrySpec>& entries, int type = 1) {
  std::string out = LE16(0) + LE16(type) + LE16(static_cast<int>(entries.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
  for (const TEntrySpec& e : entries) {
    out += std::string{char(e.Width & 0xFF), char(e.Height & 0xFF), 0, 0} + LE16(e.HotX) + LE16(e.HotY) +
           LE32(static_cast<uint32_t>(e.Data.size())) + LE32(offset);
    offset += static_cast<uint32_t>(e.Data.size());
  }
  for (const TEntrySpec& e : entries) out += e.Data;
  return out;
}

// A 2 x 2 24-bit entry of one colour; rows padded to 8 bytes.
std::string Solid24(char blue, const std::string& mask = std::string(8, '\0')) {
  const std::string row = std::string{blue, 0, 0, blue, 0, 0} + std::string(2, '\0');
  return Dib(2, 2, 24, "", row + row, mask);
}

}  // namespace

TEST(IcoRead, PicksTheLargestThenDeepestEntryOrTheNumberedOne) {
  const std::string row8 = std::string(4, '\x01');
  const std::string table = "\x00\x00\x00\x00\x10\x20\x30\x00"s + std::string(254 * 4, '\0');
  const std::string small = Dib(1, 1, 24, "", "\x05\x05\x05\0"s, std::string(4, '\0'));
  const std::string eight = Dib(2, 2, 8, table, row8 + row8, std::string(8, '\0'));
  const std::string file = Icon({{1, 1, small}, {2, 2, Solid24('\x11')}, {2, 2, eight}, {2, 2, Solid24('\x22')}});
  TCodecRun best;
  ASSERT_TRUE(best.Read(ReadIcoStream, file));
  EXPECT_EQ(Rgb(best.Image, 0, 0), "000022") << "24 bits beat 8; the later of equals wins";
  EXPECT_EQ(best.Params.BitsPerSample, 8);
  EXPECT_EQ(best.Params.SamplesPerPixel, 3);
  for (const auto& [index, expected] : std::vector<std::pair<int, std::string>>{{1, "050505"}, {3, "302010"}}) {
    TCodecRun run;
    run.Params.IcoImageIndex = index;
    ASSERT_TRUE(run.Read(ReadIcoStream, file)) << index;
    EXPECT_EQ(Rgb(run.Image, 0, 0), expected) << index;
  }
  TCodecRun missing;
  missing.Params.IcoImageIndex = 5;
  EXPECT_FALSE(missing.Read(ReadIcoStream, file));
  EXPECT_EQ(missing.Reason, frNoImage);
}

TEST(IcoRead, TheAndMaskOrOwnAlphaFillsTheAlphaPlane) {
  // Mask rows bottom-up: the bottom row's first pixel is transparent.
  TCodecRun masked;
  ASSERT_TRUE(masked.Read(ReadIcoStream, Icon({{2, 2, Solid24('\x11', "\x80\0\0\0\0\0\0\0"s)}})));
  EXPECT_EQ(masked.Alpha.GetPixel(0, 1), 0);
  EXPECT_EQ(masked.Alpha.GetPixel(1, 1), 255);
  EXPECT_EQ(masked.Alpha.GetPixel(0, 0), 255);
  // 32 bits bring their alpha; all-zero alpha falls back to the mask.
  const std::string quad = "\x01\x02\x03\x40\x04\x05\x06\xFF"s;
  const std::string mask = "\x40\0\0\0\x00\0\0\0"s;
  TCodecRun own, zero;
  ASSERT_TRUE(own.Read(ReadIcoStream, Icon({{2, 2, Dib(2, 2, 32, "", quad + quad, mask)}})));
  EXPECT_EQ(own.Alpha.GetPixel(0, 0), 0x40);
  EXPECT_EQ(own.Alpha.GetPixel(1, 1), 0xFF);
  const std::string clear = "\x01\x02\x03\x00\x04\x05\x06\x00"s;
  ASSERT_TRUE(zero.Read(ReadIcoStream, Icon({{2, 2, Dib(2, 2, 32, "", clear + clear, mask)}})));
  EXPECT_EQ(zero.Alpha.GetPixel(1, 1), 0);
  EXPECT_EQ(zero.Alpha.GetPixel(0, 1), 255);
  // A cut mask leaves the rest opaque and marks the picture.
  TCodecRun cut;
  ASSERT_TRUE(cut.Read(ReadIcoStream, Icon({{2, 2, Solid24('\x11', std::string(5, '\xFF'))}})));
  EXPECT_EQ(cut.Damage, frTruncated);
  EXPECT_EQ(cut.Alpha.GetPixel(0, 1), 0);
  EXPECT_EQ(cut.Alpha.GetPixel(0, 0), 255);
}

TEST(IcoRead, CursorsGiveTheirHotSpotAndTheBmpGroupStaysAlone) {
  TCodecRun run;
  run.Params.BmpVersion = 3;
  run.Params.BmpCompression = 1;
  ASSERT_TRUE(run.Read(ReadCurStream, Icon({{2, 2, Solid24('\x11'), 1, 0}, {2, 2, Solid24('\x22'), 7, 9}}, 2)));
  EXPECT_EQ(run.Params.CurXHotSpot, 7);
  EXPECT_EQ(run.Params.CurYHotSpot, 9);
  EXPECT_EQ(run.Params.BmpVersion, 3);
  EXPECT_EQ(run.Params.BmpCompression, 1);
}

TEST(IcoRead, PngEntriesDecodeThroughThePngCodecWithTheirAlpha) {
  TBitmap picture;
  rawtest::Paint(picture, 3, 2);
  TPixMask clear(3, 2, 8);
  clear.Fill(255);
  clear.SetPixel(2, 1, 0x30);
  TCodecRun writer;
  const std::string png = writer.Write(WritePngStream, picture, &clear);
  ASSERT_FALSE(writer.Aborted);
  // The PNG is the second entry, after a larger-looking but shallower DIB.
  TCodecRun run;
  run.Params.IcoImageIndex = 2;
  ASSERT_TRUE(run.Read(ReadIcoStream, Icon({{2, 2, Solid24('\x11')}, {3, 2, png}})));
  ASSERT_EQ(run.Image.Width(), 3);
  ASSERT_EQ(run.Image.Height(), 2);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) {
      EXPECT_EQ(Rgb(run.Image, x, y), Rgb(picture, x, y)) << x << "," << y;
      EXPECT_EQ(run.Alpha.GetPixel(x, y), clear.GetPixel(x, y)) << x << "," << y;
    }
}

TEST(IcoRead, FailuresNameTheirReason) {
  const std::string png = "\x89PNG\r\n\x1A\n" + "\0\0\0\x0DIHDR\0\0\0\x02\0\0\0\x02\x08\x06"s;
  TBitmap wideImage;
  rawtest::Paint(wideImage, 300, 2);
  TCodecRun writer;
  const std::string wide = writer.Write(WritePngStream, wideImage);
  const struct {
    std::string Bytes;
    TFailureReason Reason;
  } cases[] = {
      {"", frTruncated},
      {"BM6\0\0\0", frNotThisFormat},
      {LE16(0) + LE16(3) + LE16(1), frNotThisFormat},
      {LE16(0) + LE16(1) + LE16(0), frNoImage},
      {LE16(0) + LE16(1) + LE16(2) + std::string(20, '\0'), frTruncated},
      {Icon({{2, 2, Solid24('\x11')}}).substr(0, 40), frTruncated},
      {Icon({{2, 2, Dib(2, 2, 24, "", "", "")}}), frTruncated},
      {Icon({{2, 2, Dib(2, 2, 2, "", std::string(16, '\0'), "")}}), frUnsupportedDepth},
      {Icon({{2, 2, Dib(10000, 10000, 32, "", "", "")}}), frTruncated},
      {Icon({{2, 2, png}}), frTruncated},
      {Icon({{0, 2, wide}}), frSizeTooLarge},
      {Icon({{2, 2,  // RLE8, larger than a directory can describe
              LE32(40) + LE32(300) + LE32(600) + LE16(1) + LE16(8) + LE32(1) + std::string(1044, '\0') + "\0\1"s}}),
       frCorruptData},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TCodecRun run;
    EXPECT_FALSE(run.Read(ReadIcoStream, cases[i].Bytes)) << i;
    EXPECT_EQ(run.Reason, cases[i].Reason) << i;
    EXPECT_TRUE(run.Image.Empty()) << "nothing allocated for case " << i;
  }
}

TEST(IcoWrite, OneEntryRoundTripsWithItsMaskAndAlpha) {
  TBitmap image;
  rawtest::Paint(image, 256, 5);
  TPixMask alpha(256, 5, 8);
  alpha.Fill(255);
  alpha.ScanLine(1)[2] = 100;
  alpha.ScanLine(3)[4] = 200;
  for (bool cursor : {false, true})
    for (const TPixMask* a : {static_cast<const TPixMask*>(nullptr), static_cast<const TPixMask*>(&alpha)}) {
      TCodecRun out;
      out.Params.CurXHotSpot = 12;
      out.Params.CurYHotSpot = 3;
      const std::string file = out.Write(cursor ? WriteCurStream : WriteIcoStream, image, a);
      ASSERT_FALSE(out.Aborted);
      EXPECT_EQ(file[2], cursor ? 2 : 1);
      EXPECT_EQ(file[6], 0) << "256 is written as 0";
      TCodecRun back;
      ASSERT_TRUE(back.Read(cursor ? ReadCurStream : ReadIcoStream, file));
      EXPECT_TRUE(SamePixels(back.Image, image));
      EXPECT_EQ(back.Alpha.GetPixel(2, 1), a ? 100 : 255);
      EXPECT_EQ(back.Alpha.GetPixel(4, 3), a ? 200 : 255);
      EXPECT_EQ(back.Params.BitsPerSample, 8);
      if (cursor) {
        EXPECT_EQ(std::make_pair(back.Params.CurXHotSpot, back.Params.CurYHotSpot), std::make_pair(12, 3));
      }
      // The mask agrees with the alpha for programs that draw with it alone.
      const uint8_t* maskRow = reinterpret_cast<const uint8_t*>(file.data()) + file.size() - 2 * 32;
      EXPECT_EQ(maskRow[0], a ? 0x20 : 0x00) << "row 1 from the top is the mask's fourth stored row";
    }
  TBitmap big(257, 1, TPixelFormat::TrueColor);
  TCodecRun tooBig;
  EXPECT_TRUE(tooBig.Write(WriteIcoStream, big).empty());
  EXPECT_EQ(tooBig.Reason, frSizeTooLarge);
}
