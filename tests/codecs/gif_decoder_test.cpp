#include <gtest/gtest.h>

#include "codecs/gif/gif_codec.h"
#include "codecs/gif_test_support.h"
#include "platform/default_resolution.h"
#include "platform/gif_lzw_decoder.h"
#include "platform/gif_lzw_encoder.h"
#include "support/test_support.h"

using namespace pix;
using giftest::GifBuilder;
using giftest::kBlackWhite;
using giftest::kFour;
using giftest::Params;
using giftest::PixelAt;
using Bytes = std::vector<uint8_t>;

namespace {

struct Outcome {
  bool aborted = false;
  TFailureReason reason = frNone;
  TFailureReason damage = frNone;
  int count = -1;
  std::vector<int> progress;
};

Outcome Read(const Bytes& bytes, TBitmap& image, TIOParams& params, TPixMask* mask = nullptr, int abortAt = -1) {
  Outcome out;
  TPixProgressEvent handler = [&](TPixObject*, int per) {
    out.progress.push_back(per);
    if (per == abortAt) out.aborted = true;
  };
  TProgressRecord progress{.Handler = &handler, .Aborting = &out.aborted, .Reason = &out.reason, .Damage = &out.damage};
  TPixMemoryStream stream(bytes);
  ReadGifStream(stream, image, out.count, mask, false, progress, params);
  return out;
}

TRGB Bgr(giftest::Rgb c) { return TRGB{c.b, c.g, c.r}; }
// A picture a failed read must leave as it was.
bool Untouched(const TBitmap& image) { return image.Width() == 1 && image.ScanLine(0)[0] == 77; }
void Mark(TBitmap& image) {
  image.Allocate(1, 1, TPixelFormat::TrueColor);
  image.ScanLine(0)[0] = 77;
}

const Bytes k3x2{0, 1, 2, 3, 2, 1};

Bytes TwoFrames() {
  return GifBuilder()
      .Header(20, 10, kFour)
      .Control(0x01, 7, 1)
      .Image(4, 3, Bytes(12, 1), 2)
      .Extension(0xFE, "comment")
      .Raw({0x00, 0x99})  // stray bytes between blocks
      .Image(2, 5, {0, 1, 1, 0, 2, 2, 3, 3, 0, 0}, 2, {}, true, 3, 4)
      .Bytes();  // and no trailer
}

}  // namespace

TEST(GifReader, RecordsTheFileAndDecodesTheFrame) {
  auto bytes = GifBuilder().Header(10, 8, kFour, "GIF87a", 2, 49).Image(3, 2, k3x2, 2, {}, false, 4, 5).Trailer();
  Params p;
  TBitmap image;
  TPixMask mask;
  Outcome r = Read(bytes.Bytes(), image, p, &mask);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(r.progress, (std::vector<int>{0, 30, 70, 100}));
  EXPECT_EQ(p.GifVersion, std::string("GIF87a\0", 7));
  EXPECT_EQ(std::tie(p.GifWinWidth, p.GifWinHeight, p.GifRatio, p.GifXPos, p.GifYPos, p.Width, p.Height),
            std::make_tuple(10, 8, 49, 4, 5, 3, 2));
  EXPECT_EQ(std::tie(p.DpiX, p.SamplesPerPixel, p.BitsPerSample, p.ColorMapCount, p.GifImageCount),
            std::make_tuple(DefaultResolution().DpiX, 1, 2, 4, 1));
  EXPECT_EQ(p.GifBackground, Bgr(kFour[2]));
  EXPECT_EQ(p.ColorMap()[3], Bgr(kFour[3]));
  // No graphic control extension: nothing transparent, no delay, entry 0, opaque mask.
  EXPECT_FALSE(p.GifTransparent);
  EXPECT_EQ(p.GifDelayTime, 0);
  EXPECT_EQ(p.GifTransparentColor, Bgr(kFour[0]));
  EXPECT_TRUE(mask.Full());
  ASSERT_EQ(image.PixelFormat(), TPixelFormat::TrueColor);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(PixelAt(image, i % 3, i / 3), Bgr(kFour[k3x2[i]]));

  auto nul = GifBuilder().Header(1, 1, kFour, std::string("GIF\0ab", 6)).Image(1, 1, {1}, 2).Trailer();
  EXPECT_FALSE(Read(nul.Bytes(), image, p).aborted);
  EXPECT_EQ(p.GifVersion, std::string("GIF\0", 4));
}

