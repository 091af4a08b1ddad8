#include <gtest/gtest.h>

#include "codecs/jpeg_test_builder.h"
#include "io/pix_image_io.h"
#include "support/test_support.h"

using namespace pix;
using namespace jpegtest;

namespace {

struct TIo {
  TBitmap Image;
  TPixImageIO Io;
  TIo() { Io.SetBitmap(&Image); }
  TIOParams& Params() { return Io.ParamRecord(); }
};

Bytes WithMarkers(const std::vector<std::pair<uint8_t, Bytes>>& markers, int w = 24, int h = 16) {
  TIOParams params;
  for (const auto& [code, payload] : markers)
    params.MarkerList().AddMarker(code, payload.data(), static_cast<int>(payload.size()));
  return Encode(*Photo(w, h), params);
}

Bytes Resolution(bool little, uint32_t num, uint32_t den, uint32_t unit) {
  return ExifPayload(little, {{0x011A, 5, {num, den}, ""}, {0x011B, 5, {num, den}, ""}, {0x0128, 3, {unit}, ""}});
}

void Save(const std::string& path, const Bytes& file) { pixtest::WriteFile(path, std::string(file.begin(), file.end())); }

}  // namespace

TEST(JpegIo, ExifResolutionReplacesAnAspectOnlyJfifHeaderOnFileLoadsOnly) {
  pixtest::TempDir dir;
  struct {
    Bytes exif;
    uint8_t unit;
    uint16_t density;
    int dpi;
  } cases[] = {
      {Resolution(true, 300, 1, 2), 0, 1, 300},
      {Resolution(false, 2835, 100, 3), 0, 1, 72},  // 28.35 x 2.54 = 72.009
      {Resolution(true, 300, 1, 2), 1, 96, 96},     // a JFIF density wins
      {Resolution(true, 300, 1, 2), 2, 118, 299},
      {ExifPayload(true, {{0x010F, 2, {}, "no resolution"}}), 0, 1, 1},  // kept, not 0
      {Resolution(true, 0xFFFFFFFF, 1, 2), 0, 1, 1},                     // no int32 holds it
  };
  for (const auto& c : cases) {
    Bytes file = WithMarkers({{0xE1, c.exif}});
    SetJfifDensity(file, c.unit, c.density, c.density);
    Save(dir.File("exif.jpg"), file);
    TIo io;
    io.Io.LoadJpegFromFile(dir.File("exif.jpg"));
    ASSERT_FALSE(io.Io.AbortFlag());
    EXPECT_TRUE(io.Params().ExifHasExifData);
    EXPECT_EQ(io.Params().DpiX, c.dpi) << int(c.unit) << " " << c.density;
    EXPECT_EQ(io.Params().DpiY, c.dpi);
    EXPECT_EQ(io.Params().FileType, 3);
    TPixMemoryStream stream(file);
    io.Io.LoadJpegFromStream(stream);
    EXPECT_EQ(io.Params().DpiX, c.unit == 2 ? 299 : c.density);
    EXPECT_EQ(io.Params().FileName, "");
  }
}

