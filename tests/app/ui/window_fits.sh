#!/usr/bin/env bash
# The window on real (virtual) screens: at each size and scaling, and in
# English and German, it must lie wholly on the screen with its bottom row of
# buttons visible. Each screen is kept as a PNG under SHOTS for a person to
# look at. Needs Xvfb, xdotool and ImageMagick's import.
#
#   window_fits.sh PIXFOLD SHOTS
set -euo pipefail
pixfold=$1
shots=$2
mkdir -p "$shots"
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/album" "$work/config"
printf '[Settings]\nSource=%s\nDestination=%s\n' "$work/album" "$work/out" > "$work/config/Snapcrate.ini"

failures=0
for case in "1366x768 1.5" "1280x800 2" "1024x768 1"; do
  read -r size scale <<<"$case"
  width=${size%x*}
  height=${size#*x}
  for lang in en_US.UTF-8 de_DE.UTF-8; do
    # The server picks a free display itself and says which once it listens.
    exec {fd}<> <(:)
    Xvfb -displayfd "$fd" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>"$work/xvfb.err" &
    xvfb_pid=$!
    display=""
    read -r -t 30 display <&"$fd" || true
    exec {fd}<&-
    if [ -z "$display" ]; then
      echo "FAIL $size: Xvfb did not start: $(cat "$work/xvfb.err")"
      failures=$((failures + 1))
      continue
    fi
    DISPLAY=":$display" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale LANG=$lang LC_ALL=$lang LANGUAGE=${lang%%_*} \
      XDG_CONFIG_HOME="$work/config" "$pixfold" >/dev/null 2>"$work/app.err" &
    app_pid=$!
    window=$(DISPLAY=":$display" timeout 60 xdotool search --sync --onlyvisible --class pixfold | head -n 1 || true)
    name="window-${size}-x${scale}-${lang%%_*}"
    if [ -z "$window" ]; then
      echo "FAIL $name: no window appeared: $(tail -n 5 "$work/app.err")"
      failures=$((failures + 1))
    else
      sleep 1.5  # let the first paint finish before the picture is taken
      eval "$(DISPLAY=":$display" xdotool getwindowgeometry --shell "$window")"
      DISPLAY=":$display" import -window root "$shots/$name.png"
      if [ "$X" -lt 0 ] || [ "$Y" -lt 0 ] || [ $((X + WIDTH)) -gt "$width" ] || [ $((Y + HEIGHT)) -gt "$height" ]; then
        echo "FAIL $name: window ${WIDTH}x${HEIGHT}+${X}+${Y} leaves the ${size} screen"
        failures=$((failures + 1))
      else
        echo "ok   $name: window ${WIDTH}x${HEIGHT}+${X}+${Y} on ${size} (screenshot $shots/$name.png)"
      fi
    fi
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
done
[ "$failures" -eq 0 ]
