#!/usr/bin/env bash
# Converts an album of photos with Pixfold's default settings (preset 240 x 320,
# rotate left, quality 70) through the real program, headless, and the same
# album through ImageMagick on one thread and through libjpeg-turbo's djpeg
# (decode only); prints photos per second, wall and CPU time, peak resident
# memory and the ratios.
#
# Usage: [THREADS=n] bench/album_bench.sh [build-dir] [photo-count | folder-of-jpegs]
# A number generates that many photo-like 4000x3000 JPEGs; a folder (e.g. the
# camera photos in ../shared/testdata/photos) is converted as it is. THREADS
# is the program's Threads setting (files converted at once; 0, the default,
# one per core).
set -euo pipefail
source_arg=${2:-20}
[ -d "$source_arg" ] && source_arg=$(realpath "$source_arg")
cd "$(dirname "$0")/.."
build=${1:-build}
pixfold="$build/src/pixfold"
[ -x "$pixfold" ] || { echo "build Pixfold first ($pixfold missing)" >&2; exit 1; }

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
mkdir -p "$work/album" "$work/out-pixfold" "$work/out-magick" "$work/config" "$work/empty"

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

# One process per photo, as a shell loop over convert would run it.
magick_kb=0
magick_cpu=0
start=$(date +%s.%N)
for f in "$work"/album/*.jpg; do
  MAGICK_THREAD_LIMIT=1 /usr/bin/time -f "%U %S %M" -o "$work/mtime.txt" \
    "$magick" "$f" -filter Mitchell -resize 240x320 -quality 70 "$work/out-magick/$(basename "$f")"
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
  "$start" "$end" "$magick_cpu" "$magick_kb" "$decoded_bytes" "$djpeg_start" "$djpeg_end" "$djpeg_cpu" <<'PY'
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
PY
