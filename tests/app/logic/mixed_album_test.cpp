// A source folder of every type the library reads, made by our own writers,
// converted through the real run as JPEG and in the original types.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

#include "app/album_fixtures.h"
#include "app/logic/conversion_run.h"
#include "app/logic/paths.h"
#include "codecs/heif/heif_codec.h"
#include "imaging/imaging_threads.h"
#include "io/pix_image.h"

using namespace pix;
namespace fs = std::filesystem;

namespace {

constexpr int32_t kWidth = 40, kHeight = 30;

struct TSourceFile {
  std::string Name;
  TPixFileType OriginalOutput;  // what "save as original" writes
  std::string OriginalExtension;
  bool Lossless = false;        // WebP only
};

// Writes name by its extension from a picture whose left half is clear over
// black where transparent is set.
void WriteSource(const std::string& path, bool transparent, bool lossless) {
  TPixImage image;
  albumtest::PaintOrientationPattern(*image.CurrentBitmap(), kWidth, kHeight);
  TPixMask& alpha = *image.AlphaPlane();
  alpha.Allocate(kWidth, kHeight, 8);
  alpha.Fill(255);
  if (transparent)
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth / 2; ++x) {
        alpha.SetPixel(x, y, 0);
        std::fill_n(image.CurrentBitmap()->ScanLine(y) + 3 * x, 3, uint8_t{0});
      }
  image.ParamRecord().JpegQuality = 90;
  image.ParamRecord().WebpLossless = lossless;
  image.SaveToFile(path);
  ASSERT_FALSE(image.AbortFlag()) << path << ": " << FailureText(image.IO().FailureReason());
}

std::vector<TSourceFile> Sources() {
  std::vector<TSourceFile> s = {
      {"photo.jpg", ftJPEG, "jpg"},      {"anim.gif", ftGIF, "gif"},       {"paint.bmp", ftBMP, "bmp"},
      {"clear.png", ftPNG, "png"},       {"scan.tif", ftTIFF, "tif"},      {"net.ppm", ftPXM, "ppm"},
      {"targa.tga", ftTGA, "tga"},       {"brush.pcx", ftPCX, "pcx"},      {"app.ico", ftPNG, "png"},
      {"hand.cur", ftPNG, "png"},        {"chart.wmf", ftPNG, "png"},      {"plan.emf", ftPNG, "png"},
      {"lossy.webp", ftWEBP, "webp"},    {"exact.webp", ftWEBP, "webp", true},
  };
  if (CanWriteHeic()) s.push_back({"phone.heic", ftHEIF, "heic"});
  if (CanWriteAvif()) s.push_back({"web.avif", ftAVIF, "avif"});
  return s;
}

class MixedAlbum : public ::testing::Test {
protected:
  MixedAlbum() {
    InstallGifLzwCoders();
    fs::create_directories(dir.Path() / "in");
    for (const TSourceFile& s : Sources()) WriteSource((dir.Path() / "in" / s.Name).string(), s.Name == "clear.png",
                                                       s.Lossless);
    settings.Source = (dir.Path() / "in").string();
    settings.MaxWidth = 20;
    settings.MaxHeight = 20;
    settings.Rotation = kRotationNone;
  }

  // The real run over the scanned folder; the results by source name.
  std::map<std::string, TRowResult> Convert(bool asJpeg) {
    settings.ConvertToJPG = asJpeg;
    settings.Destination = (dir.Path() / (asJpeg ? "jpeg" : "original")).string();
    std::vector<TScanRow> rows;
    ScanFolder(settings.Source, "", ScanOptionsOf(settings), rows);
    TConversionRun::TOptions options;
    options.Settings = settings;
    options.Existing = TExistingMode::Replace;
    options.Threads = 2;
    TConversionRun run(PlanRun(settings, rows), options, {});
    run.Run();
    std::map<std::string, TRowResult> byName;
    for (const TRowResult& r : run.Results()) byName[fs::path(r.Source).filename().string()] = r;
    return byName;
  }

