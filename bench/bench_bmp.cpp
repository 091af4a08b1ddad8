// BMP codec throughput on 12-megapixel images (4000 x 3000), in memory streams
// so the figures measure the codec rather than the disk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "codecs/bmp/bmp_codec.h"
#include "photo_like.h"

using namespace pix;
using namespace pixbench;

namespace {


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
