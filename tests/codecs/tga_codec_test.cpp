#include <gtest/gtest.h>

#include "codecs/tga/tga_codec.h"
#include "raw_codec_support.h"

using namespace pix;
using namespace std::string_literals;
using rawtest::LE16;
using rawtest::LE32;
using rawtest::Rgb;
using rawtest::TCodecRun;

namespace {

// An 18-byte TGA header.
std::string Header(int type, int width, int height, int bits, int descriptor, int mapType = 0, int mapFirst = 0,
                   int mapLength = 0, int mapBits = 0, int idLength = 0) {
  return std::string{char(idLength), char(mapType), char(type)} + LE16(mapFirst) + LE16(mapLength) + char(mapBits) +
         LE16(0) + LE16(0) + LE16(width) + LE16(height) + char(bits) + char(descriptor);
}

// A TGA 2.0 footer pointing at an extension area of the given attributes
// type, appended to file.
std::string WithExtension(std::string file, int attributesType) {
  std::string area(495, '\0');
  area[0] = char(495 & 0xFF), area[1] = char(495 >> 8);
  area[494] = char(attributesType);
  const uint32_t at = static_cast<uint32_t>(file.size());
  return file + area + LE32(at) + LE32(0) + "TRUEVISION-XFILE.\0"s;
}

}  // namespace

TEST(TgaRead, EveryOriginGivesTheSamePicture) {
  // Pixels a b / c d (top row first), 24 bits, stored from each corner.
  const std::string a = "\x01\x02\x03", b = "\x04\x05\x06", c = "\x07\x08\x09", d = "\x0A\x0B\x0C";
  const std::string stored[4] = {c + d + a + b, d + c + b + a, a + b + c + d, b + a + d + c};
  TCodecRun first;
  for (int origin = 0; origin < 4; ++origin) {
    TCodecRun run;
    ASSERT_TRUE(run.Read(ReadTgaStream, Header(2, 2, 2, 24, origin << 4) + stored[origin])) << origin;
    EXPECT_EQ(Rgb(run.Image, 0, 0), "030201") << origin;
    EXPECT_EQ(Rgb(run.Image, 1, 1), "0c0b0a") << origin;
    EXPECT_EQ(Rgb(run.Image, 1, 0), "060504") << origin;
  }
}

TEST(TgaRead, RlePacketsMayCrossRowsAndOverrunsAreMarked) {
  // 8-bit gray 3 x 2 bottom-up: a run of 4 then two literals.
  TCodecRun run;
  ASSERT_TRUE(run.Read(ReadTgaStream, Header(11, 3, 2, 8, 0) + "\x83\x10\x01\x20\x30"));
  EXPECT_EQ(Rgb(run.Image, 0, 1), "101010");
  EXPECT_EQ(Rgb(run.Image, 0, 0), "101010") << "the run goes on in the next row";
  EXPECT_EQ(Rgb(run.Image, 2, 0), "303030");
  EXPECT_EQ(run.Damage, frNone);
  EXPECT_TRUE(run.Params.TgaCompressed && run.Params.TgaGrayLevel);

  TCodecRun over;  // a run of 8 for 6 pixels
  ASSERT_TRUE(over.Read(ReadTgaStream, Header(11, 3, 2, 8, 0) + "\x87\x10"));
  EXPECT_EQ(over.Damage, frCorruptData);
  TCodecRun cut;  // the data ends after 4 pixels
  ASSERT_TRUE(cut.Read(ReadTgaStream, Header(11, 3, 2, 8, 0) + "\x83\x10"));
  EXPECT_EQ(cut.Damage, frTruncated);
  EXPECT_EQ(Rgb(cut.Image, 2, 0), "000000");
}

TEST(TgaRead, PacketHeadersAtTheReadersBufferEdgeDecodeAlike) {
  // Gray RLE top-down: a raw packet of two pixels, then runs of two, so that
  // a packet header is the last byte of the reader's 64 KiB buffer.
  std::string data = "\x01\x07\x08"s, expected = "\x07\x08"s;
  for (int k = 1; k < 400 * 100; ++k) {
    data += {'\x81', char(k % 251)};
    expected.append(2, char(k % 251));
  }
  TCodecRun run;
  ASSERT_TRUE(run.Read(ReadTgaStream, Header(11, 400, 200, 8, 0x20) + data));
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 400; ++x) ASSERT_EQ(run.Image.ScanLine(y)[3 * x], uint8_t(expected[y * 400 + x])) << x << "," << y;
  EXPECT_EQ(run.Damage, frNone);
}