TEST(GifReader, OnlyABlackThenWhiteTwoEntryTableMakesABilevelImage) {
  // Nine pixels a row: the ninth is the top bit of the row's second byte.
  const Bytes rows{1, 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  Params p;
  TBitmap image;
  ASSERT_FALSE(Read(GifBuilder().Header(9, 2, kFour).Image(9, 2, rows, 1, kBlackWhite).Bytes(), image, p).aborted);
  ASSERT_EQ(image.PixelFormat(), TPixelFormat::Bilevel);
  EXPECT_EQ(std::vector<uint8_t>(image.ScanLine(0), image.ScanLine(0) + 2), (Bytes{0xB2, 0x80}));
  EXPECT_EQ(std::vector<uint8_t>(image.ScanLine(1), image.ScanLine(1) + 2), (Bytes{0x00, 0x80}));
  for (auto table : {std::vector<giftest::Rgb>{{255, 255, 255}, {0, 0, 0}},
                     {{0, 0, 0}, {255, 255, 254}},
                     {{0, 0, 0}, {255, 255, 255}, {9, 9, 9}}}) {
    ASSERT_FALSE(Read(GifBuilder().Header(9, 2, table).Image(9, 2, rows, 2).Bytes(), image, p).aborted);
    EXPECT_EQ(image.PixelFormat(), TPixelFormat::TrueColor);
    EXPECT_EQ(PixelAt(image, 0, 0), Bgr(table[1]));
  }
}

TEST(GifReader, TheWantedFrameHasItsOwnSizeAndOnlyItsOwnControl) {
  Params p;
  TBitmap image;
  TPixMask mask;
  p.GifImageIndex = 1;
  Outcome r = Read(TwoFrames(), image, p, &mask);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.count, 2);
  ASSERT_EQ(std::tie(p.Width, p.Height, p.GifXPos, p.GifYPos), std::make_tuple(2, 5, 3, 4));
  EXPECT_EQ(image.Width(), 2);
  EXPECT_FALSE(p.GifTransparent);
  EXPECT_EQ(p.GifDelayTime, 0);
  EXPECT_TRUE(p.GifInterlaced);
  EXPECT_EQ(PixelAt(image, 1, 3), Bgr(kFour[3]));

  // The first frame: transparent index 1 clears exactly those mask pixels.
  auto first = GifBuilder().Header(3, 1, kFour).Control(0x09, 7, 1).Image(3, 1, {1, 0, 1}, 2).Trailer().Bytes();
  p.GifImageIndex = 0;
  ASSERT_FALSE(Read(first, image, p, &mask).aborted);
  EXPECT_TRUE(p.GifTransparent);
  EXPECT_EQ(p.GifDelayTime, 7);
  EXPECT_EQ(p.GifTransparentColor, Bgr(kFour[1]));
  EXPECT_EQ(std::make_tuple(mask.GetPixel(0, 0), mask.GetPixel(1, 0), mask.GetPixel(2, 0)), std::make_tuple(0, 255, 0));
  EXPECT_EQ(PixelAt(image, 0, 0), Bgr(kFour[1])) << "the pixel keeps its colour";

  for (int wanted : {2, -1}) {
    Params beyond;
    beyond.GifImageIndex = wanted;
    Mark(image);
    r = Read(TwoFrames(), image, beyond);
    EXPECT_TRUE(r.aborted) << "no image of its own: the old picture must not pass for it";
    EXPECT_EQ(r.reason, frNoImage);
    EXPECT_EQ(r.count, 2);
    EXPECT_TRUE(Untouched(image));
    EXPECT_EQ(beyond.ColorMapCount, 0);
  }
}

TEST(GifReader, FailuresLeaveTheImageAndRecordWhatWasRead) {
  pixtest::ScopedValue<TGifLzwDecodeProc> noDefault(DefaultGifLzwDecode, nullptr);
  const Bytes file =
      GifBuilder().Header(5, 5, kFour, "GIF87a", 3).Image(3, 2, k3x2, 2, {}, false, 1, 2).Trailer().Bytes();
  struct Case {
    const char* what;
    Bytes bytes;
    TGifLzwDecodeProc decode;
    int abortAt;
    std::vector<int> progress;
    const char* version;
    int width;
    TFailureReason reason;
  } cases[] = {
      {"no decoder", file, nullptr, -1, {0, 30}, "GIF87a", 3, frNoCodec},
      {"decoder reads nothing", file, [](TPixStream&, int32_t, int32_t, bool, uint8_t*) {}, -1, {0, 30}, "GIF87a", 3,
       frTruncated},
      {"stopped at 0", file, &GifLzwDecode, 0, {0}, "GIF89a", 0, frNone},
      {"stopped at 30", file, &GifLzwDecode, 30, {0, 30}, "GIF87a", 0, frNone},
      {"stopped at 70", file, &GifLzwDecode, 70, {0, 30, 70}, "GIF87a", 3, frNone},
      {"not a GIF", GifBuilder().Header(5, 5, kFour, "GIT87a").Bytes(), &GifLzwDecode, -1, {0}, "GIF89a", 0,
       frNotThisFormat},
      {"ends after the table", GifBuilder().Header(5, 5, kFour, "GIF87a").Bytes(), &GifLzwDecode, -1, {0}, "GIF87a", 0,
       frTruncated},
      {"no image before the trailer", GifBuilder().Header(5, 5, kFour, "GIF87a").Trailer().Trailer().Bytes(),
       &GifLzwDecode, -1, {0}, "GIF87a", 0, frNoImage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TIOParams p;
    p.GifLzwDecode = c.decode;
    TBitmap image;
    Mark(image);
    Outcome r = Read(c.bytes, image, p, nullptr, c.abortAt);
    EXPECT_TRUE(r.aborted);
    EXPECT_EQ(r.reason, c.reason) << "a stop by the handler records no reason of its own";
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.progress, c.progress);
    EXPECT_TRUE(Untouched(image));
    EXPECT_EQ(p.GifVersion.substr(0, 6), c.version);
    EXPECT_EQ(p.Width, c.width);
    EXPECT_EQ(p.ColorMapCount, 0) << "the colour map comes after the pixels";
  }
}

