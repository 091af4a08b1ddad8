// What becomes of every kept hostile input and every corpus file: it loads
// (perhaps marked damaged), or it fails with a named reason. Never a crash,
// never a failure without a reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "codecs/gif/gif_codec.h"
#include "codecs/metafile/metafile_codec.h"
#include "codecs/png/png_codec.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/ico/ico_codec.h"
#include "codecs/pcx/pcx_codec.h"
#include "codecs/pnm/pnm_codec.h"
#include "codecs/tga/tga_codec.h"
#include "codecs/heif/heif_codec.h"
#include "codecs/webp/webp_codec.h"
#include "io/pix_image_io.h"
#include "imaging/pix_view.h"
#include "platform/stream.h"
#include "support/corpus_manifest.h"
#include "support/test_support.h"

using namespace pix;
namespace fs = std::filesystem;

namespace {

struct Outcome {
  bool Loaded = false;
  TFailureReason Reason = frNone;  // why it failed
  TFailureReason Damage = frNone;  // why a loaded picture is incomplete
};

// An outcome as the tables write it.
Outcome Loads(TFailureReason damage = frNone) { return {true, frNone, damage}; }
Outcome Fails(TFailureReason reason) { return {false, reason, frNone}; }

std::string Describe(const Outcome& o) {
  if (o.Loaded) return o.Damage == frNone ? "loads" : std::string("loads damaged: ") + FailureText(o.Damage);
  return std::string("fails: ") + FailureText(o.Reason);
}

// Loads through the I/O component as the conversion does; a refused
// allocation counts as the failure the conversion reports for it.
template <typename Load>
Outcome Run(Load load) {
  TPixImageView view;
  TPixImageIO io;
  io.SetAttachedView(&view);
  Outcome out;
  try {
    load(io);
  } catch (const EPixOutOfMemory&) {
    return Fails(frOutOfMemory);
  }
  out.Loaded = !io.AbortFlag();
  out.Reason = io.FailureReason();
  out.Damage = out.Loaded ? io.DamageReason() : frNone;
  return out;
}

Outcome LoadFile(const std::string& path) {
  return Run([&](TPixImageIO& io) { io.LoadFromFile(path); });
}

// The fuzz targets' own framing: the GIF, TIFF, icon and pipeline targets take
// a leading byte (the image or page index, the entry and reader, or the type
// the pipeline loads).
Outcome ReplayFuzzInput(const std::string& target, const std::string& path) {
  const std::string bytes = pixtest::ReadFile(path);
  auto from = [&](size_t skip) {
    return TPixMemoryStream(bytes.data() + std::min(skip, bytes.size()),
                            static_cast<int64_t>(bytes.size() - std::min(skip, bytes.size())));
  };
  if (target == "fuzz_bmp") return Run([&](TPixImageIO& io) { auto s = from(0); io.LoadBmpFromStream(s); });
  if (target == "fuzz_wmf" || target == "fuzz_emf") {
    // The targets draw into pictures of at most 64 KiB.
    pixtest::ScopedSetting<int64_t> cap(MaxBitmapBytes, SetMaxBitmapBytes, int64_t{64} << 10);
    return Run([&](TPixImageIO& io) {
      auto s = from(0);
      io.LoadStreamWithCodec(s, target == "fuzz_wmf" ? ftWMF : ftEMF, ReadMetafileStream);
    });
  }
  if (target == "fuzz_jpeg") return Run([&](TPixImageIO& io) { auto s = from(0); io.LoadJpegFromStream(s); });
  if (target == "fuzz_png")
    return Run([&](TPixImageIO& io) { auto s = from(0); io.LoadStreamWithCodec(s, ftPNG, ReadPngStream); });
  if (target == "fuzz_tiff")
    return Run([&](TPixImageIO& io) {
      io.ParamRecord().TiffImageIndex = bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]) & 3;
      auto s = from(1);
      io.LoadStreamWithCodec(s, ftTIFF, ReadTiffStream);
    });
  if (target == "fuzz_heif")
    return Run([&](TPixImageIO& io) { auto s = from(0); io.LoadStreamWithCodec(s, ftHEIF, ReadHeifStream); });
  if (target == "fuzz_webp")
    return Run([&](TPixImageIO& io) { auto s = from(0); io.LoadStreamWithCodec(s, ftWEBP, ReadWebpStream); });
  if (target == "fuzz_gif")
    return Run([&](TPixImageIO& io) {
      io.ParamRecord().GifImageIndex = bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]) & 3;
      auto s = from(1);
      io.LoadGifFromStream(s);
    });
  const std::map<std::string, std::pair<TPixFileType, TCodecRead>> raw = {
      {"fuzz_pnm", {ftPXM, ReadPnmStream}}, {"fuzz_tga", {ftTGA, ReadTgaStream}}, {"fuzz_pcx", {ftPCX, ReadPcxStream}}};
  if (auto it = raw.find(target); it != raw.end())
    return Run([&](TPixImageIO& io) { auto s = from(0); io.LoadStreamWithCodec(s, it->second.first, it->second.second); });
  if (target == "fuzz_ico")
    return Run([&](TPixImageIO& io) {
      const uint8_t selector = bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]);
      io.ParamRecord().IcoImageIndex = io.ParamRecord().CurImageIndex = selector & 3;
      auto s = from(1);
      io.LoadStreamWithCodec(s, (selector & 4) ? ftCUR : ftICO, (selector & 4) ? ReadCurStream : ReadIcoStream);
    });
  // fuzz_pipeline: the first byte chooses JPEG, BMP or GIF.
  const int selector = bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]) % 3;
  return Run([&](TPixImageIO& io) {
    auto s = from(1);
    if (selector == 0) io.LoadJpegFromStream(s);
    if (selector == 1) io.LoadBmpFromStream(s);
    if (selector == 2) io.LoadGifFromStream(s);
  });
}

