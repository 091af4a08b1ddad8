#include <gtest/gtest.h>

#include "jpeg_test_builder.h"
#include "support/test_support.h"

using namespace pix;
using namespace jpegtest;

namespace {

const Bytes kEmptyIptcBlock{'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0,
                            '8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 0};

struct TIo {
  TBitmap Image;
  TPixImageIO Io;
  TIo() { Io.SetBitmap(&Image); }
  TIOParams& Params() { return Io.ParamRecord(); }
};

// A JFIF file of a photo with an EXIF APP1 (and whatever else is listed).
Bytes FileWithExif(const Bytes& exif, uint8_t jfifUnit, uint16_t density) {
  auto image = Photo(24, 16);
  TIOParams params;
  params.MarkerList().AddMarker(0xE1, exif.data(), static_cast<int>(exif.size()));
  Bytes file = Encode(*image, params);
  SetJfifDensity(file, jfifUnit, density, density);
  return file;
}

}  // namespace

TEST(JpegIo, ExifResolutionReplacesAnAspectOnlyJfifHeaderOnFileLoads) {
  pixtest::TempDir dir;
  struct {
    Bytes exif;
    uint8_t unit;
    uint16_t density;
    int dpi;
  } cases[] = {
      {TExifBuilder().Rational(0x011A, 300, 1).Rational(0x011B, 300, 1).Short(0x0128, {2}).Build(), 0, 1, 300},
      {TExifBuilder(false).Rational(0x011A, 2835, 100).Rational(0x011B, 2835, 100).Short(0x0128, {3}).Build(), 0,
       1, 72},
      {TExifBuilder().Rational(0x011A, 300, 1).Rational(0x011B, 300, 1).Build(), 1, 96, 96},   // JFIF wins
      {TExifBuilder().Rational(0x011A, 300, 1).Rational(0x011B, 300, 1).Build(), 2, 118, 299},  // per cm
      {TExifBuilder().Ascii(0x010F, "no resolution").Build(), 0, 1, 1},                          // kept, not 0
      {TExifBuilder().Rational(0x011A, 0xFFFFFFFF, 1).Rational(0x011B, 1, 1).Build(), 0, 1, 1},  // too large
  };
  for (const auto& c : cases) {
    std::string path = dir.File("exif.jpg");
    Bytes file = FileWithExif(c.exif, c.unit, c.density);
    pixtest::WriteFile(path, std::string(file.begin(), file.end()));
    TIo io;
    io.Io.LoadJpegFromFile(path);
    ASSERT_FALSE(io.Io.AbortFlag());
    EXPECT_TRUE(io.Params().ExifHasExifData);
    EXPECT_EQ(io.Params().DpiX, c.dpi) << int(c.unit) << " " << c.density;
    EXPECT_EQ(io.Params().DpiY, c.dpi);
    EXPECT_EQ(io.Params().FileName, path);
    EXPECT_EQ(io.Params().FileType, 3);

    TPixMemoryStream stream(file);
    io.Io.LoadJpegFromStream(stream);
    EXPECT_TRUE(io.Params().ExifHasExifData);
    EXPECT_EQ(io.Params().DpiX, c.unit == 2 ? 299 : c.density);  // no resolution rule for streams
    EXPECT_EQ(io.Params().FileName, "");
  }
}

TEST(JpegIo, ResaveWritesJfifThenCopiedMarkersThenTheAddedIptcBlock) {
  pixtest::TempDir dir;
  Bytes exif = TExifBuilder().Rational(0x011A, 72, 1).Build();
  Bytes file = FileWithExif(exif, 1, 72);
  pixtest::WriteFile(dir.File("in.jpg"), std::string(file.begin(), file.end()));
  TIo io;
  io.Io.LoadJpegFromFile(dir.File("in.jpg"));
  ASSERT_FALSE(io.Io.AbortFlag());
  EXPECT_TRUE(io.Params().IptcInfo().IptcChanged);  // no APP13 in the file
  io.Io.SaveAsJpeg(dir.File("out.jpg"));
  ASSERT_FALSE(io.Io.AbortFlag());
  std::string text = pixtest::ReadFile(dir.File("out.jpg"));
  std::vector<TSegment> segments = Segments(Bytes(text.begin(), text.end()));
  ASSERT_GE(segments.size(), 3u);
  EXPECT_EQ(segments[0].Marker, 0xE0);
  EXPECT_EQ(segments[1].Marker, 0xE1);
  EXPECT_EQ(segments[1].Payload, exif);
  EXPECT_EQ(segments[2].Marker, 0xED);
  EXPECT_EQ(segments[2].Payload, kEmptyIptcBlock);
  EXPECT_EQ(segments[0].Payload[7], 1);  // density in dots per inch
}

TEST(JpegIo, IptcRecordsSurviveSaveAndLoadAndOversizeBlocksFail) {
  pixtest::TempDir dir;
  TIo io;
  io.Image.Allocate(8, 8, TPixelFormat::TrueColor);
  const std::string caption = "Harbour at dawn";
  io.Params().IptcInfo().Add(2, 120, reinterpret_cast<const uint8_t*>(caption.data()),
                             static_cast<int>(caption.size()));
  io.Io.SaveAsJpeg(dir.File("iptc.jpg"));
  TIo back;
  back.Io.LoadJpegFromFile(dir.File("iptc.jpg"));
  ASSERT_EQ(back.Params().IptcInfo().Count(), 1);
  EXPECT_FALSE(back.Params().IptcInfo().IptcChanged);
  EXPECT_EQ(back.Params().IptcInfo().Record(0).Data, Bytes(caption.begin(), caption.end()));

  TIo params;
  params.Io.ParamsFromJpegFile(dir.File("iptc.jpg"));
  EXPECT_EQ(params.Params().Width, 8);
  EXPECT_EQ(params.Params().IptcInfo().Count(), 1);
  EXPECT_EQ(params.Image.Width(), 0);  // the image is left alone

  Bytes big(40000, 'x');
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
  ASSERT_FALSE(io.Io.AbortFlag());
  const Bytes& bytes = stream.Bytes();
  EXPECT_EQ(stream.Position(), static_cast<int64_t>(bytes.size()));
  ASSERT_GT(bytes.size(), 15u);
  EXPECT_EQ(Bytes(bytes.begin() + 3, bytes.begin() + 11), (Bytes{'J', 'F', 'I', 'F', 0, 0, 0, 0}));
  const uint32_t length = bytes[11] | (bytes[12] << 8) | (bytes[13] << 16) | (bytes[14] << 24);
  EXPECT_EQ(length, bytes.size() - 15);
  EXPECT_EQ(bytes[15], 0xFF);

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
  EXPECT_EQ(back.Image.Height(), 6);
}

TEST(JpegIo, EmptyStreamAndMissingImageFailCleanly) {
  TIo io;
  TPixMemoryStream empty;
  io.Io.LoadJpegFromStream(empty);
  EXPECT_TRUE(io.Io.AbortFlag());
  TPixImageIO detached;
  TPixMemoryStream out;
  detached.SaveJpegToStream(out);
  EXPECT_EQ(out.Size(), 0);
}

TEST(JpegIo, MutatedFilesLoadOrFailCleanly) {
  // Seeds with every part the load reads: EXIF with a thumbnail, IPTC, a
  // comment, progressive and CMYK scans. Mutants change, cut or repeat bytes;
  // each must load or end with AbortFlag, without throwing (and without
  // sanitizer findings in the sanitizer build).
  TIOParams thumbParams;
  Bytes exif = TExifBuilder().Rational(0x011A, 300, 1).Thumbnail(Encode(*Photo(12, 8), thumbParams)).Build();
  TPixIPTCInfoList iptc;
  iptc.Add(2, 120, reinterpret_cast<const uint8_t*>("caption"), 7);
  std::vector<Bytes> seeds;
  for (uint8_t space : {2, 3}) {
    TIOParams params;
    params.JpegColorSpace = space;
    params.JpegProgressive = space == 2;
    params.MarkerList().AddMarker(0xE1, exif.data(), static_cast<int>(exif.size()));
    Bytes block = iptc.BuildIptcBlock();
    params.MarkerList().AddMarker(0xED, block.data(), static_cast<int>(block.size()));
    params.MarkerList().AddMarker(0xFE, reinterpret_cast<const uint8_t*>("comment"), 7);
    seeds.push_back(Encode(*Photo(40, 24), params));
  }
  uint32_t state = 2024;
  auto next = [&state](uint32_t bound) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % bound;
  };
  int loaded = 0;
  for (int i = 0; i < 400; ++i) {
    Bytes file = seeds[i % seeds.size()];
    for (uint32_t edits = 1 + next(3); edits > 0; --edits) {
      switch (next(3)) {
        case 0: file[next(static_cast<uint32_t>(file.size()))] = static_cast<uint8_t>(next(256)); break;
        case 1: file.resize(next(static_cast<uint32_t>(file.size())) + 1); break;
        default: {
          std::size_t at = next(static_cast<uint32_t>(file.size()));
          std::size_t n = std::min<std::size_t>(next(64), file.size() - at);
          file.insert(file.begin() + at, file.begin() + at, file.begin() + at + n);
        }
      }
    }
    TIo io;
    TPixMemoryStream stream(file);
    EXPECT_NO_THROW(io.Io.LoadJpegFromStream(stream)) << i;
    if (!io.Io.AbortFlag()) ++loaded;
  }
  EXPECT_GT(loaded, 50);
}
