// Thumbnails of camera photos (the shared test photos and generated 12 MP
// ones): one photo at a time through LoadFittedPicture (the JPEG codec's
// scaled decode, then our Mitchell shrink), the same without the scaled
// decode, and libjpeg-turbo alone decoding at the same scale as the
// reference floor; then the album's worker pool making the thumbnails of a
// 5,000-photo album screen by screen, as a grid scrolled to its end asks for
// them, with the process's resident memory before and after and the
// processor time the workers spent per photo (the machine may be shared).
// Photos absent: the generated ones still run.
#include <benchmark/benchmark.h>

#include <jpeglib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "app/logic/fitted_picture.h"
#include "app/logic/thumbnail_album.h"
#include "io/pix_image.h"

namespace {

using namespace pix;
namespace fs = std::filesystem;

constexpr int32_t kBox = 96;
constexpr int kAlbumSize = 5000;
constexpr int kScreen = 24;  // thumbnails on the screen at once

std::vector<std::string> SharedPhotos() {
  std::vector<std::string> paths;
  const fs::path folder = fs::path(PIXFOLD_SHARED_TESTDATA) / "photos";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.path().extension() == ".jpg") paths.push_back(entry.path().string());
  std::sort(paths.begin(), paths.end());
  return paths;
}

// 4000 x 3000 photo-like JPEGs at quality 92 from our writer: smooth colour
// fields with grain, made once per run in the temp folder.
const std::vector<std::string>& GeneratedPhotos() {
  static const std::vector<std::string> paths = [] {
    std::vector<std::string> made;
    const fs::path folder = fs::temp_directory_path() / "pixfold-bench-thumbnails";
    fs::create_directories(folder);
    std::mt19937 rng(7);
    for (int i = 0; i < 3; ++i) {
      const std::string path = (folder / ("generated_" + std::to_string(i) + ".jpg")).string();
      made.push_back(path);
      if (fs::exists(path)) continue;
      TBitmap bmp(4000, 3000);
      std::uniform_int_distribution<int> grain(-12, 12);
      for (int32_t y = 0; y < 3000; ++y) {
        uint8_t* row = bmp.ScanLine(y);
        for (int32_t x = 0; x < 4000; ++x) {
          const int base[3] = {(x * 255 / 4000 + i * 60) % 256, (y * 255 / 3000 + 40) % 256, ((x + y) / 30 + i * 20) % 256};
          for (int c = 0; c < 3; ++c) row[x * 3 + c] = static_cast<uint8_t>(std::clamp(base[c] + grain(rng), 0, 255));
        }
      }
      TPixImageIO io;
      io.SetBitmap(&bmp);
      io.ParamRecord().JpegQuality = 92;
      io.SaveAsJpeg(path);
    }
    return made;
  }();
  return paths;
}

std::vector<std::string> AllPhotos() {
  std::vector<std::string> paths = SharedPhotos();
  for (const std::string& p : GeneratedPhotos()) paths.push_back(p);
  return paths;
}

void BM_ThumbnailScaledDecode(benchmark::State& state) {
  const std::vector<std::string> photos = AllPhotos();
  TPixImage image;
  TBitmap thumbnail;
  size_t i = 0;
  for (auto _ : state) {
    if (LoadFittedPicture(image, photos[i++ % photos.size()], kBox, kBox, false, thumbnail) != frNone)
      state.SkipWithError("a photo did not load");
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["photos"] = static_cast<double>(photos.size());
}

void BM_ThumbnailFullDecode(benchmark::State& state) {
  const std::vector<std::string> photos = AllPhotos();
  TPixImage image;
  image.SetAutoUndo(false);
  size_t i = 0;
  for (auto _ : state) {
    image.ParamRecord().JpegScale = jsFullSize;
    image.LoadFromFile(photos[i++ % photos.size()]);
    const TBitmap& b = *image.CurrentBitmap();
    if (b.Width() >= b.Height())
      image.ResampleToSize(kBox, -1, rfMitchell);
    else
      image.ResampleToSize(-1, kBox, rfMitchell);
  }
  state.SetItemsProcessed(state.iterations());
}

struct TDirectError {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
};
void DirectErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<TDirectError*>(cinfo->err)->Jump, 1); }