TEST(JpegIo, ResaveWritesJfifThenCopiedMarkersThenTheAddedIptcBlock) {
  pixtest::TempDir dir;
  Bytes exif = Resolution(true, 72, 1, 2);
  Save(dir.File("in.jpg"), WithMarkers({{0xE1, exif}}));
  TIo io;
  io.Io.LoadJpegFromFile(dir.File("in.jpg"));
  EXPECT_TRUE(io.Params().IptcInfo().IptcChanged);  // no APP13 in the file
  io.Io.SaveAsJpeg(dir.File("out.jpg"));
  ASSERT_FALSE(io.Io.AbortFlag());
  std::string text = pixtest::ReadFile(dir.File("out.jpg"));
  std::vector<TSegment> segments = Segments(Bytes(text.begin(), text.end()));
  ASSERT_GE(segments.size(), 3u);
  EXPECT_EQ(segments[0].Marker, 0xE0);
  EXPECT_EQ(segments[1].Payload, exif);
  EXPECT_EQ(segments[2].Marker, 0xED);
  EXPECT_EQ(segments[2].Payload, (Bytes{'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0, '8', 'B',
                                        'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 0}));
}

TEST(JpegIo, IptcRecordsSurviveSaveLoadAndParamsOnlyReadsAndOversizeBlocksFail) {
  pixtest::TempDir dir;
  TIo io;
  io.Image.Allocate(8, 8, TPixelFormat::TrueColor);
  io.Params().IptcInfo().Add(2, 120, reinterpret_cast<const uint8_t*>("Harbour"), 7);
  io.Io.SaveAsJpeg(dir.File("iptc.jpg"));
  TIo back;
  back.Io.LoadJpegFromFile(dir.File("iptc.jpg"));
  ASSERT_EQ(back.Params().IptcInfo().Count(), 1);
  EXPECT_FALSE(back.Params().IptcInfo().IptcChanged);
  EXPECT_EQ(back.Params().IptcInfo().Record(0).Data, (Bytes{'H', 'a', 'r', 'b', 'o', 'u', 'r'}));
  TIo params;
  params.Io.ParamsFromJpegFile(dir.File("iptc.jpg"));
  EXPECT_EQ(params.Params().Width, 8);
  EXPECT_EQ(params.Params().IptcInfo().Count(), 1);
  EXPECT_EQ(params.Image.Width(), 0);  // the image is left alone

  Bytes big(40000, 'x');  // two of them need more than one marker holds
  io.Params().IptcInfo().Add(2, 25, big.data(), static_cast<int>(big.size()));
  io.Params().IptcInfo().Add(2, 25, big.data(), static_cast<int>(big.size()));
  EXPECT_THROW(io.Io.SaveAsJpeg(dir.File("big.jpg")), EPixJpegException);
  EXPECT_TRUE(io.Io.AbortFlag());
}

TEST(JpegIo, StreamFramingIsWrittenAndSkippedOnLoad) {
  TIo io;
  io.Image.Allocate(10, 6, TPixelFormat::TrueColor);
  io.Io.StreamHeaders = true;
  TPixMemoryStream stream;
  stream.Write("pre", 3);
  io.Io.SaveJpegToStream(stream);
  const Bytes& bytes = stream.Bytes();
  ASSERT_GT(bytes.size(), 15u);
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(Bytes(bytes.begin() + 3, bytes.begin() + 11), (Bytes{'J', 'F', 'I', 'F', 0, 0, 0, 0}));
  const uint32_t length = bytes[11] | (bytes[12] << 8) | (bytes[13] << 16) | (bytes[14] << 24);
  EXPECT_EQ(length, bytes.size() - 15);

  Bytes framed(bytes.begin() + 3, bytes.end());
  framed.insert(framed.end(), {'n', 'e', 'x', 't'});
  TPixMemoryStream in(framed);
  TIo back;
  back.Io.LoadJpegFromStream(in);
  ASSERT_FALSE(back.Io.AbortFlag());
  EXPECT_EQ(back.Image.Width(), 10);
  EXPECT_EQ(in.Position(), static_cast<int64_t>(12 + length));
  TPixMemoryStream plain(Bytes(bytes.begin() + 15, bytes.end()));
  back.Io.LoadJpegFromStream(plain);
  EXPECT_FALSE(back.Io.AbortFlag());
  TPixMemoryStream empty;
  back.Io.LoadJpegFromStream(empty);
  EXPECT_TRUE(back.Io.AbortFlag());
}

TEST(JpegIo, MutatedFilesLoadOrFailCleanly) {
  // A progressive seed with every part a load reads (EXIF with a thumbnail,
  // IPTC, a comment), changed, cut or repeated in places: each mutant loads
  // or ends with AbortFlag, never throws (and is clean in the sanitizer build).
  TIOParams params;
  params.JpegProgressive = true;
  TPixIPTCInfoList iptc;
  iptc.Add(2, 120, reinterpret_cast<const uint8_t*>("caption"), 7);
  Bytes exif = ExifPayload(true, {{0x011A, 5, {300, 1}, ""}}, {}, Encode(*Photo(12, 8), params));
  for (const auto& [code, payload] : {std::pair{0xE1, exif}, {0xED, iptc.BuildIptcBlock()}, {0xFE, Bytes{'n'}}})
    params.MarkerList().AddMarker(static_cast<uint8_t>(code), payload.data(), static_cast<int>(payload.size()));
  const Bytes seed = Encode(*Photo(40, 24), params);
  uint32_t state = 2024;
  auto next = [&state](std::size_t bound) {
    state = state * 1664525u + 1013904223u;
    return static_cast<std::size_t>((state >> 8) % bound);
  };
  int loaded = 0;
  for (int i = 0; i < 400; ++i) {
    Bytes file = seed;
    for (std::size_t edits = 1 + next(3), at; edits > 0; --edits) {
      at = next(file.size());
      if (edits == 1 && i % 4 == 0) {
        file.resize(at + 1);
      } else if (i % 4 == 1) {
        Bytes chunk(file.begin() + at, file.begin() + std::min(file.size(), at + next(64)));
        file.insert(file.begin() + at, chunk.begin(), chunk.end());
      } else {
        file[at] = static_cast<uint8_t>(next(256));
      }
    }
    TIo io;
    TPixMemoryStream stream(file);
    EXPECT_NO_THROW(io.Io.LoadJpegFromStream(stream)) << i;
    loaded += !io.Io.AbortFlag();
  }
  EXPECT_GT(loaded, 50);
}
