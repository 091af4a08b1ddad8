// Our TIFF decoder against libtiff's own tiff2rgba on the shared corpus:
// every file both read without damage decodes to the same pixels and alpha.
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/raster_test_support.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/tiff_test_support.h"
#include "support/corpus_manifest.h"
#include "support/test_support.h"

using namespace pix;
using namespace rastertest;
namespace fs = std::filesystem;

namespace {

// What libtiff's RGBA interface makes of the alpha of a page.
enum class TAlphaRule {
  Straight,     // no alpha, or unassociated: libtiff premultiplies exactly
  Stored,       // associated, or grey with any alpha: libtiff keeps the stored colour
  Unspecified,  // an extra sample of unspecified meaning: libtiff calls it alpha, we do not
  Dropped,      // CMYK with alpha: libtiff leaves the alpha out, we keep it
};

struct TSourceFacts {
  bool Readable = false;
  uint16_t Orientation = ORIENTATION_TOPLEFT;
  TAlphaRule Rule = TAlphaRule::Straight;
  // libtiff's RGBA reader takes the high byte of 16-bit grey where we round
  // (as it does itself for 16-bit colour): one level apart at most.
  int Tolerance = 0;
};

TSourceFacts FactsOf(const std::string& path) {
  TSourceFacts f;
  TIFF* tif = TIFFOpen(path.c_str(), "r");
  if (!tif) return f;
  f.Readable = true;
  uint16_t count = 0, photometric = 0, samples = 1;
  uint16_t* types = nullptr;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &f.Orientation);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &count, &types);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  uint16_t bits = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
  if (grey && bits == 16) f.Tolerance = 1;
  if (count > 0 && types) {
    if (photometric == PHOTOMETRIC_SEPARATED)
      f.Rule = TAlphaRule::Dropped;
    else if (types[0] == EXTRASAMPLE_UNSPECIFIED)
      f.Rule = TAlphaRule::Unspecified;
    else if (types[0] == EXTRASAMPLE_ASSOCALPHA || grey)
      f.Rule = TAlphaRule::Stored;
  }
  TIFFClose(tif);
  return f;
}

}  // namespace

TEST(TiffAgainstTiff2rgba, CorpusFilesDecodeAsLibtiffDecodesThem) {
  const auto entries = pixtest::CorpusEntries("tiff/");
  if (entries.empty()) GTEST_SKIP() << "shared corpus not present";
  if (Shell("command -v tiff2rgba >/dev/null 2>&1") != 0) GTEST_SKIP() << "libtiff-tools not installed";
  pixtest::TempDir dir;
  // One shell converts every file: tiff2rgba's output for file n is n.tif.
  std::vector<pixtest::CorpusEntry> files;
  std::string list;
  for (const pixtest::CorpusEntry& e : entries) {
    const std::string ext = fs::path(e.Path).extension().string();
    if (e.Status == pixtest::CorpusStatus::Reference || (ext != ".tif" && ext != ".tiff")) continue;
    list += pixtest::SharedTestData() + "/" + e.Path + "\n";
    files.push_back(e);
  }
  pixtest::WriteFile(dir.File("list"), list);
  Shell("cd " + Quote(dir.Path().string()) +
        " && n=0; while IFS= read -r f; do timeout 20 tiff2rgba -c none \"$f\" $n.tif 2>/dev/null || rm -f $n.tif;"
        " n=$((n+1)); done < list");
  int compared = 0;
  for (size_t n = 0; n < files.size(); ++n) {
    const pixtest::CorpusEntry& e = files[n];
    SCOPED_TRACE(e.Path);
    const std::string path = pixtest::SharedTestData() + "/" + e.Path, out = dir.File(std::to_string(n) + ".tif");
    const std::string text = pixtest::ReadFile(path);
    CodecRun ours;
    const bool loaded = ours.Read(ReadTiffStream, tifftest::Bytes(text.begin(), text.end()));
    uint32_t width = 0, height = 0;
    tifftest::Bytes rgba;
    if (!fs::exists(out) || !tifftest::PlainRgba(out, width, height, rgba)) continue;
    if (e.Status == pixtest::CorpusStatus::Valid) {
      ASSERT_TRUE(loaded) << FailureText(ours.reason);
    }
    const TSourceFacts facts = FactsOf(path);
    // Orientation is not ours to apply; a damaged page shows what each reader salvaged.
    if (!loaded || ours.damage != frNone || facts.Orientation != ORIENTATION_TOPLEFT) continue;
    ASSERT_EQ(ours.image.Width(), static_cast<int>(width));
    ASSERT_EQ(ours.image.Height(), static_cast<int>(height));
    for (uint32_t y = 0; y < height; ++y)
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* t = &rgba[(size_t{y} * width + x) * 4];
        const int ix = static_cast<int>(x), iy = static_cast<int>(y);
        const uint8_t a = ours.alpha.GetPixel(ix, iy);
        if (facts.Rule != TAlphaRule::Unspecified && facts.Rule != TAlphaRule::Dropped) {
          ASSERT_EQ(t[3], a) << x << "," << y;
        }
        for (int ch = 0; ch < 3; ++ch) {
          const uint8_t c = ours.image.PixelFormat() == TPixelFormat::Bilevel
                                ? ((ours.image.ScanLine(iy)[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0)
                                : ours.image.ScanLine(iy)[3 * x + 2 - ch];
          switch (facts.Rule) {
            case TAlphaRule::Straight:
              ASSERT_LE(std::abs(t[ch] - tifftest::Premultiplied(c, a)), facts.Tolerance) << x << "," << y;
              break;
            case TAlphaRule::Unspecified:
            case TAlphaRule::Dropped: ASSERT_LE(std::abs(t[ch] - c), facts.Tolerance) << x << "," << y; break;
            case TAlphaRule::Stored:
              // We take the stored colour back out of its alpha, to nearest;
              // a stored colour above its alpha cannot come back.
              ASSERT_LE(std::abs(std::min(t[ch], a) - tifftest::Premultiplied(c, a)), 1) << x << "," << y;
              break;
          }
        }
      }
    ++compared;
  }
  EXPECT_GT(compared, 150);
}
