#!/usr/bin/env bash
# Converts an album of photos with Pixfold's default settings (preset 240 x 320,
# rotate left, quality 70) through the real program, headless, through
# pixfold-batch, and the same album through ImageMagick on one thread and
# through libjpeg-turbo's djpeg (decode only); prints photos per second, wall
# and CPU time, peak resident memory and the ratios. Then measures what
# pixfold-batch adds to each file on an album of small (16 x 16) JPEGs: its
# time per file on one worker against the pure conversion time per file
# (ConvertOne in a loop, bench_batch), with ImageMagick's mogrify on the same
# files for reference.
#
# Usage: [THREADS=n] bench/album_bench.sh [build-dir] [photo-count | folder-of-jpegs] [small-file-count]
# A number generates that many photo-like 4000x3000 JPEGs; a folder (e.g. the
# camera photos in ../shared/testdata/photos) is converted as it is. THREADS
# is the program's Threads setting (files converted at once; 0, the default,
# one per core).
set -euo pipefail
source_arg=${2:-20}
[ -d "$source_arg" ] && source_arg=$(realpath "$source_arg")
cd "$(dirname "$0")/.."
build=${1:-build}
small_count=${3:-5000}
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

write_settings() {  # source destination
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
Threads=${THREADS:-0}
INI
}

run_pixfold() {  # source destination -> prints "wall_s cpu_s maxrss_kb"
  write_settings "$1" "$2"
  # time(1) puts a status line before the figures when the program fails.
  if ! XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen \
    /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$pixfold" /START /OVERWRITE >/dev/null 2>"$work/pixfold.err"; then
    echo "pixfold failed:" >&2; cat "$work/time.txt" "$work/pixfold.err" >&2; exit 1
  fi
  tail -n 1 "$work/time.txt" | awk '{ print $1, $2 + $3, $4 }'
}

read -r base_s base_cpu base_kb <<<"$(run_pixfold "$work/empty" "$work/out-empty")"
read -r pix_s pix_cpu pix_kb <<<"$(run_pixfold "$work/album" "$work/out-pixfold")"
made=$(find "$work/out-pixfold" -name '*.jpg' | wc -l)

# The batch command on the same album with the same (default) settings.
/usr/bin/time -f "%e %U %S %M" -o "$work/btime.txt" "$batch" --quiet "$work/album" "$work/out-batch" 2>"$work/batch.err" \
  || { echo "pixfold-batch failed:" >&2; cat "$work/batch.err" >&2; exit 1; }
read -r batch_s batch_u batch_sys batch_kb < "$work/btime.txt"
batch_cpu=$(awk -v u="$batch_u" -v s="$batch_sys" 'BEGIN { print u + s }')
cmp -s <(cd "$work/out-pixfold" && find . -type f -exec md5sum {} + | sort -k2) \
       <(cd "$work/out-batch" && find . -type f -exec md5sum {} + | sort -k2) && same=yes || same=NO

# One process per photo, as a shell loop over convert would run it.
magick_kb=0
magick_cpu=0
start=$(date +%s.%N)
for f in "$work"/album/*.jpg; do
  MAGICK_THREAD_LIMIT=1 /usr/bin/time -f "%U %S %M" -o "$work/mtime.txt" \
    "$magick" "$f" -rotate -90 -filter Mitchell -resize 240x320 -quality 70 "$work/out-magick/$(basename "$f")"
  read -r u s kb < "$work/mtime.txt"
  magick_cpu=$(awk -v a="$magick_cpu" -v u="$u" -v s="$s" 'BEGIN { print a + u + s }')
  [ "$kb" -gt "$magick_kb" ] && magick_kb=$kb
done
end=$(date +%s.%N)

# The bare decode of every photo, as the floor of what any converter can reach.
djpeg_cpu=0
djpeg_start=$(date +%s.%N)
for f in "$work"/album/*.jpg; do
  /usr/bin/time -f "%U %S" -o "$work/dtime.txt" /usr/bin/djpeg -outfile /dev/null "$f"
  read -r u s < "$work/dtime.txt"
  djpeg_cpu=$(awk -v a="$djpeg_cpu" -v u="$u" -v s="$s" 'BEGIN { print a + u + s }')
done
djpeg_end=$(date +%s.%N)

python3 - "$count" "$made" "$pix_s" "$base_s" "$pix_cpu" "$base_cpu" "$pix_kb" "$base_kb" \
  "$start" "$end" "$magick_cpu" "$magick_kb" "$decoded_bytes" "$djpeg_start" "$djpeg_end" "$djpeg_cpu" \
  "$batch_s" "$batch_cpu" "$batch_kb" "$same" <<'PY'
import sys
a = sys.argv[1:]
count, made = int(a[0]), int(a[1])
pix_s, base_s, pix_cpu, base_cpu = map(float, a[2:6])
pix_kb, base_kb = int(a[6]), int(a[7])
magick_s = float(a[9]) - float(a[8])
magick_cpu, magick_kb = float(a[10]), int(a[11])
decoded_mb = int(a[12]) / 1048576
work_s, work_cpu = max(pix_s - base_s, 1e-6), max(pix_cpu - base_cpu, 1e-6)
extra_mb = (pix_kb - base_kb) / 1024
djpeg_s, djpeg_cpu = float(a[14]) - float(a[13]), float(a[15])
print(f"photos: {count} (largest {decoded_mb:.1f} MiB decoded); Pixfold wrote {made}")
print(f"Pixfold:     {count / work_s:6.2f} photos/s wall, {count / work_cpu:6.2f} per CPU second "
      f"({work_s:.2f} s wall, {work_cpu:.2f} s CPU after {base_s:.2f} s start-up)")
print(f"             peak RSS {pix_kb/1024:.0f} MiB (idle program {base_kb/1024:.0f} MiB, "
      f"+{extra_mb:.0f} MiB = {extra_mb/decoded_mb:.2f} x one decoded photo)")
print(f"ImageMagick: {count / magick_s:6.2f} photos/s wall, {count / magick_cpu:6.2f} per CPU second "
      f"({magick_s:.2f} s wall, {magick_cpu:.2f} s CPU, one thread)  peak RSS {magick_kb/1024:.0f} MiB")
print(f"throughput ratio Pixfold / ImageMagick: {magick_s / work_s:.2f} wall, "
      f"{magick_cpu / work_cpu:.2f} CPU (target >= 1.5)")
print(f"djpeg:       {count / djpeg_s:6.2f} photos/s wall, {count / djpeg_cpu:6.2f} per CPU second "
      f"({djpeg_s:.2f} s wall, {djpeg_cpu:.2f} s CPU, decode only)")
print(f"Pixfold / bare decode: {work_s / djpeg_s:.2f} wall, {work_cpu / djpeg_cpu:.2f} CPU")
print(f"memory: {extra_mb/decoded_mb:.2f} x one decoded photo (target < 3)")
batch_s, batch_cpu, batch_kb, same = float(a[16]), float(a[17]), int(a[18]), a[19]
print(f"pixfold-batch: {count / batch_s:6.2f} photos/s wall, {count / batch_cpu:6.2f} per CPU second "
      f"({batch_s:.2f} s wall incl. start-up, {batch_cpu:.2f} s CPU)  peak RSS {batch_kb/1024:.0f} MiB; "
      f"outputs identical to the window's: {same}")
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
