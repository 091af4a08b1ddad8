// Our PNG decoder against plain libpng on the shared corpus, pixel for pixel
// with alpha, and the PngSuite's own references: files of one picture stored
// in different ways decode alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "codecs/png/png_codec.h"
#include "codecs/png_test_support.h"
#include "codecs/raster_test_support.h"
#include "support/corpus_manifest.h"
#include "support/test_support.h"

using namespace pix;
using namespace rastertest;
namespace fs = std::filesystem;

namespace {

pngtest::Bytes Load(const std::string& path) {
  const std::string text = pixtest::ReadFile(path);
  return pngtest::Bytes(text.begin(), text.end());
}

// Our decode as 8-bit RGBA, top row first.
pngtest::Bytes AsRgba(const CodecRun& r) {
  pngtest::Bytes out;
  for (int y = 0; y < r.image.Height(); ++y)
    for (int x = 0; x < r.image.Width(); ++x) {
      if (r.image.PixelFormat() == TPixelFormat::Bilevel) {
        const uint8_t v = (r.image.ScanLine(y)[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        out.insert(out.end(), {v, v, v});
      } else {
        const uint8_t* p = r.image.ScanLine(y) + 3 * x;
        out.insert(out.end(), {p[2], p[1], p[0]});
      }
      out.push_back(r.alpha.GetPixel(x, y));
    }
  return out;
}

}  // namespace

TEST(PngAgainstLibpng, EveryCorpusFileDecodesAsLibpngDecodesIt) {
  const auto entries = pixtest::CorpusEntries("png/");
  if (entries.empty()) GTEST_SKIP() << "shared corpus not present";
  int compared = 0;
  for (const pixtest::CorpusEntry& e : entries) {
    if (e.Status == pixtest::CorpusStatus::Reference || fs::path(e.Path).extension() != ".png") continue;
    SCOPED_TRACE(e.Path);
    const pngtest::Bytes file = Load(pixtest::SharedTestData() + "/" + e.Path);
    CodecRun ours;
    const bool loaded = ours.Read(ReadPngStream, file);
    uint32_t width = 0, height = 0;
    pngtest::Bytes theirs;
    if (!pngtest::LibpngRgba(file, width, height, theirs)) {
      // What libpng refuses we refuse too, or show marked as damaged.
      EXPECT_TRUE(!loaded || ours.damage != frNone);
      continue;
    }
    ASSERT_TRUE(loaded) << FailureText(ours.reason);
    ASSERT_EQ(ours.image.Width(), static_cast<int>(width));
    ASSERT_EQ(ours.image.Height(), static_cast<int>(height));
    const pngtest::Bytes mine = AsRgba(ours);
    for (size_t i = 0; i < mine.size(); ++i)
      ASSERT_EQ(mine[i], theirs[i]) << "pixel " << (i / 4) % width << "," << i / 4 / width << " channel " << i % 4;
    ++compared;
  }
  EXPECT_GT(compared, 300);
}

TEST(PngAgainstLibpng, PngSuiteFilesOfOnePictureDecodeAlike) {
  const std::string root = pixtest::SharedTestData("png/pngsuite");
  if (root.empty()) GTEST_SKIP() << "shared corpus not present";
  // Each group: the same picture interlaced or not, split into other IDAT
  // chunks, at other zlib levels or with other row filters.
  const std::vector<std::vector<std::string>> groups = {
      {"basn0g01", "basi0g01"}, {"basn0g02", "basi0g02"}, {"basn0g04", "basi0g04"}, {"basn0g08", "basi0g08"},
      {"basn0g16", "basi0g16", "oi1n0g16", "oi2n0g16", "oi4n0g16", "oi9n0g16"},
      {"basn2c08", "basi2c08"}, {"basn2c16", "basi2c16", "oi1n2c16", "oi2n2c16", "oi4n2c16", "oi9n2c16"},
      {"basn3p01", "basi3p01"}, {"basn3p02", "basi3p02"}, {"basn3p04", "basi3p04"}, {"basn3p08", "basi3p08"},
      {"basn4a08", "basi4a08"}, {"basn4a16", "basi4a16"}, {"basn6a08", "basi6a08"}, {"basn6a16", "basi6a16"},
      {"z00n2c08", "z03n2c08", "z06n2c08", "z09n2c08"},
      {"s01n3p01", "s01i3p01"}, {"s09n3p02", "s09i3p02"}, {"s35n3p04", "s35i3p04"}, {"s40n3p04", "s40i3p04"},
  };
  for (const auto& group : groups) {
    CodecRun first;
    ASSERT_TRUE(first.Read(ReadPngStream, Load(root + "/" + group[0] + ".png"))) << group[0];
    for (size_t i = 1; i < group.size(); ++i) {
      CodecRun other;
      ASSERT_TRUE(other.Read(ReadPngStream, Load(root + "/" + group[i] + ".png"))) << group[i];
      EXPECT_TRUE(SamePicture(other.image, first.image)) << group[i];
      EXPECT_TRUE(SameAlpha(other.alpha, first.alpha)) << group[i];
    }
  }
  // Transparency: the reference without tRNS is opaque, its tRNS twin is not.
  CodecRun opaque, keyed;
  ASSERT_TRUE(opaque.Read(ReadPngStream, Load(root + "/tp0n3p08.png")));
  ASSERT_TRUE(keyed.Read(ReadPngStream, Load(root + "/tp1n3p08.png")));
  EXPECT_TRUE(opaque.alpha.Full());
  EXPECT_FALSE(keyed.alpha.Full());
}
