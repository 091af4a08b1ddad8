#!/usr/bin/env bash
# Retakes packaging/screenshot.png, the picture of the window in the README
# and the AppStream metainfo: Pixfold under Xvfb after converting a small
# generated album, its file list ticked and the last picture in the preview.
#
#   bash scripts/screenshot.sh [build-dir] [language] [scale]
#
# build-dir defaults to build. language (de, fr, es; default en) starts the
# window in that language and writes build-dir/screenshot-<language>.png
# instead, to check the translated captions; scale (default 1) is Qt's scale
# factor, 1.5 shows whether long captions still fit.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
language=${2:-en}
scale=${3:-1}
out=packaging/screenshot.png
locale=C.UTF-8
if [ "$language" != en ]; then
  out=$build/screenshot-$language.png
  locale=${language}_$(echo "$language" | tr a-z A-Z).UTF-8
fi
cmake --build "$build" -j2 --target pixfold
pixfold=$(realpath "$build/src/pixfold")

# A fixed, short place: the folder edits show the whole path, and a retake
# of an unchanged window gives the same picture.
work=/tmp/pixfold-shots
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# Drawn landscapes, no one's photos: a sky, a sun and two hills, varied by day.
album=$work/Holiday
n=0
for day in "Day one" "Day two"; do
  mkdir -p "$album/$day"
  for i in 1 2 3 4; do
    n=$((n + 1))
    sky=$(( 150 + n * 9 )); sun=$(( 200 + n * 110 )); hill=$(( 500 + (n % 3) * 90 ))
    convert -size 1600x1200 "gradient:rgb(90,$sky,230)-rgb(225,240,250)" \
      -fill "rgb(255,205,70)" -draw "circle $sun,300 $((sun + 90)),300" \
      -fill "rgb(62,155,95)" -draw "polygon 0,1200 0,$hill 520,$((hill - 230)) 980,$((hill + 60)) 1600,$((hill - 120)) 1600,1200" \
      -fill "rgb(45,116,71)" -draw "polygon 0,1200 0,$((hill + 250)) 700,$((hill + 160)) 1300,1200" \
      -quality 90 "$album/$day/IMG_$(printf %04d $((2040 + n))).jpg"
  done
done

mkdir -p "$work/config"
cat >"$work/config/Snapcrate.ini" <<EOF
[Settings]
Source=$album
Destination=$work/Handheld
SizeCategory=0
Rotation=1
JPGQuality=7
EOF

display_script=$work/shoot.sh
cat >"$display_script" <<EOF
set -euo pipefail
LANG=$locale LC_ALL= LC_MESSAGES= LANGUAGE= QT_SCALE_FACTOR=$scale XDG_CONFIG_HOME="$work/config" "$pixfold" &
pid=\$!
window=\$(xdotool search --sync --onlyvisible --name '^Pixfold\$' | head -1)
sleep 1
xdotool windowactivate --sync "\$window" 2>/dev/null || xdotool windowfocus --sync "\$window"
xdotool key --window "\$window" Return
for _ in \$(seq 1 100); do
  [ "\$(find "$work/Handheld" -name '*.jpg' 2>/dev/null | wc -l)" -eq $n ] && break
  sleep 0.2
done
sleep 1
import -window "\$window" "$work/shot.png"
kill \$pid
EOF
xvfb-run -a -s "-screen 0 1366x768x24" bash "$display_script"
# Only the picture, no dates or tool names.
convert "$work/shot.png" -strip -define png:exclude-chunks=date,time "$out"
echo "wrote $out ($(identify -format '%wx%h' "$out"))"
