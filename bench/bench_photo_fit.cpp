// One photo's conversion with the default settings (240 x 320, left turn,
// quality 70), fitted while libjpeg decodes it against the whole-picture way
// (decode, bring upright, turn and fit): time per photo and the memory the
// conversion takes at its peak above what the process held before. The
// photos: the camera photos in ../shared/testdata/photos when present, else a
// 12-megapixel photo-like JPEG written here.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/logic/conversion_settings.h"
#include "app/logic/convert_one.h"
#include "io/pix_image.h"
#include "photo_like.h"

namespace fs = std::filesystem;
using namespace pix;

namespace {

struct TPhotos {
  fs::path Temp;
  std::vector<std::string> Files;

  TPhotos() {
    Temp = fs::temp_directory_path() / ("pixfold-bench-fit-" + std::to_string(::getpid()));
    fs::create_directories(Temp);
    const fs::path shared = fs::path(PIXFOLD_SHARED_TESTDATA) / "photos";
    std::error_code ec;
    if (fs::is_directory(shared, ec))
      for (const auto& entry : fs::directory_iterator(shared))
        if (entry.path().extension() == ".jpg") Files.push_back(entry.path().string());
    if (Files.empty()) {
      TPixImage image;
      CopyImage(pixbench::PhotoLike(), *image.CurrentBitmap());
      image.ParamRecord().JpegQuality = 92;
      Files.push_back((Temp / "photo.jpg").string());
      image.SaveAsJpeg(Files.back());
    }
    std::sort(Files.begin(), Files.end());
  }
  ~TPhotos() {
    std::error_code ec;
    fs::remove_all(Temp, ec);
  }
};

TPhotos& Photos() {
  static TPhotos photos;
  return photos;
}

// A field of /proc/self/status in KiB.
int64_t StatusKiB(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1));
  return 0;
}

void Convert(benchmark::State& state, bool whole) {
  TPhotos& photos = Photos();
  ForceWholePictureLoads(whole);
  ConversionSettings settings = EffectiveSettings(ConversionSettings{});
  const std::string out = (photos.Temp / "out.jpg").string();
  TPixImage image;
  // Resets the peak to what the process holds now (Linux 4.0 on).
  std::ofstream("/proc/self/clear_refs") << "5";
  const int64_t before = StatusKiB("VmRSS");
  for (auto _ : state)
    for (const std::string& file : photos.Files)
      benchmark::DoNotOptimize(ConvertOne(image, settings, file, out, TReplaceMode::UnlessReadOnly));
  ForceWholePictureLoads(false);
  const auto count = static_cast<double>(state.iterations() * static_cast<int64_t>(photos.Files.size()));
  state.counters["per_photo_ms"] = benchmark::Counter(count / 1000, benchmark::Counter::kIsRate |
                                                                         benchmark::Counter::kInvert);
  state.counters["peak_MiB"] = static_cast<double>(StatusKiB("VmHWM") - before) / 1024;
}

void BM_PhotoFittedWhileDecoding(benchmark::State& state) { Convert(state, false); }
void BM_PhotoWholePicture(benchmark::State& state) { Convert(state, true); }

BENCHMARK(BM_PhotoFittedWhileDecoding)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PhotoWholePicture)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