bool Same(const Outcome& a, const Outcome& b) {
  return a.Loaded == b.Loaded && a.Reason == b.Reason && a.Damage == b.Damage;
}

class FileOutcomes : public ::testing::Test {
protected:
  // GIF inputs need this platform's LZW coders, as the program installs them.
  pixtest::ScopedValue<TGifLzwDecodeProc> m_decode{DefaultGifLzwDecode, DefaultGifLzwDecode};
  void SetUp() override { InstallGifLzwCoders(); }
};

}  // namespace

TEST_F(FileOutcomes, EveryKeptHostileInputHasItsExpectedOutcome) {
  // Each file of tests/data/fuzz/<target>/, replayed as its target reads it.
  const std::map<std::string, Outcome> expected = {
      {"fuzz_bmp/empty.bmp", Fails(frTruncated)},
      {"fuzz_bmp/giant-header.bmp", Fails(frSizeTooLarge)},
      {"fuzz_bmp/rle-top-down-delta.bmp", Loads()},
      {"fuzz_bmp/two-bit.bmp", Fails(frUnsupportedDepth)},
      {"fuzz_emf/huge-arc-segment-count.emf", Loads()},
      {"fuzz_emf/wide-pen-empty-polygon.emf", Loads(frCorruptData)},
      {"fuzz_gif/bad-lzw-interlaced.gif", Loads()},
      {"fuzz_heif/av1-bad-obus-dav1d-plugin-leak.avif", Fails(frCorruptData)},
      {"fuzz_heif/decoding-warning.heic", Loads(frCorruptData)},
      {"fuzz_heif/grid-canvas-larger-than-the-image.heic", Fails(frSizeTooLarge)},
      {"fuzz_webp/animation-tall-canvas.webp", Loads()},
      {"fuzz_gif/giant-frame.gif", Fails(frTruncated)},
      {"fuzz_gif/no-data.gif", Fails(frTruncated)},
      {"fuzz_ico/dib-size-overflow.ico", Fails(frSizeTooLarge)},
      {"fuzz_jpeg/cut.jpg", Fails(frTruncated)},
      {"fuzz_jpeg/exif-bad-offsets.jpg", Fails(frTruncated)},
      {"fuzz_jpeg/iptc-huge-length.jpg", Fails(frCorruptData)},
      {"fuzz_jpeg/sof-giant.jpg", Fails(frTruncated)},
      {"fuzz_png/cut-interlaced.png", Fails(frTruncated)},
      {"fuzz_png/huge-width.png", Fails(frSizeTooLarge)},
      {"fuzz_tiff/ifd-beyond-end.tif", Fails(frTruncated)},
      {"fuzz_tiff/second-page-missing.tif", Fails(frNoImage)},
      {"fuzz_tiff/strips-beyond-end.tif", Loads(frTruncated)},
      {"fuzz_pipeline/bad-lzw-interlaced.gif", Loads()},
      {"fuzz_pipeline/cut.jpg", Fails(frTruncated)},
      {"fuzz_pipeline/exif-bad-offsets.jpg", Fails(frTruncated)},
      {"fuzz_pipeline/giant-frame.gif", Fails(frTruncated)},
      {"fuzz_pipeline/giant-header.bmp", Fails(frSizeTooLarge)},
      {"fuzz_pipeline/iptc-huge-length.jpg", Fails(frCorruptData)},
      {"fuzz_pipeline/no-data.gif", Fails(frTruncated)},
      {"fuzz_pipeline/sof-giant.jpg", Fails(frTruncated)},
      {"fuzz_pipeline/tall-bilevel-bmp-rotation-timeout.bmp", Loads(frTruncated)},
      {"fuzz_wmf/region-scans-past-record.wmf", Loads(frCorruptData)},
      {"fuzz_wmf/stretchdib-huge-claimed.wmf", Loads(frTruncated)},
  };
  std::set<std::string> seen;
  for (const auto& target : fs::directory_iterator(PIXFOLD_TEST_DATA "/fuzz")) {
    const std::string name = target.path().filename().string();
    if (name == "fuzz_settings") continue;  // settings files: see the profile tests
    if (name == "fuzz_metadata") continue;  // metadata blocks, not files: see the metadata tests
    for (const auto& file : fs::directory_iterator(target.path())) {
      const std::string key = name + "/" + file.path().filename().string();
      seen.insert(key);
      const Outcome actual = ReplayFuzzInput(name, file.path().string());
      auto it = expected.find(key);
      if (it == expected.end()) {
        ADD_FAILURE() << key << " has no expected outcome; it " << Describe(actual);
        continue;
      }
      EXPECT_TRUE(Same(actual, it->second)) << key << ": " << Describe(actual) << ", expected "
                                            << Describe(it->second);
    }
  }
  for (const auto& [key, outcome] : expected) EXPECT_TRUE(seen.count(key)) << key << " is listed but not kept";
}

