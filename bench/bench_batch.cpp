// The cost of one small file: the pure conversion (ConvertOne) beside the same
// files through the run engine on one worker, the way pixfold-batch drives
// it. bench/album_bench.sh adds the executable's own figure (process start,
// scan, policy, report) on the same files.
//
// The album: the 16 x 16 JPEGs in $PIXFOLD_BENCH_SMALL_ALBUM when set, else
// 5000 written here by our own writer.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/logic/conversion_run.h"
#include "app/logic/conversion_settings.h"
#include "app/logic/convert_one.h"
#include "io/pix_image.h"
#include "io/pix_image_io.h"

namespace fs = std::filesystem;
using namespace pix;

namespace {

constexpr int kSmallFiles = 5000;

struct TSmallAlbum {
  fs::path Root;
  std::vector<TScanRow> Rows;
  bool Own = false;

  TSmallAlbum() {
    if (const char* given = std::getenv("PIXFOLD_BENCH_SMALL_ALBUM")) {
      Root = given;
    } else {
      Root = fs::temp_directory_path() / ("pixfold-bench-small-" + std::to_string(::getpid()));
      Own = true;
      fs::create_directories(Root / "album");
      TBitmap bmp;
      bmp.Allocate(16, 16, TPixelFormat::TrueColor);
      for (int i = 0; i < kSmallFiles; ++i) {
        for (int y = 0; y < 16; ++y)
          for (int x = 0; x < 16; ++x) {
            uint8_t* p = bmp.ScanLine(y) + x * 3;
            p[0] = static_cast<uint8_t>(i + x * 16);
            p[1] = static_cast<uint8_t>(y * 16);
            p[2] = static_cast<uint8_t>(i >> 4);
          }
        TPixImageIO io;
        io.SetBitmap(&bmp);
        io.SaveAsJpeg((Root / "album" / ("s" + std::to_string(10000 + i) + ".jpg")).string());
      }
    }
    ScanFolder((Root / "album").string(), "", TScanOptions{}, Rows);
  }
  ~TSmallAlbum() {
    std::error_code ec;
    if (Own) fs::remove_all(Root, ec);
  }
};

TSmallAlbum& Album() {
  static TSmallAlbum album;
  return album;
}

ConversionSettings Defaults(const fs::path& destination) {
  ConversionSettings s = EffectiveSettings(ConversionSettings{});
  s.Source = (Album().Root / "album").string();
  s.Destination = destination.string();
  return s;
}

// Every file once per pass into a fresh folder, so no save replaces a file.
void BM_ConvertOneSmall(benchmark::State& state) {
  TSmallAlbum& album = Album();
  TPixImage image;
  int pass = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path out = album.Root / ("pure" + std::to_string(pass++));
    fs::remove_all(out);
    fs::create_directories(out);
    const ConversionSettings s = Defaults(out);
    const std::vector<TRunItem> items = PlanRun(s, album.Rows);
    state.ResumeTiming();
    for (const TRunItem& item : items)
      benchmark::DoNotOptimize(ConvertOne(image, s, item.Source, item.Destination, TReplaceMode::NoFile));
    state.PauseTiming();
    fs::remove_all(out);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(album.Rows.size()));
  state.counters["per_file"] = benchmark::Counter(
      static_cast<double>(state.iterations() * static_cast<int64_t>(album.Rows.size())),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ConvertOneSmall)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same files through the engine: policy, leftover clean-up, one worker.
void BM_RunEngineSmall(benchmark::State& state) {
  TSmallAlbum& album = Album();
  int pass = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path out = album.Root / ("engine" + std::to_string(pass++));
    fs::remove_all(out);
    const ConversionSettings s = Defaults(out);
    TConversionRun::TOptions options;
    options.Settings = s;
    options.Existing = TExistingMode::Skip;
    options.Threads = 1;
    TConversionRun run(PlanRun(s, album.Rows), options, {});
    state.ResumeTiming();
    run.Run();
    state.PauseTiming();
    fs::remove_all(out);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(album.Rows.size()));
  state.counters["per_file"] = benchmark::Counter(
      static_cast<double>(state.iterations() * static_cast<int64_t>(album.Rows.size())),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RunEngineSmall)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
