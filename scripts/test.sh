#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite:
# a short libFuzzer smoke of every fuzz target, the library and logic tests
# under AddressSanitizer + UBSan, the Debian package installed in a chroot,
# then every test of the normal build (its CTest summary is the last thing
# printed).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXFOLD_WERROR=ON
cmake --build build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXFOLD_SANITIZE=ON -DPIXFOLD_WERROR=ON \
  -DPIXFOLD_BUILD_APP=OFF -DPIXFOLD_BUILD_BENCH=OFF
cmake --build build-asan

# The fuzz smoke shares a fixed budget among the targets (two at a time on a
# two-core machine), each between 10 and 45 seconds; a fixed seed keeps it
# repeatable. Long runs use fuzz/run_fuzzers.sh directly.
targets=$(ls fuzz/fuzz_*.cpp | wc -l)
jobs=$(nproc)
rounds=$(( (targets + jobs - 1) / jobs ))
seconds=$(( ${PIXFOLD_FUZZ_BUDGET:-300} / rounds ))
seconds=$(( seconds < 10 ? 10 : seconds > 45 ? 45 : seconds ))
PIXFOLD_FUZZ_SEED=${PIXFOLD_FUZZ_SEED:-1} bash fuzz/run_fuzzers.sh "${PIXFOLD_FUZZ_SECONDS:-$seconds}"

echo "== library and logic tests under AddressSanitizer + UBSan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j2
# About a minute once the minimal Debian 12 is cached in build/package-test/,
# three and a half the first time.
echo "== the Debian package, installed on a fresh Debian 12"
bash scripts/test_package.sh build

echo "== all tests"
ctest --test-dir build --output-on-failure -j2
