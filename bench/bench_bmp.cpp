// BMP codec throughput on 12-megapixel images (4000 x 3000), in memory streams
// so the figures measure the codec rather than the disk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "codecs/bmp/bmp_codec.h"

using namespace pix;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth gradients with a little noise: enough colours to exercise the
// quantizer, enough local structure for RLE to find runs after quantizing.
const TBitmap& PhotoLike() {
  static const std::unique_ptr<TBitmap> image = [] {
    auto b = std::make_unique<TBitmap>(kWidth, kHeight, TPixelFormat::TrueColor);
    std::mt19937 rng(1);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = b->ScanLine(y);
      for (int x = 0; x < kWidth; ++x) {
        const double u = x / double(kWidth), v = y / double(kHeight);
        const int noise = static_cast<int>(rng() % 9) - 4;
        row[3 * x] = static_cast<uint8_t>(std::clamp(int(255 * v * v) + noise, 0, 255));
        row[3 * x + 1] = static_cast<uint8_t>(std::clamp(int(128 + 120 * std::sin(6 * u + 3 * v)) + noise, 0, 255));
        row[3 * x + 2] = static_cast<uint8_t>(std::clamp(int(255 * u) + noise, 0, 255));
      }
    }
    return b;
  }();
  return *image;
}

struct TRun {
  bool aborted = false;
  TProgressRecord progress;
  TIOParams params;
  TRun() { progress.Aborting = &aborted; }
};

std::vector<uint8_t> Encode(int bits, int samples, uint8_t compression) {
  TRun run;
  run.params.BitsPerSample = bits;
  run.params.SamplesPerPixel = samples;
  run.params.BmpCompression = compression;
  TBitmap image;
  CopyImage(PhotoLike(), image);
  TPixMemoryStream out;
  WriteBmpStream(out, image, run.params, run.progress);
  return out.Bytes();
}

void Write(benchmark::State& state, int bits, int samples, uint8_t compression) {
  TBitmap image;
  CopyImage(PhotoLike(), image);
  for (auto _ : state) {
    TRun run;
    run.params.BitsPerSample = bits;
    run.params.SamplesPerPixel = samples;
    run.params.BmpCompression = compression;
    TPixMemoryStream out;
    WriteBmpStream(out, image, run.params, run.progress);
    benchmark::DoNotOptimize(out.Bytes().data());
  }
}

void Read(benchmark::State& state, const std::vector<uint8_t>& file) {
  TPixMemoryStream in(file);
  for (auto _ : state) {
    TRun run;
    in.Seek(0, TSeekOrigin::soBeginning);
    TBitmap image;
    ReadBmpStream(in, image, static_cast<int64_t>(file.size()), false, run.progress, run.params);
    benchmark::DoNotOptimize(image.Bits());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}

// The floor for reading 24 bits: the file's bytes copied into a fresh block,
// as the reader must fill a newly allocated image.
void BM_CopyFileBytes24(benchmark::State& state) {
  static const auto file = Encode(8, 3, 0);
  for (auto _ : state) {
    TBitmap dest(kWidth, kHeight, TPixelFormat::TrueColor);
    std::memcpy(dest.Bits(), file.data() + 54, static_cast<size_t>(dest.ByteSize()));
    benchmark::DoNotOptimize(dest.Bits());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}

void BM_Read24(benchmark::State& state) {
  static const auto file = Encode(8, 3, 0);
  Read(state, file);
}

void BM_ReadRle8(benchmark::State& state) {
  static const auto file = Encode(8, 1, 1);
  Read(state, file);
}

void BM_Write24(benchmark::State& state) { Write(state, 8, 3, 0); }
void BM_WriteRle8(benchmark::State& state) { Write(state, 8, 1, 1); }
void BM_WriteQuantized8(benchmark::State& state) { Write(state, 8, 1, 0); }

}  // namespace

BENCHMARK(BM_CopyFileBytes24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteQuantized8)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
