#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each one for
# the given number of seconds on the seed corpora our own writers generate.
# Usage: fuzz/run_fuzzers.sh [seconds-per-target] [target ...]
# Crashes are written to build-fuzz/artifacts/<target>/; a non-zero exit means
# a target found one.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${PIXFOLD_FUZZ_BUILD:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPIXFOLD_LIBFUZZER=ON -DPIXFOLD_BUILD_APP=OFF -DPIXFOLD_BUILD_BENCH=OFF -DPIXFOLD_BUILD_TESTS=OFF >/dev/null
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_bmp fuzz_gif fuzz_jpeg fuzz_settings fuzz_pipeline)
cmake --build "$build" --target fuzz_make_seeds "${targets[@]}"

rm -rf "$build/seeds"
"$build/fuzz/fuzz_make_seeds" "$build/seeds" >/dev/null
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  artifacts="$build/artifacts/$t/"
  mkdir -p "$corpus" "$artifacts"
  seeds=("$build/seeds/$t")
  [ -d "tests/data/fuzz/$t" ] && seeds+=("tests/data/fuzz/$t")
  echo "== $t: ${seconds}s"
  if ! "$build/fuzz/$t" "$corpus" "${seeds[@]}" -max_total_time="$seconds" -timeout=10 -seed="${PIXFOLD_FUZZ_SEED:-0}" \
      -rss_limit_mb=2048 -malloc_limit_mb=1024 -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$artifacts" > "$build/$t.log" 2>&1; then
    status=1
    echo "   FAILED: see $build/$t.log and $artifacts"
  fi
  grep -E '^#[0-9]+.*(DONE|cov:)' "$build/$t.log" | tail -1 || true
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/$t.log" || true
done
exit $status