TEST(GifReader, InstallingTheCodersSetsBothDefaults) {
  pixtest::ScopedValue<TGifLzwDecodeProc> decode(DefaultGifLzwDecode, nullptr);
  pixtest::ScopedValue<TGifLzwEncodeProc> encode(DefaultGifLzwEncode, nullptr);
  InstallGifLzwCoders();
  TIOParams params;
  EXPECT_EQ(std::make_pair(params.GifLzwDecode, params.GifLzwEncode), std::make_pair(&GifLzwDecode, &GifLzwEncode));
}

TEST(GifReader, DamagedInputStaysInsideTheDataAndTheTables) {
  Params p;
  TBitmap image;
  // Indices beyond a 4-entry table, and a file with no table at all: black.
  Outcome cut = Read(GifBuilder().Header(3, 1, kFour).Image(3, 1, {5, 7, 3}, 3).Bytes(), image, p);
  ASSERT_FALSE(cut.aborted);
  EXPECT_EQ(cut.damage, frTruncated) << "no trailer";
  EXPECT_EQ(std::make_tuple(PixelAt(image, 0, 0), PixelAt(image, 1, 0)), std::make_tuple(TRGB{}, TRGB{}));
  EXPECT_EQ(PixelAt(image, 2, 0), Bgr(kFour[3]));
  p.GifBackground = TRGB{1, 2, 3};
  ASSERT_FALSE(Read(GifBuilder().Header(2, 1, {}).Image(2, 1, {0, 1}, 2).Bytes(), image, p).aborted);
  EXPECT_EQ(PixelAt(image, 1, 0), TRGB{});
  EXPECT_EQ(p.GifBackground, (TRGB{1, 2, 3})) << "no global table: kept from before";

  // Refused before anything is reserved: frames without pixels, and frames
  // larger than the rest of the file could ever describe.
  for (auto [w, h] : {std::pair{0, 5}, {7, 0}, {65535, 65535}}) {
    Mark(image);
    auto bytes = GifBuilder().Header(4, 4, kFour).Descriptor(0, 0, w, h).Raw({2, 2, 0x4C, 0x01, 0, 0x3B}).Bytes();
    EXPECT_TRUE(Read(bytes, image, p).aborted);
    EXPECT_TRUE(Untouched(image));
    EXPECT_EQ(p.Width, w);
  }
  // Sub-blocks running past the end; stray bytes only; a control block claiming 0xEE bytes.
  for (const Bytes& odd : {GifBuilder().Header(2, 2, kFour).Raw({0x21, 0xFE, 200, 'a'}).Bytes(),
                           GifBuilder().Header(2, 2, kFour).Raw({1, 2, 3, 0x3B}).Bytes()}) {
    Outcome r = Read(odd, image, p);
    EXPECT_EQ(r.reason, frNoImage);
    EXPECT_EQ(r.count, 0);
  }
  TPixMask mask;
  auto badSize = GifBuilder().Header(2, 1, kFour).Raw({0x21, 0xF9, 0xEE, 0x01, 0, 0, 3, 0}).Image(2, 1, {3, 0}, 2);
  ASSERT_FALSE(Read(badSize.Bytes(), image, p, &mask).aborted);
  EXPECT_EQ(mask.GetPixel(0, 0), 0);

  // Every truncation of a two-frame file ends cleanly, with a consistent frame.
  const Bytes full = TwoFrames();
  for (int wanted : {0, 1}) {
    for (size_t size = 0; size <= full.size(); ++size) {
      Params q;
      q.GifImageIndex = wanted;
      Outcome r = Read(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size)), image, q, &mask);
      ASSERT_LE(r.count, 2);
      if (!r.aborted && r.count > wanted) {
        ASSERT_EQ(std::make_tuple(image.Width(), image.Height(), mask.Width()),
                  std::make_tuple(q.Width, q.Height, q.Width));
      }
    }
  }
}