TEST(TgaRead, ColorMapsStartAtTheirFirstIndex) {
  // 15-bit entries for indices 2 and 3; index 5 lies outside the map.
  const std::string map = LE16(0x7C00) + LE16(0x001F);
  TCodecRun run;
  ASSERT_TRUE(run.Read(ReadTgaStream, Header(1, 3, 1, 8, 0, 1, 2, 2, 15) + map + "\x02\x03\x05"));
  EXPECT_EQ(Rgb(run.Image, 0, 0), "ff0000");
  EXPECT_EQ(Rgb(run.Image, 1, 0), "0000ff");
  EXPECT_EQ(Rgb(run.Image, 2, 0), "000000");
  EXPECT_EQ(run.Damage, frCorruptData);
  EXPECT_EQ(run.Params.ColorMapCount, 4);
  EXPECT_EQ(run.Params.SamplesPerPixel, 1);
}

TEST(TgaRead, AlphaFromTheStoredBitsUnlessZeroOrUndefined) {
  // 16 bits: five bits a channel, c x 255 / 31 truncated; the top bit is alpha
  // when the header declares an attribute bit.
  TCodecRun sixteen;
  ASSERT_TRUE(sixteen.Read(ReadTgaStream, Header(2, 2, 1, 16, 1) + LE16(0x8000 | (4 << 10)) + LE16(0x0001)));
  EXPECT_EQ(Rgb(sixteen.Image, 0, 0), "200000");
  EXPECT_EQ(sixteen.Alpha.GetPixel(0, 0), 255);
  EXPECT_EQ(sixteen.Alpha.GetPixel(1, 0), 0);
  EXPECT_EQ(sixteen.Params.BitsPerSample, 5);

  const std::string bgra = "\x01\x02\x03\x40\x04\x05\x06\x00"s;
  TCodecRun withAlpha;  // 32 bits carry alpha even without attribute bits
  ASSERT_TRUE(withAlpha.Read(ReadTgaStream, Header(2, 2, 1, 32, 0) + bgra));
  EXPECT_EQ(withAlpha.Alpha.GetPixel(0, 0), 0x40);
  EXPECT_EQ(withAlpha.Alpha.GetPixel(1, 0), 0);
  TCodecRun zero;
  ASSERT_TRUE(zero.Read(ReadTgaStream, Header(2, 2, 1, 32, 8) + "\x01\x02\x03\x00\x04\x05\x06\x00"s));
  EXPECT_EQ(zero.Alpha.GetPixel(0, 0), 255) << "alpha nobody filled in leaves the picture opaque";
  TCodecRun undefined;
  ASSERT_TRUE(undefined.Read(ReadTgaStream, WithExtension(Header(2, 2, 1, 32, 8) + bgra, 2)));
  EXPECT_EQ(undefined.Alpha.GetPixel(1, 0), 255) << "attributes type 2: undefined data, retained";
}

TEST(TgaRead, FailuresNameTheirReason) {
  const struct {
    std::string Bytes;
    TFailureReason Reason;
  } cases[] = {
      {"", frTruncated},
      {Header(2, 2, 2, 24, 0).substr(0, 17), frTruncated},
      {Header(0, 2, 2, 24, 0), frNoImage},
      {Header(2, 2, 2, 24, 0, 7), frNotThisFormat},
      {Header(5, 2, 2, 24, 0), frNotThisFormat},
      {Header(32, 2, 2, 24, 0), frUnsupportedCompression},
      {Header(2, 2, 2, 12, 0) + std::string(12, '\0'), frUnsupportedDepth},
      {Header(1, 2, 2, 8, 0) + std::string(4, '\0'), frCorruptData},
      {Header(1, 2, 2, 8, 0, 1, 0, 2, 8) + std::string(6, '\0'), frUnsupportedDepth},
      {Header(2, 0, 2, 24, 0), frCorruptData},
      {Header(1, 2, 2, 8, 0, 1, 0, 200, 24) + std::string(20, '\0'), frTruncated},
      {Header(2, 1000, 1000, 24, 0) + std::string(100, '\0'), frTruncated},
      {Header(10, 40000, 40000, 24, 0) + std::string(100, '\0'), frSizeTooLarge},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TCodecRun run;
    EXPECT_FALSE(run.Read(ReadTgaStream, cases[i].Bytes)) << i;
    EXPECT_EQ(run.Reason, cases[i].Reason) << i;
    EXPECT_TRUE(run.Image.Empty()) << "nothing allocated for case " << i;
  }
}

