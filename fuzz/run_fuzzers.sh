#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each one for
# the given number of seconds on the seed corpora our own writers generate.
# Usage: fuzz/run_fuzzers.sh [seconds-per-target] [target ...]
# Without targets, every fuzz/fuzz_*.cpp is run. PIXFOLD_FUZZ_JOBS targets run
# side by side (default: one per core). Crashes are written to
# build-fuzz/artifacts/<target>/; a non-zero exit means a target found one.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${PIXFOLD_FUZZ_BUILD:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPIXFOLD_LIBFUZZER=ON -DPIXFOLD_BUILD_APP=OFF -DPIXFOLD_BUILD_BENCH=OFF -DPIXFOLD_BUILD_TESTS=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
jobs=${PIXFOLD_FUZZ_JOBS:-$(nproc)}
cmake --build "$build" --target fuzz_make_seeds "${targets[@]}"

rm -rf "$build/seeds"
"$build/fuzz/fuzz_make_seeds" "$build/seeds" >/dev/null
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_one() {
  local t=$1
  local corpus="$build/corpus/$t" artifacts="$build/artifacts/$t/"
  mkdir -p "$corpus" "$artifacts"
  local seeds=("$build/seeds/$t")
  [ -d "tests/data/fuzz/$t" ] && seeds+=("tests/data/fuzz/$t")
  local limits=(-rss_limit_mb=2048 -malloc_limit_mb=1024)
  # libheif 1.15 lets its AV1 decoder make frames as large as the stream's
  # own header says (up to 32768 x 32768) before any size box is consulted:
  # a 1.3 KB AVIF the fuzzer made takes about 2 GB for a second and then
  # fails cleanly. That is libheif's to mend; here it must not read as ours.
  # It also clears a grid's whole canvas (up to the side the reader allows)
  # before decoding a tile, which takes seconds on a loaded machine.
  local timeout=10
  [ "$t" = fuzz_heif ] && limits=(-rss_limit_mb=4096 -malloc_limit_mb=3072) && timeout=30
  "$build/fuzz/$t" "$corpus" "${seeds[@]}" -max_total_time="$seconds" -timeout="$timeout" -seed="${PIXFOLD_FUZZ_SEED:-0}" \
    "${limits[@]}" -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$artifacts" > "$build/$t.log" 2>&1
}

report() {
  local t=$1 result=$2
  echo "== $t: ${seconds}s"
  [ "$result" -eq 0 ] || echo "   FAILED: see $build/$t.log and $build/artifacts/$t/"
  grep -E '^#[0-9]+.*(DONE|cov:)' "$build/$t.log" | tail -1 || true
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$build/$t.log" || true
}

status=0
pending=("${targets[@]}")
while [ ${#pending[@]} -gt 0 ]; do
  batch=("${pending[@]:0:$jobs}")
  pending=("${pending[@]:$jobs}")
  pids=()
  for t in "${batch[@]}"; do
    run_one "$t" &
    pids+=($!)
  done
  for i in "${!batch[@]}"; do
    result=0
    wait "${pids[$i]}" || result=$?
    [ "$result" -eq 0 ] || status=1
    report "${batch[$i]}" "$result"
  done
done
exit $status