// libjpeg-turbo alone: the file read into memory and decoded at the scale the
// codec picks for the box (the largest of 1/8, 1/4, 1/2 still covering it),
// to blue-green-red rows; no resampling.
void BM_ReferenceLibjpegScaledDecode(benchmark::State& state) {
  const std::vector<std::string> photos = AllPhotos();
  size_t i = 0;
  std::vector<uint8_t> pixels;
  for (auto _ : state) {
    const std::string& path = photos[i++ % photos.size()];
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    jpeg_decompress_struct info{};
    TDirectError err{};
    info.err = jpeg_std_error(&err.Pub);
    err.Pub.error_exit = DirectErrorExit;
    if (setjmp(err.Jump) == 0) {
      jpeg_create_decompress(&info);
      jpeg_mem_src(&info, file.data(), file.size());
      jpeg_read_header(&info, TRUE);
      info.out_color_space = JCS_EXT_BGR;
      info.scale_num = 1;
      info.scale_denom = 1;
      for (unsigned n = 3; n >= 1; --n)
        if ((info.image_width >> n) >= static_cast<unsigned>(kBox) && (info.image_height >> n) >= static_cast<unsigned>(kBox)) {
          info.scale_denom = 1u << n;
          break;
        }
      jpeg_start_decompress(&info);
      const size_t stride = (info.output_width * 3 + 3) & ~size_t{3};
      pixels.assign(stride * info.output_height, 0);
      while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + (info.output_height - 1 - info.output_scanline) * stride;
        jpeg_read_scanlines(&info, &row, 1);
      }
      jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
  }
  state.SetItemsProcessed(state.iterations());
}

// Processor time of the whole process (every thread), in seconds.
double ProcessSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  return 0;
}

// A 5,000-photo album (links to the photos, each under its own name) shown
// a screen at a time from the top to the end, each screen waited for before
// the next; the pool has two workers, the memory bound is the window's.
void BM_AlbumScrolledToTheEnd(benchmark::State& state) {
  const std::vector<std::string> photos = AllPhotos();
  const fs::path folder = fs::temp_directory_path() / "pixfold-bench-album-5000";
  fs::create_directories(folder);
  std::vector<std::string> album;
  for (int i = 0; i < kAlbumSize; ++i) {
    const fs::path link = folder / ("photo_" + std::to_string(i) + ".jpg");
    if (!fs::exists(link)) fs::create_symlink(photos[static_cast<size_t>(i) % photos.size()], link);
    album.push_back(link.string());
  }
  const long before = ResidentKiB("VmRSS:");
  const double cpuBefore = ProcessSeconds();
  for (auto _ : state) {
    std::mutex mutex;
    std::condition_variable done;
    int ready = 0;
    TThumbnailAlbum pool({.Box = kBox, .Workers = 2, .MemoryBytes = int64_t{48} << 20},
                         [&](uint64_t, int) {
                           std::lock_guard<std::mutex> lock(mutex);
                           ++ready;
                           done.notify_one();
                         });
    pool.SetFiles(album);
    for (int first = 0; first < kAlbumSize; first += kScreen) {
      const int last = std::min(first + kScreen, kAlbumSize) - 1;
      pool.SetVisibleRange(first, last);
      for (int i = first; i <= last; ++i) pool.Request(i);
      std::unique_lock<std::mutex> lock(mutex);
      done.wait(lock, [&] { return ready == last + 1; });
    }
    const TThumbnailAlbum::TStats stats = pool.Stats();
    state.counters["held_MiB"] = static_cast<double>(stats.MemoryBytes) / (1 << 20);
    state.counters["held"] = stats.InMemory;
    state.counters["evicted"] = static_cast<double>(stats.Evicted);
    state.counters["rss_after_MiB"] = static_cast<double>(ResidentKiB("VmRSS:")) / 1024;
  }
  // What the two workers cost per photo in processor time: on an idle
  // machine the pool makes about 2000 / this many thumbnails a second.
  state.counters["cpu_ms_per_photo"] =
      (ProcessSeconds() - cpuBefore) * 1000 / static_cast<double>(state.iterations() * kAlbumSize);
  state.counters["rss_before_MiB"] = static_cast<double>(before) / 1024;
  state.counters["rss_peak_MiB"] = static_cast<double>(ResidentKiB("VmHWM:")) / 1024;
  state.SetItemsProcessed(state.iterations() * kAlbumSize);
}

}  // namespace

BENCHMARK(BM_ThumbnailScaledDecode)->Unit(benchmark::kMillisecond)->Iterations(36);
BENCHMARK(BM_ThumbnailFullDecode)->Unit(benchmark::kMillisecond)->Iterations(18);
BENCHMARK(BM_ReferenceLibjpegScaledDecode)->Unit(benchmark::kMillisecond)->Iterations(36);
BENCHMARK(BM_AlbumScrolledToTheEnd)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

BENCHMARK_MAIN();