namespace {

// Corpus files whose outcome differs from what their status alone implies:
// valid files this library refuses on purpose, with the reason it gives.
const std::map<std::string, Outcome>& CorpusExceptions() {
  static const std::map<std::string, Outcome> table = {
      // libUEMF's "one of each record type" files hold a StretchDIBits (and a
      // StretchDIB in the WMF) whose bitmap is a PNG, and one a JPEG.
      {"metafile/libuemf/test_libuemf_ref.emf", Fails(frUnsupportedFeature)},
      {"metafile/libuemf/test_libuemf_ref30.emf", Fails(frUnsupportedFeature)},
      {"metafile/libuemf/test_libuemf_ref.wmf", Fails(frUnsupportedFeature)},
  };
  return table;
}

void CheckCorpus(const std::string& prefix, const std::set<std::string>& extensions) {
  const auto entries = pixtest::CorpusEntries(prefix);
  if (entries.empty()) GTEST_SKIP() << "shared corpus not present";
  const std::string root = pixtest::SharedTestData();
  int loaded = 0, failed = 0;
  for (const pixtest::CorpusEntry& e : entries) {
    if (e.Status == pixtest::CorpusStatus::Reference) continue;
    std::string ext = fs::path(e.Path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (!extensions.count(ext)) continue;
    const std::string path = root + "/" + e.Path;
    ASSERT_TRUE(fs::exists(path)) << e.Path << " is listed but missing";
    Outcome actual;
    ASSERT_NO_THROW(actual = LoadFile(path)) << e.Path;
    (actual.Loaded ? loaded : failed)++;
    if (!actual.Loaded) {
      EXPECT_NE(actual.Reason, frNone) << e.Path << " failed without a reason";
    }
    auto known = CorpusExceptions().find(e.Path);
    if (known != CorpusExceptions().end()) {
      EXPECT_TRUE(Same(actual, known->second)) << e.Path << ": " << Describe(actual);
    } else if (e.Status == pixtest::CorpusStatus::Valid) {
      EXPECT_TRUE(actual.Loaded) << e.Path << " is valid but " << Describe(actual);
      EXPECT_EQ(actual.Damage, frNone) << e.Path << " is valid but " << Describe(actual);
    }
  }
  ::testing::Test::RecordProperty("loaded", loaded);
  ::testing::Test::RecordProperty("failed", failed);
}

}  // namespace

TEST_F(FileOutcomes, BmpCorpus) { CheckCorpus("bmp/", {".bmp", ".dib", ".rle"}); }
TEST_F(FileOutcomes, GifCorpus) { CheckCorpus("gif/", {".gif"}); }
TEST_F(FileOutcomes, JpegCorpus) { CheckCorpus("jpeg/", {".jpg", ".jpeg", ".jpe"}); }
TEST_F(FileOutcomes, CameraPhotos) { CheckCorpus("photos/", {".jpg"}); }
TEST_F(FileOutcomes, MetafileCorpus) { CheckCorpus("metafile/", {".wmf", ".emf"}); }
TEST_F(FileOutcomes, PngCorpus) { CheckCorpus("png/", {".png"}); }
TEST_F(FileOutcomes, TiffCorpus) { CheckCorpus("tiff/", {".tif", ".tiff"}); }
TEST_F(FileOutcomes, PnmCorpus) { CheckCorpus("pnm/", {".pbm", ".pgm", ".ppm", ".pnm", ".pxm"}); }
TEST_F(FileOutcomes, TgaCorpus) { CheckCorpus("tga/", {".tga"}); }
TEST_F(FileOutcomes, PcxCorpus) { CheckCorpus("pcx/", {".pcx"}); }
TEST_F(FileOutcomes, IcoCorpus) { CheckCorpus("ico/", {".ico", ".cur"}); }
