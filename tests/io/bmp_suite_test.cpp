// Loads through the I/O component: generated files in both save modes, and
// every file of the shared BMP corpus when it is present.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <map>

#include "codecs/bmp_test_builder.h"
#include "io/pix_image_io.h"
#include "support/test_support.h"

using namespace pix;
using namespace bmptest;
namespace fs = std::filesystem;

namespace {

struct Loaded {
  TBitmap image;
  TPixImageIO io;
  Loaded() { io.SetBitmap(&image); }
};

bool SameRowPixels(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  const int64_t used = a.PixelFormat() == TPixelFormat::Bilevel ? a.Width() / 8 : 3 * int64_t{a.Width()};
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<size_t>(used)) != 0) return false;
  return true;
}

}  // namespace

TEST(BmpComponent, LoadSaveInOriginalTypeAndParamsOnly) {
  pixtest::TempDir dir;
  BmpSpec s{.width = 6, .height = 2, .depth = 4, .compression = 2,
            .table = {{0, 0, 248}, {0, 248, 0}, {248, 0, 0}}, .pixels = {6, 0x12, 0, 0, 0, 5, 0x21, 0x00, 0, 0, 0, 1}};
  const Bytes file = BuildBmp(s);
  pixtest::WriteFile(dir.File("a.rle"), std::string(file.begin(), file.end()));

  Loaded a;
  a.io.LoadBmpFromFile(dir.File("a.rle"));
  ASSERT_FALSE(a.io.AbortFlag());
  EXPECT_EQ(a.io.ParamRecord().FileType, 5);
  EXPECT_EQ(a.io.ParamRecord().FileName, dir.File("a.rle"));
  a.io.SaveBmpToFile(dir.File("b.bmp"));  // the record still says 4 bits, RLE
  ASSERT_FALSE(a.io.AbortFlag());

  Loaded b;
  b.io.ParamsFromBmpFile(dir.File("b.bmp"));
  EXPECT_TRUE(b.image.Empty());
  EXPECT_EQ(b.io.ParamRecord().BitsPerSample, 4);
  EXPECT_EQ(b.io.ParamRecord().BmpCompression, 1);
  b.io.LoadBmpFromFile(dir.File("b.bmp"));
  EXPECT_TRUE(SameRowPixels(a.image, b.image));

  TPixMemoryStream stream;
  a.io.ParamRecord().BitsPerSample = 8;
  a.io.ParamRecord().SamplesPerPixel = 3;
  a.io.SaveBmpToStream(stream);
  stream.Seek(0, TSeekOrigin::soBeginning);
  b.io.LoadBmpFromStream(stream);
  EXPECT_EQ(b.io.ParamRecord().BitsPerSample, 8);
  EXPECT_TRUE(b.io.ParamRecord().FileName.empty());
  EXPECT_TRUE(SameRowPixels(a.image, b.image));
}

TEST(BmpSuite, EveryCorpusFileLoadsOrFailsCleanlyAndEncodingsAgree) {
  const std::string root = pixtest::SharedTestData("bmp");
  if (root.empty()) GTEST_SKIP() << "shared BMP corpus not present";
  std::map<std::string, std::unique_ptr<Loaded>> loaded;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (!entry.is_regular_file() || (ext != ".bmp" && ext != ".dib")) continue;
    const std::string rel = fs::relative(entry.path(), root).string();
    auto l = std::make_unique<Loaded>();
    ASSERT_NO_THROW(l->io.LoadBmpFromFile(entry.path().string())) << rel;
    if (rel.rfind("g/", 0) == 0) {
      EXPECT_FALSE(l->io.AbortFlag()) << rel;
    }
    loaded[rel] = std::move(l);
  }
  for (const char* bad : {"b/badwidth.bmp", "b/reallybig.bmp", "b/badbitcount.bmp", "x/ba-bm.bmp", "q/rgb24png.bmp"})
    if (loaded.count(bad)) {
      EXPECT_TRUE(loaded[bad]->io.AbortFlag()) << bad;
    }

  // Different encodings of one picture must decode to the same pixels.
  const std::vector<std::vector<std::string>> groups = {
      {"g/pal8.bmp", "g/pal8-0.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8os2.bmp", "g/pal8v4.bmp",
       "g/pal8v5.bmp", "q/pal8offs.bmp", "q/pal8oversizepal.bmp", "q/pal8os2sp.bmp", "q/pal8os2v2-16.bmp",
       "q/pal8os2v2.bmp", "b/rletopdown.bmp"},
      {"g/pal4.bmp", "g/pal4rle.bmp"},
      {"g/pal1.bmp", "g/pal1wb.bmp"},
      {"g/rgb16.bmp", "g/rgb16bfdef.bmp", "q/rgb16faketrns.bmp", "q/rgba16-5551.bmp"},
      {"g/rgb16-565.bmp", "g/rgb16-565pal.bmp"},
      {"g/rgb24.bmp", "g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bfdef.bmp", "q/rgb24largepal.bmp",
       "q/rgb32fakealpha.bmp", "q/rgb24prof.bmp"}};
  for (const auto& group : groups)
    for (const auto& name : group) {
      if (!loaded.count(name) || !loaded.count(group[0])) continue;
      EXPECT_TRUE(SameRowPixels(loaded[group[0]]->image, loaded[name]->image)) << name << " vs " << group[0];
    }
}