TEST(TgaWrite, RoundTripsWithAlphaGrayRleAndTheExtensionArea) {
  // Rows longer than a packet, runs and literals mixed, more than the
  // reader's 64 KiB buffer in all.
  TBitmap image;
  rawtest::Paint(image, 130, 200);
  for (int y = 0; y < 200; y += 2) std::fill_n(image.ScanLine(y) + 3 * (y % 50), 3 * 60, uint8_t(y));
  TPixMask alpha(130, 200, 8);
  alpha.Fill(255);
  alpha.ScanLine(2)[5] = 17;
  for (bool rle : {false, true})
    for (const TPixMask* a : {static_cast<const TPixMask*>(nullptr), static_cast<const TPixMask*>(&alpha)}) {
      TCodecRun out;
      out.Params.TgaCompressed = rle;
      out.Params.TgaImageName = "name";
      out.Params.TgaAuthor = "author";
      out.Params.TgaDescriptor = "line one\nline two";
      out.Params.TgaDate = 45000.5;  // 2023-03-15 12:00:00
      out.Params.TgaBackground = TRGB{1, 2, 3};
      out.Params.TgaAspectRatio = 0.5;
      out.Params.TgaGamma = 2.2;
      out.Params.TgaXPos = 7;
      const std::string file = out.Write(WriteTgaStream, image, a);
      ASSERT_FALSE(out.Aborted);
      EXPECT_EQ(file[16], a ? 32 : 24);
      EXPECT_EQ(file.substr(file.size() - 18), "TRUEVISION-XFILE.\0"s);
      TCodecRun back;
      ASSERT_TRUE(back.Read(ReadTgaStream, file));
      EXPECT_TRUE(SamePixels(back.Image, image)) << rle;
      EXPECT_EQ(back.Alpha.GetPixel(5, 2), a ? 17 : 255);
      TIOParams& p = back.Params;
      EXPECT_EQ(std::tie(p.TgaImageName, p.TgaAuthor, p.TgaDescriptor),
                std::tie(out.Params.TgaImageName, out.Params.TgaAuthor, out.Params.TgaDescriptor));
      EXPECT_EQ(std::tie(p.TgaDate, p.TgaBackground, p.TgaAspectRatio, p.TgaGamma, p.TgaXPos, p.TgaCompressed),
                std::tie(out.Params.TgaDate, out.Params.TgaBackground, out.Params.TgaAspectRatio, out.Params.TgaGamma,
                         out.Params.TgaXPos, out.Params.TgaCompressed));
    }
  // Gray: gray pixels keep their value, colours go through the library's weights.
  TCodecRun gray;
  gray.Params.TgaGrayLevel = true;
  TBitmap two(2, 1, TPixelFormat::TrueColor);
  std::fill_n(two.ScanLine(0), 3, uint8_t{200});
  two.ScanLine(0)[5] = 255;  // pure red
  TCodecRun back;
  ASSERT_TRUE(back.Read(ReadTgaStream, gray.Write(WriteTgaStream, two)));
  EXPECT_TRUE(back.Params.TgaGrayLevel);
  EXPECT_EQ(Rgb(back.Image, 0, 0), "c8c8c8");
  EXPECT_EQ(Rgb(back.Image, 1, 0), "353535");
}

TEST(TgaWrite, SidesBeyondTheHeaderFieldFail) {
  TBitmap wide(70000, 1, TPixelFormat::Bilevel);
  TCodecRun out;
  EXPECT_TRUE(out.Write(WriteTgaStream, wide).empty());
  EXPECT_EQ(out.Reason, frSizeTooLarge);
}
