// GIF throughput on a 2000 x 1500 8-bit image: the LZW coders alone and the
// whole codec (palette reduction and pixel conversion included).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "codecs/gif/gif_codec.h"
#include "platform/gif_lzw_decoder.h"
#include "platform/gif_lzw_encoder.h"

using namespace pix;

namespace {

constexpr int32_t kWidth = 2000;
constexpr int32_t kHeight = 1500;

// Photograph-like content: smooth gradients with a little sensor noise.
void FillPhoto(TBitmap& image) {
  image.Allocate(kWidth, kHeight, TPixelFormat::TrueColor);
  std::mt19937 rng(42);
  for (int32_t y = 0; y < kHeight; ++y) {
    uint8_t* row = image.ScanLine(y);
    for (int32_t x = 0; x < kWidth; ++x) {
      int noise = static_cast<int>(rng() % 7) - 3;
      row[3 * x] = static_cast<uint8_t>(std::clamp(x * 255 / kWidth + noise, 0, 255));
      row[3 * x + 1] = static_cast<uint8_t>(std::clamp(y * 255 / kHeight + noise, 0, 255));
      row[3 * x + 2] = static_cast<uint8_t>(std::clamp(((x + y) / 7) % 256 + noise, 0, 255));
    }
  }
}

// The same picture as 8-bit indices: 256 levels along the gradients.
std::vector<uint8_t> PhotoIndices() {
  std::vector<uint8_t> indices(static_cast<size_t>(kWidth) * kHeight);
  std::mt19937 rng(42);
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x)
      indices[static_cast<size_t>(y) * kWidth + x] =
          static_cast<uint8_t>(((x * 16 / kWidth) << 4) | ((y * 16 / kHeight + (rng() % 3 == 0)) & 15));
  return indices;
}

struct Params : TIOParams {
  Params() {
    GifLzwDecode = &pix::GifLzwDecode;
    GifLzwEncode = &pix::GifLzwEncode;
  }
};

void BM_GifLzwEncode(benchmark::State& state) {
  const auto indices = PhotoIndices();
  for (auto _ : state) {
    TPixMemoryStream out;
    GifLzwEncode(out, kHeight, kWidth, false, indices.data(), 8);
    benchmark::DoNotOptimize(out.Bytes().data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_GifLzwEncode)->Unit(benchmark::kMillisecond);

void BM_GifLzwDecode(benchmark::State& state) {
  const auto indices = PhotoIndices();
  TPixMemoryStream encoded;
  GifLzwEncode(encoded, kHeight, kWidth, state.range(0) != 0, indices.data(), 8);
  std::vector<uint8_t> out(indices.size());
  for (auto _ : state) {
    encoded.Seek(0, TSeekOrigin::soBeginning);
    GifLzwDecode(encoded, kHeight, kWidth, state.range(0) != 0, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_GifLzwDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GifWrite8Bit(benchmark::State& state) {
  TBitmap image;
  FillPhoto(image);
  Params params;
  for (auto _ : state) {
    bool aborted = false;
    TProgressRecord progress;
    progress.Aborting = &aborted;
    TPixMemoryStream out;
    WriteGifStream(out, image, params, progress);
    benchmark::DoNotOptimize(out.Bytes().data());
  }
}
BENCHMARK(BM_GifWrite8Bit)->Unit(benchmark::kMillisecond);

void BM_GifRead8Bit(benchmark::State& state) {
  TBitmap image;
  FillPhoto(image);
  Params params;
  bool aborted = false;
  TProgressRecord progress;
  progress.Aborting = &aborted;
  TPixMemoryStream file;
  WriteGifStream(file, image, params, progress);
  for (auto _ : state) {
    TBitmap loaded;
    int count = 0;
    file.Seek(0, TSeekOrigin::soBeginning);
    ReadGifStream(file, loaded, count, nullptr, false, progress, params);
    benchmark::DoNotOptimize(loaded.Bits());
  }
}
BENCHMARK(BM_GifRead8Bit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
