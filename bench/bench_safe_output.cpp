// What the safe writes cost per output file: a 25 KB output (a converted
// photo's size) written straight into its name, the way a plain truncating
// write does it, beside the same bytes through a temporary name that is
// renamed into place (fresh name) or synced and renamed over an existing file.
// The files go into PIXFOLD_BENCH_DIR (default: the current folder), which
// should be on the disk an album is converted to: on tmpfs a sync costs nothing.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/logic/safe_output.h"

namespace fs = std::filesystem;
using namespace pix;

namespace {

const std::vector<char> kOutput(25 * 1024, 'x');

fs::path BenchFolder() {
  const char* dir = std::getenv("PIXFOLD_BENCH_DIR");
  fs::path folder = fs::path(dir ? dir : ".") / "pixfold-safe-output-bench";
  fs::create_directories(folder);
  return folder;
}

bool WriteWhole(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | flags, 0644);
  if (fd < 0) return false;
  const bool ok = ::write(fd, kOutput.data(), kOutput.size()) == static_cast<ssize_t>(kOutput.size());
  return ::close(fd) == 0 && ok;
}

void BM_PlainTruncatingWrite(benchmark::State& state) {
  const std::string path = (BenchFolder() / "plain.jpg").string();
  for (auto _ : state)
    if (!WriteWhole(path, O_TRUNC)) state.SkipWithError("write failed");
}

void SafeWrite(benchmark::State& state, TReplaceMode mode) {
  const fs::path folder = BenchFolder();
  const std::string path = (folder / "safe.jpg").string();
  for (auto _ : state) {
    if (mode == TReplaceMode::NoFile) {
      state.PauseTiming();
      fs::remove(path);
      state.ResumeTiming();
    }
    TSafeOutput output(path, mode);
    if (!WriteWhole(output.TemporaryPath(), O_TRUNC) || output.Commit() != frNone) state.SkipWithError("save failed");
  }
}

void BM_SafeFreshName(benchmark::State& state) { SafeWrite(state, TReplaceMode::NoFile); }
void BM_SafeReplaceWithSync(benchmark::State& state) {
  WriteWhole((BenchFolder() / "safe.jpg").string(), O_TRUNC);
  SafeWrite(state, TReplaceMode::UnlessReadOnly);
}

}  // namespace

// Wall time is the figure: a sync waits for the disk without using the CPU.
BENCHMARK(BM_PlainTruncatingWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SafeFreshName)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SafeReplaceWithSync)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  fs::remove_all(BenchFolder());
  return 0;
}