  pixtest::TempDir dir;
  ConversionSettings settings;
};

// The file loaded by the reader its extension names, into image.
TPixFileType ReadBack(const std::string& path, TPixImage& image) {
  image.LoadFromFile(path);
  if (image.AbortFlag()) return ftUnknown;
  return static_cast<TPixFileType>(image.ParamRecord().FileType);
}

}  // namespace

TEST_F(MixedAlbum, EveryTypeConvertsToJpegAndToItsOriginalType) {
  for (const bool asJpeg : {true, false}) {
    SCOPED_TRACE(asJpeg ? "as JPEG" : "as original");
    const auto results = Convert(asJpeg);
    ASSERT_EQ(results.size(), Sources().size());
    for (const TSourceFile& s : Sources()) {
      SCOPED_TRACE(s.Name);
      const TRowResult& r = results.at(s.Name);
      ASSERT_EQ(r.State, TRowState::Converted) << FailureText(r.Reason);
      EXPECT_EQ(r.Reason, frNone);
      const std::string extension = asJpeg ? "jpg" : s.OriginalExtension;
      EXPECT_EQ(r.Destination, settings.Destination + "/" + PathWithoutExtension(s.Name) + "." + extension);
      TPixImage back;
      ASSERT_EQ(ReadBack(r.Destination, back), asJpeg ? ftJPEG : s.OriginalOutput);
      EXPECT_EQ(back.CurrentBitmap()->Width(), 20);
      EXPECT_EQ(back.CurrentBitmap()->Height(), 15);
      if (s.OriginalOutput == ftWEBP && !asJpeg) {
        EXPECT_EQ(back.ParamRecord().WebpLossless, s.Lossless);
      }
      if (s.Name != "clear.png") continue;
      // The clear half: over white in the JPEG, still clear in the PNG.
      const uint8_t* p = back.CurrentBitmap()->ScanLine(7) + 3 * 2;
      if (asJpeg) {
        EXPECT_GT(std::min({p[0], p[1], p[2]}), 235);
      } else {
        EXPECT_EQ(back.AlphaPlane()->GetPixel(2, 7), 0);
        EXPECT_EQ(back.AlphaPlane()->GetPixel(17, 7), 255);
      }
    }
  }
}

// Threads bounds every thread of a run, the resampling inside a picture
// included; threads no file needs go to the resampling.
TEST(RunThreads, TheRunUsesAtMostItsThreadsAndIdleOnesHelpInsideAPicture) {
  pixtest::TempDir dir;
  const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  struct TCase {
    int Threads, Files, Workers, Imaging;
  };
  for (const TCase c : {TCase{1, 3, 1, 1}, TCase{0, 1, 1, cores}, TCase{0, 5, std::min(cores, 5), 1},
                        TCase{2, 1, 1, std::min(2, cores)}}) {
    SCOPED_TRACE(testing::Message() << "Threads " << c.Threads << ", files " << c.Files);
    std::vector<TRunItem> items;
    for (int i = 0; i < c.Files; ++i)
      items.push_back({"", "f", "/nonexistent/f", (dir.Path() / ("out" + std::to_string(i))).string()});
    std::mutex mutex;
    std::vector<int> imaging;
    TConversionRun::TOptions options;
    options.Threads = c.Threads;
    options.Convert = [&](TPixImage&, const ConversionSettings&, const std::string&, const std::string& destination,
                          TReplaceMode) {
      std::lock_guard<std::mutex> lock(mutex);
      imaging.push_back(ImagingThreads());
      TConvertOutcome outcome;
      outcome.Written = true;
      outcome.WrittenPath = destination;
      return outcome;
    };
    const int before = ImagingThreads();
    TConversionRun run(items, options, {});
    EXPECT_EQ(run.Workers(), c.Workers);
    run.Run();
    EXPECT_EQ(imaging, std::vector<int>(static_cast<size_t>(c.Files), c.Imaging));
    EXPECT_EQ(ImagingThreads(), before);
  }
}
