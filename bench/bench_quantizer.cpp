// Palette reduction and two-colour conversions on a 12-megapixel photo-like image.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "codecs/palette/bilevel.h"
#include "codecs/palette/quantizer.h"

using namespace pix;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth sky-to-ground gradients, a few soft blobs and sensor-like noise:
// many distinct colours that cluster the way a photo's do.
const TBitmap& Photo() {
  static const std::unique_ptr<TBitmap> photo = [] {
    auto image = std::make_unique<TBitmap>(kWidth, kHeight, TPixelFormat::TrueColor);
    std::mt19937 rng(2004);
    std::normal_distribution<float> noise(0.0f, 4.0f);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* p = image->ScanLine(y);
      const float v = static_cast<float>(y) / kHeight;
      for (int x = 0; x < kWidth; ++x, p += 3) {
        const float u = static_cast<float>(x) / kWidth;
        const float blob = std::exp(-((u - 0.3f) * (u - 0.3f) + (v - 0.6f) * (v - 0.6f)) * 20.0f);
        const float sky = 1.0f - v;
        auto clamp = [](float c) { return static_cast<uint8_t>(std::fmin(255.0f, std::fmax(0.0f, c))); };
        p[0] = clamp(60 + 170 * sky + 30 * std::sin(u * 9.0f) + noise(rng));
        p[1] = clamp(80 + 90 * sky + 120 * blob + noise(rng));
        p[2] = clamp(40 + 60 * v + 150 * blob + 20 * std::cos(u * 5.0f + v * 7.0f) + noise(rng));
      }
    }
    return image;
  }();
  return *photo;
}

// Constructs the quantizer and maps every pixel, as the palette writers do.
void QuantizeAndMap(benchmark::State& state, int colors) {
  const TBitmap& photo = Photo();
  std::vector<TRGB> map(256);
  std::vector<uint8_t> indices(static_cast<size_t>(kWidth) * kHeight);
  for (auto _ : state) {
    TPixQuantizer q(photo, map.data(), 256, colors);
    uint8_t* out = indices.data();
    for (int y = 0; y < kHeight; ++y) {
      const uint8_t* p = photo.ScanLine(y);
      for (int x = 0; x < kWidth; ++x, p += 3) *out++ = static_cast<uint8_t>(q.IndexOfColor(TRGB{p[0], p[1], p[2]}));
    }
    benchmark::DoNotOptimize(indices.data());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_BoxSplit16(benchmark::State& state) { QuantizeAndMap(state, 16); }
void BM_NeuQuant256(benchmark::State& state) { QuantizeAndMap(state, 256); }

void BM_DitherBilevel(benchmark::State& state) {
  TBitmap work;
  for (auto _ : state) {
    state.PauseTiming();
    CopyImage(Photo(), work);
    state.ResumeTiming();
    DitherBilevel(work);
    benchmark::DoNotOptimize(work.Bits());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_ExpandBilevel(benchmark::State& state) {
  TBitmap bilevel;
  CopyImage(Photo(), bilevel);
  DitherBilevel(bilevel);
  TBitmap expanded;
  for (auto _ : state) {
    ExpandBilevel(bilevel, expanded);
    benchmark::DoNotOptimize(expanded.Bits());
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

}  // namespace

BENCHMARK(BM_BoxSplit16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeuQuant256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DitherBilevel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpandBilevel)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
