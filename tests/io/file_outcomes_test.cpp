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

// The fuzz targets' own framing: the GIF and pipeline targets take a leading
// byte (the image index, or the type the pipeline loads).
Outcome ReplayFuzzInput(const std::string& target, const std::string& path) {
  const std::string bytes = pixtest::ReadFile(path);
  auto from = [&](size_t skip) {
    return TPixMemoryStream(bytes.data() + std::min(skip, bytes.size()),
                            static_cast<int64_t>(bytes.size() - std::min(skip, bytes.size())));
  };
  if (target == "fuzz_bmp") return Run([&](TPixImageIO& io) { auto s = from(0); io.LoadBmpFromStream(s); });
  if (target == "fuzz_jpeg") return Run([&](TPixImageIO& io) { auto s = from(0); io.LoadJpegFromStream(s); });
  if (target == "fuzz_gif")
    return Run([&](TPixImageIO& io) {
      io.ParamRecord().GifImageIndex = bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]) & 3;
      auto s = from(1);
      io.LoadGifFromStream(s);
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
      {"fuzz_gif/bad-lzw-interlaced.gif", Loads()},
      {"fuzz_gif/giant-frame.gif", Fails(frTruncated)},
      {"fuzz_gif/no-data.gif", Fails(frTruncated)},
      {"fuzz_jpeg/cut.jpg", Fails(frTruncated)},
      {"fuzz_jpeg/exif-bad-offsets.jpg", Fails(frTruncated)},
      {"fuzz_jpeg/iptc-huge-length.jpg", Fails(frCorruptData)},
      {"fuzz_jpeg/sof-giant.jpg", Fails(frTruncated)},
      {"fuzz_pipeline/bad-lzw-interlaced.gif", Loads()},
      {"fuzz_pipeline/cut.jpg", Fails(frTruncated)},
      {"fuzz_pipeline/exif-bad-offsets.jpg", Fails(frTruncated)},
      {"fuzz_pipeline/giant-frame.gif", Fails(frTruncated)},
      {"fuzz_pipeline/giant-header.bmp", Fails(frSizeTooLarge)},
      {"fuzz_pipeline/iptc-huge-length.jpg", Fails(frCorruptData)},
      {"fuzz_pipeline/no-data.gif", Fails(frTruncated)},
      {"fuzz_pipeline/sof-giant.jpg", Fails(frTruncated)},
      {"fuzz_pipeline/tall-bilevel-bmp-rotation-timeout.bmp", Loads(frTruncated)},
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
  static const std::map<std::string, Outcome> table = {};
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
