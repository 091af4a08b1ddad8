#!/usr/bin/env bash
# Converts an album of photos with Pixfold's default settings (preset 240 x 320,
# rotate left, quality 70) through the real program, headless, on one thread
# (Threads=1) and on every core (Threads=0), through pixfold-batch, and the
# same album through ImageMagick on one thread and through libjpeg-turbo's
# djpeg (decode only); prints photos per second, wall and CPU time, peak
# resident memory and the ratios beside their targets. Every figure is the
# best of a few runs after a warm-up: the machine may be shared, and the first
# run pays for loading the program and the photos. Then measures what
# pixfold-batch adds to each file on an album of small (16 x 16) JPEGs: its
# time per file on one worker against the pure conversion time per file
# (ConvertOne in a loop, bench_batch), with ImageMagick's mogrify on the same
# files for reference.
#
# Usage: [RUNS=n] bench/album_bench.sh [build-dir] [photo-count | folder-of-jpegs] [small-file-count]
# A number generates that many photo-like 4000x3000 JPEGs; a folder (e.g. the
# camera photos in ../shared/testdata/photos) is converted as it is. RUNS
# (default 5) is how many runs each figure is the best of.
set -euo pipefail
source_arg=${2:-20}
[ -d "$source_arg" ] && source_arg=$(realpath "$source_arg")
cd "$(dirname "$0")/.."
build=${1:-build}
small_count=${3:-5000}
runs=${RUNS:-5}
pixfold="$build/src/pixfold"
batch="$build/src/pixfold-batch"
bench_batch="$build/bench/bench_batch"
for tool in "$pixfold" "$batch" "$bench_batch"; do
  [ -x "$tool" ] || { echo "build Pixfold first ($tool missing)" >&2; exit 1; }
done

