// Processing speed on photo-sized images: Mitchell shrink, quarter turn and
// grayscale, one thread; then the shrink on the plain and on the vector
// engine, and the conversion's turn and fit as separate calls and as one
// fused call, each on 1 and 2 threads. Each figure is reported in
// milliseconds per call (Time column: wall time; CPU column: this thread's
// CPU time; AllThreadsCPUms: the process's, helper threads included),
// megapixels per second of source image (MP/s) and the peak resident memory
// the call added (PeakExtraMB), measured by resetting the kernel's
// high-water mark before the call.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/grayscale.h"
#include "imaging/imaging_threads.h"
#include "imaging/pix_image_proc.h"
#include "imaging/resample_passes.h"
#include "imaging/rotate.h"

namespace {

using namespace pix;

// Resident set and its high-water mark in kB, from /proc/self/status.
long StatusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0) return std::stol(line.substr(n + 1));
  return -1;
}

// Writing 5 to clear_refs resets VmHWM to the current resident size.
void ResetPeak() {
  if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    std::fputs("5", f);
    std::fclose(f);
  }
}

// A photo-like test card: smooth gradients with noise, so nothing is uniform.
void MakePhoto(TBitmap& bmp, int32_t w, int32_t h) {
  bmp.Allocate(w, h, TPixelFormat::TrueColor);
  std::mt19937 rng(42);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t noise = rng();
      row[3 * x] = static_cast<uint8_t>(x * 255 / w + (noise & 15));
      row[3 * x + 1] = static_cast<uint8_t>(y * 255 / h + (noise >> 8 & 15));
      row[3 * x + 2] = static_cast<uint8_t>((x + y) * 127 / (w + h) + (noise >> 16 & 31));
    }
  }
}

struct PeakMeter {
  long baseKb = 0;
  long peakKb = 0;
  void Begin() {
    ResetPeak();
    baseKb = StatusKb("VmRSS:");
  }
  void End() { peakKb = std::max(peakKb, StatusKb("VmHWM:") - baseKb); }
};

void Report(benchmark::State& state, int64_t pixels, const PeakMeter& meter) {
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) * state.iterations() / 1e6,
                                              benchmark::Counter::kIsRate);
  state.counters["PeakExtraMB"] = static_cast<double>(meter.peakKb) / 1024.0;
}

// Args: source width, height, destination width, destination height (-1 keeps
// the aspect), AutoUndo.
void BM_MitchellShrink(benchmark::State& state) {
  const auto w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  TBitmap source, image;
  MakePhoto(source, w, h);
  TPixImageProc proc;
  proc.SetBitmap(&image);
  proc.AutoUndo = state.range(4) != 0;
  PeakMeter meter;
  for (auto _ : state) {
    state.PauseTiming();
    CopyImage(source, image);
    proc.ClearUndoSnapshot();
    meter.Begin();
    state.ResumeTiming();
    proc.ResampleToSize(static_cast<int32_t>(state.range(2)), static_cast<int32_t>(state.range(3)), rfMitchell);
    benchmark::DoNotOptimize(image.Bits());
    state.PauseTiming();
    meter.End();
    state.ResumeTiming();
  }
  Report(state, int64_t{w} * h, meter);
}

// Runs one processing operation per iteration on a photo, with AutoUndo from
// the third argument, measuring the peak memory each call adds.
template <typename Operation>
void RunOperation(benchmark::State& state, Operation operation) {
  const auto w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  TBitmap image;
  MakePhoto(image, w, h);
  TPixImageProc proc;
  proc.SetBitmap(&image);
  proc.AutoUndo = state.range(2) != 0;
  PeakMeter meter;
  for (auto _ : state) {
    state.PauseTiming();
    meter.Begin();
    state.ResumeTiming();
    operation(proc);
    benchmark::DoNotOptimize(image.Bits());
    state.PauseTiming();
    meter.End();
    state.ResumeTiming();
  }
  Report(state, int64_t{w} * h, meter);
}

// Args: width, height, AutoUndo. Each call turns the image left once more.
void BM_QuarterTurn(benchmark::State& state) {
  RunOperation(state, [](TPixImageProc& proc) { proc.RotateByDegrees(90, false); });
}

// The pixel loop alone: one quarter turn into a bitmap that already exists.
void BM_QuarterTurnLeftOnly(benchmark::State& state) {
  const auto w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  TBitmap image, turned;
  MakePhoto(image, w, h);
  QuarterTurnLeft(image, turned);
  for (auto _ : state) {
    QuarterTurnLeft(image, turned);
    benchmark::DoNotOptimize(turned.Bits());
  }
  PeakMeter none;
  Report(state, int64_t{w} * h, none);
}