need=()
# Debian's ImageMagick, not whatever else may be called convert on the PATH.
magick=/usr/bin/convert
"$magick" -version 2>/dev/null | grep -q "^Version: ImageMagick" || need+=(imagemagick)
[ -x /usr/bin/time ] || need+=(time)
[ -x /usr/bin/djpeg ] || need+=(libjpeg-turbo-progs)
if [ ${#need[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

work=$(mktemp -d /tmp/pixfold-album.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/album" "$work/out-pixfold" "$work/out-magick" "$work/config" "$work/empty" "$work/small/album"

if [ -d "$source_arg" ]; then
  cp "$source_arg"/*.jpg "$work/album/"
  count=$(find "$work/album" -name '*.jpg' | wc -l)
  echo "converting $count photos from $source_arg"
else
  count=$source_arg
  echo "generating $count photo-like 4000x3000 JPEGs..."
  # One plasma base (slow to make), then each photo a different crop, flip and
  # tint of a larger canvas so no two files are alike.
  "$magick" -seed 7 -size 1000x750 plasma:fractal -resize 4400x3400! -blur 0x1.5 \
    -attenuate 0.4 +noise Gaussian "$work/base.ppm"
  for i in $(seq 1 "$count"); do
    dx=$(( (i * 37) % 400 )); dy=$(( (i * 53) % 400 ))
    flip=""; [ $((i % 2)) -eq 0 ] && flip="-flop"
    "$magick" "$work/base.ppm" -crop 4000x3000+$dx+$dy +repage $flip -modulate 100,$((80 + i * 2)),$((90 + i)) \
      -quality 92 "$work/album/photo_$(printf %02d "$i").jpg"
  done
fi
# The largest photo's decoded size: the memory figures are counted in it.
decoded_bytes=$(/usr/bin/identify -format '%w %h\n' "$work"/album/*.jpg 2>/dev/null |
  awk '{ b = $1 * $2 * 3; if (b > m) m = b } END { print m }')

write_settings() {  # source destination threads
  mkdir -p "$work/config"
  cat > "$work/config/Snapcrate.ini" <<INI
[Settings]
Source=$1
Destination=$2
Recursive=1
ConvertToJPG=1
ConvertJPG=1
ConvertGIF=1
ConvertBMP=1
JPGQuality=7
Rotation=1
SizeCategory=0
Threads=$3
INI
}

# best_of command... -> prints "wall_s cpu_s maxrss_kb": the best wall time of
# $runs runs ($times when set) with that run's CPU time, and the highest peak
# memory of any.
# The folder $fresh (if set) is removed before each run, so that every run
# writes new files rather than replacing (and syncing) the last run's.
best_of() {
  local best="" cpu="" kb=0
  for _ in $(seq "${times:-$runs}"); do
    [ -z "${fresh:-}" ] || rm -rf "$fresh"
    # time(1) puts a status line before the figures when the program fails.
    if ! /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/run.err"; then
      echo "$1 failed:" >&2; cat "$work/time.txt" "$work/run.err" >&2; exit 1
    fi
    read -r w u s m < <(tail -n 1 "$work/time.txt")
    if [ -z "$best" ] || awk -v a="$w" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$w; cpu=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
    fi
    [ "$m" -gt "$kb" ] && kb=$m
  done
  echo "$best $cpu $kb"
}

run_pixfold() {  # source destination threads -> "wall_s cpu_s maxrss_kb"
  write_settings "$1" "$2" "$3"
  fresh=$2 XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen best_of "$pixfold" /START /OVERWRITE
}

magick_all() {  # one process per photo, as a shell loop over convert would run it
  for f in "$work"/album/*.jpg; do
    MAGICK_THREAD_LIMIT=1 "$magick" "$f" -rotate -90 -filter Mitchell -resize 240x320 -quality 70 \
      "$work/out-magick/$(basename "$f")" || return 1
  done
}
djpeg_all() {  # the bare decode of every photo: the floor of what any converter can reach
  for f in "$work"/album/*.jpg; do /usr/bin/djpeg -outfile /dev/null "$f" || return 1; done
}
export -f magick_all djpeg_all
export work magick

# The warm-up: the program, its libraries and the photos come into memory.
write_settings "$work/album" "$work/out-warm" 0
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen "$pixfold" /START /OVERWRITE >/dev/null 2>&1 || true
djpeg_all

cores=$(nproc)
workers=$(( cores < count ? cores : count ))
read -r base_s base_cpu base_kb <<<"$(run_pixfold "$work/empty" "$work/out-empty" 0)"
read -r one_s one_cpu one_kb <<<"$(run_pixfold "$work/album" "$work/out-one" 1)"
read -r pix_s pix_cpu pix_kb <<<"$(run_pixfold "$work/album" "$work/out-pixfold" 0)"
made=$(find "$work/out-pixfold" -name '*.jpg' | wc -l)
tree_sums() { (cd "$1" && find . -type f -exec md5sum {} + | sort -k2); }
cmp -s <(tree_sums "$work/out-one") <(tree_sums "$work/out-pixfold") && same_threads=yes || same_threads=NO

# The batch command on the same album with the same (default) settings.
read -r batch_s batch_cpu batch_kb <<<"$(fresh="$work/out-batch" best_of "$batch" --quiet "$work/album" "$work/out-batch")"
cmp -s <(tree_sums "$work/out-pixfold") <(tree_sums "$work/out-batch") && same=yes || same=NO

read -r magick_s magick_cpu magick_kb <<<"$(times=$(( runs > 2 ? 2 : runs )) fresh="" best_of bash -c magick_all)"
read -r djpeg_s djpeg_cpu djpeg_kb <<<"$(best_of bash -c djpeg_all)"

python3 - "$count" "$made" "$cores" "$workers" "$decoded_bytes" "$runs" \
  "$base_s" "$base_cpu" "$base_kb" "$one_s" "$one_cpu" "$one_kb" "$pix_s" "$pix_cpu" "$pix_kb" \
  "$magick_s" "$magick_cpu" "$magick_kb" "$djpeg_s" "$djpeg_cpu" \
  "$batch_s" "$batch_cpu" "$batch_kb" "$same" "$same_threads" <<'PY'
import sys
a = sys.argv[1:]
count, made, cores, workers, runs = int(a[0]), int(a[1]), int(a[2]), int(a[3]), int(a[5])
decoded_mb = int(a[4]) / 1048576
f = [float(x) for x in a[6:23]]
base_s, base_cpu, base_kb, one_s, one_cpu, one_kb, pix_s, pix_cpu, pix_kb = f[0:9]
magick_s, magick_cpu, magick_kb, djpeg_s, djpeg_cpu = f[9:14]
batch_s, batch_cpu, batch_kb = f[14:17]
same, same_threads = a[23], a[24]
# The program's own start-up (an empty source folder) is left out of its figures.
one_w, one_c = max(one_s - base_s, 1e-6), max(one_cpu - base_cpu, 1e-6)
all_w, all_c = max(pix_s - base_s, 1e-6), max(pix_cpu - base_cpu, 1e-6)
def ok(good): return "met" if good else "NOT MET"
def line(name, wall, cpu, extra=""):
    print(f"{name:<28}{count / wall:7.2f} photos/s {wall:6.2f} s wall {cpu:6.2f} s CPU{extra}")
print(f"photos: {count} (largest {decoded_mb:.1f} MiB decoded); Pixfold wrote {made}; "
      f"{cores} cores; best of {runs} runs after a warm-up")
line("Pixfold, Threads=1", one_w, one_c, f"  (start-up {base_s:.2f} s left out)")
line(f"Pixfold, Threads=0 ({workers} workers)", all_w, all_c)
line("pixfold-batch (default)", batch_s, batch_cpu, "  (start-up included)")
line("ImageMagick, one thread", magick_s, magick_cpu)
line("djpeg, decode only", djpeg_s, djpeg_cpu)
print()
r = magick_s / one_w
print(f"Threads=1 / ImageMagick one thread: {r:5.2f}x faster wall, {magick_cpu / one_c:.2f}x CPU   "
      f"(target >= 3: {ok(r >= 3)})")
r = one_w / djpeg_s
print(f"Threads=1 / bare djpeg:             {r:5.2f}x the time wall, {one_c / djpeg_cpu:.2f}x CPU   "
      f"(target <= 1.5: {ok(r <= 1.5)})")
r = one_w / all_w
print(f"Threads=0 / Threads=1:              {r:5.2f}x faster wall on {cores} cores, CPU {all_c:.2f} s against "
      f"{one_c:.2f} s   (target >= 1.8 on 2 cores: {ok(r >= 1.8)})")
extra_mb = (pix_kb - base_kb) / 1024
limit_mb = (workers + 1) * decoded_mb + 30
print(f"memory, {workers} workers:                +{extra_mb:.0f} MiB over the idle program ({base_kb / 1024:.0f} MiB); "
      f"limit ({workers} + 1) x {decoded_mb:.1f} + 30 = {limit_mb:.0f} MiB: {ok(extra_mb < limit_mb)}")
print(f"memory, Threads=1:                  +{(one_kb - base_kb) / 1024:.0f} MiB; ImageMagick {magick_kb / 1024:.0f} MiB "
      f"peak; pixfold-batch {batch_kb / 1024:.0f} MiB peak")
print(f"outputs identical: Threads=1 and Threads=0 {same_threads}; window and pixfold-batch {same}")
PY

# A small-file count of 0 leaves the per-file cost out.
[ "$small_count" -gt 0 ] || exit 0
echo
echo "small files: $small_count JPEGs of 16x16..."
"$magick" -seed 3 -size 16x16 plasma:fractal -quality 90 "$work/small/seed.jpg"
python3 - "$work/small" "$small_count" <<'PY'
import shutil, sys
root, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    shutil.copyfile(f"{root}/seed.jpg", f"{root}/album/s{10000 + i}.jpg")
PY
# Pure conversion per file, in one process, and through the engine.
# Each figure is the best of three: the machine may be shared.
PIXFOLD_BENCH_SMALL_ALBUM="$work/small" "$bench_batch" --benchmark_format=json --benchmark_repetitions=3 \
  >"$work/bench_batch.json" 2>/dev/null
small_run() {  # args... -> prints the best wall seconds of three runs
  best=""
  for _ in 1 2 3; do
    rm -rf "$work/small/out"
    /usr/bin/time -f "%e" -o "$work/stime.txt" "$batch" --quiet "$@" "$work/small/album" "$work/small/out" \
      2>"$work/small.err" || { echo "pixfold-batch failed:" >&2; cat "$work/small.err" >&2; exit 1; }
    t=$(tail -n 1 "$work/stime.txt")
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}
one_s=$(small_run --jobs 1)
report_s=$(small_run --jobs 1 --report "$work/small/report.jsonl")
all_s=$(small_run --jobs 0)
mkdir -p "$work/small/out-mogrify"
mog_start=$(date +%s.%N)
MAGICK_THREAD_LIMIT=1 /usr/bin/mogrify -path "$work/small/out-mogrify" -rotate -90 -filter Mitchell \
  -resize 240x320 -quality 70 "$work/small/album"/*.jpg
mog_end=$(date +%s.%N)
python3 - "$work/bench_batch.json" "$small_count" "$one_s" "$report_s" "$all_s" "$mog_start" "$mog_end" <<'PY'
import json, sys
a = sys.argv[1:]
per = {}
for b in json.load(open(a[0]))["benchmarks"]:
    if b.get("run_type", "iteration") == "iteration":
        name = b["name"].split("/")[0]
        per[name] = min(per.get(name, float("inf")), b["per_file"] * 1e3)
n = int(a[1])
one, report, every = (float(x) * 1e3 / n for x in a[2:5])
mog = (float(a[6]) - float(a[5])) * 1e3 / n
pure, engine = per["BM_ConvertOneSmall"], per["BM_RunEngineSmall"]
print(f"pure conversion (ConvertOne loop):   {pure:.3f} ms/file")
print(f"run engine, one worker, in process:  {engine:.3f} ms/file (+{engine - pure:.3f})")
print(f"pixfold-batch --jobs 1:              {one:.3f} ms/file (+{one - pure:.3f} over the pure conversion; target < 1 ms)")
print(f"pixfold-batch --jobs 1 --report:     {report:.3f} ms/file (+{report - pure:.3f})")
print(f"pixfold-batch, one worker per core:  {every:.3f} ms/file")
print(f"ImageMagick mogrify, one process:    {mog:.3f} ms/file")
PY