// Args: width, height, AutoUndo. Gray is applied over and over; the work per
// call is the same.
void BM_Grayscale(benchmark::State& state) {
  RunOperation(state, [](TPixImageProc& proc) { proc.ApplyGrayscale(); });
}

// CPU seconds of the whole process, helper threads included.
double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Process-wide engine and thread count for one benchmark, put back after it.
struct EngineSetting {
  bool savedPlain = PlainResamplingForced();
  int savedThreads = ImagingThreads();
  EngineSetting(bool plain, int threads) {
    ForcePlainResampling(plain);
    SetImagingThreads(threads);
  }
  ~EngineSetting() {
    ForcePlainResampling(savedPlain);
    SetImagingThreads(savedThreads);
  }
};

// Args: plain engine (1) or vector engine (0), threads. 4000 x 3000 to
// 240 x 180 with AutoUndo, as the conversion without a turn does it.
void BM_ShrinkEngine(benchmark::State& state) {
  if (state.range(0) == 0 && !FmaResamplingSupported()) {
    state.SkipWithError("no AVX2 and FMA on this CPU");
    return;
  }
  const EngineSetting setting(state.range(0) != 0, static_cast<int>(state.range(1)));
  TBitmap source, image;
  MakePhoto(source, 4000, 3000);
  TPixImageProc proc;
  proc.SetBitmap(&image);
  PeakMeter meter;
  double cpu = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CopyImage(source, image);
    meter.Begin();
    const double before = ProcessCpuSeconds();
    state.ResumeTiming();
    proc.ResampleToSize(240, -1, rfMitchell);
    benchmark::DoNotOptimize(image.Bits());
    state.PauseTiming();
    cpu += ProcessCpuSeconds() - before;
    meter.End();
    state.ResumeTiming();
  }
  Report(state, int64_t{4000} * 3000, meter);
  state.counters["AllThreadsCPUms"] = cpu * 1e3 / static_cast<double>(state.iterations());
}

// Args: fused (1) or separate calls (0), threads. A 4000 x 3000 photo turned
// left and fitted into 240 x 320 with AutoUndo on the vector engine where
// there is one, as the conversion with its default settings does it.
void BM_TurnAndFit(benchmark::State& state) {
  const EngineSetting setting(false, static_cast<int>(state.range(1)));
  const bool fused = state.range(0) != 0;
  TBitmap source, image;
  MakePhoto(source, 4000, 3000);
  TPixImageProc proc;
  proc.SetBitmap(&image);
  PeakMeter meter;
  double cpu = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CopyImage(source, image);
    meter.Begin();
    const double before = ProcessCpuSeconds();
    state.ResumeTiming();
    if (fused) {
      proc.TurnAndFit(90, 240, 320, rfMitchell);
    } else {
      proc.RotateByDegrees(90, false);
      if (image.Width() > 240) proc.ResampleToSize(240, -1, rfMitchell);
      if (image.Height() > 320) proc.ResampleToSize(-1, 320, rfMitchell);
    }
    benchmark::DoNotOptimize(image.Bits());
    state.PauseTiming();
    cpu += ProcessCpuSeconds() - before;
    meter.End();
    state.ResumeTiming();
  }
  Report(state, int64_t{4000} * 3000, meter);
  state.counters["AllThreadsCPUms"] = cpu * 1e3 / static_cast<double>(state.iterations());
}

BENCHMARK(BM_MitchellShrink)
    ->Args({4000, 3000, 240, -1, 0})
    ->Args({4000, 3000, 240, 320, 0})
    ->Args({4000, 3000, 240, -1, 1})
    ->Args({1600, 1200, 240, -1, 0})
    ->Args({1600, 1200, 240, -1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarterTurn)->Args({4000, 3000, 0})->Args({4000, 3000, 1})->Args({1600, 1200, 0})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuarterTurnLeftOnly)->Args({4000, 3000})->Args({1600, 1200})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShrinkEngine)
    ->ArgNames({"plain", "threads"})
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 2})
    ->Args({0, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_TurnAndFit)
    ->ArgNames({"fused", "threads"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 2})
    ->Args({1, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Grayscale)->Args({4000, 3000, 0})->Args({4000, 3000, 1})->Args({1600, 1200, 0})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
