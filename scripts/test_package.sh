#!/usr/bin/env bash
# Builds the Debian package and installs it on a minimal Debian 12, the way a
# user would: `apt install ./pixfold_*.deb` in a chroot made with debootstrap.
# Then checks that the installed pixfold starts and converts, that
# pixfold-batch (when packaged) answers --version, that desktop-file-validate
# and appstreamcli accept the installed desktop entry and metainfo, that file
# managers offer Pixfold for folders, and that the menu entry, the icons and
# the manual page lie where a desktop looks for them.
#
#   bash scripts/test_package.sh [build-dir]       (as root; default build-dir: build)
#
# The debootstrap result and the downloaded packages are kept in
# <build-dir>/package-test/ and reused; each run installs into a fresh copy
# (on a tmpfs when one can be mounted), removed after a successful run.
# PIXFOLD_DEBIAN_MIRROR overrides the mirror (default http://deb.debian.org/debian).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mirror=${PIXFOLD_DEBIAN_MIRROR:-http://deb.debian.org/debian}
work=$build/package-test
base=$work/base          # the pristine minimal system, made once
root=$work/root          # a copy of it for this run
archives=$work/archives  # packages apt downloaded, offered again next time
start=$SECONDS
mkdir -p "$work"
step() { echo "== [$((SECONDS - start)) s] $*"; }
fail() { echo "test_package: FAILED: $*" >&2; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  echo "test_package: needs root (debootstrap, chroot)" >&2
  exit 1
fi

# Nothing may stay mounted in the copy: removing it must never reach the host.
unmount_root() {
  if [ -d "$root" ]; then
    awk -v r="$(realpath "$root")" '$2 == r || index($2, r "/") == 1 { print $2 }' /proc/mounts |
      sort -r | while read -r m; do umount "$m" || umount -l "$m"; done
  fi
}
remove_root() {
  unmount_root
  if awk -v r="$(realpath -m "$root")" 'index($2, r) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
    fail "$root still has mounts; not removing it"
  fi
  rm -rf "$root"
}
trap unmount_root EXIT

step "building the package"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j2
rm -f "$build"/pixfold_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/pixfold_*.deb)
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$build/packaging/"*.metainfo.xml | head -1)
depends=$(dpkg-deb -f "$deb" Depends)
echo "$(basename "$deb"): Depends: $depends"
for lib in libqt6widgets6 libjpeg62-turbo libstdc++6; do
  [[ $depends == *"$lib "* ]] || fail "dpkg-shlibdeps did not find $lib"
done

if [ ! -f "$base/.complete" ]; then
  step "debootstrap of a minimal Debian 12 (once; kept in $base)"
  rm -rf "$base"
  debootstrap --variant=minbase bookworm "$base" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log" >&2; fail "debootstrap"; }
  # A fresh Debian 12 has its updates and security suites configured too.
  security=${mirror%/debian}/debian-security
  printf 'deb %s bookworm main\ndeb %s bookworm-updates main\ndeb %s bookworm-security main\n' \
    "$mirror" "$mirror" "$security" >"$base/etc/apt/sources.list"
  touch "$base/.complete"
fi

step "fresh copy of the minimal system"
remove_root
mkdir -p "$root"
# In memory when the machine allows it: unpacking some 180 packages on a busy
# disk takes minutes, and unmounting clears the copy at once.
mount -t tmpfs -o size=4g,mode=755 pixfold-package-test "$root" 2>/dev/null || echo "(no tmpfs: copying to disk)"
cp -a "$base/." "$root/"
mkdir -p "$archives"
cp -r "$archives"/. "$root/var/cache/apt/archives/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# A throwaway system: dpkg need not sync every file it unpacks (minutes saved).
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/throwaway"
mount -t proc proc "$root/proc" || echo "(no /proc in the chroot)"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  DEBIAN_FRONTEND=noninteractive "$@"; }

step "apt install ./$(basename "$deb")"
in_root apt-get update -qq
in_root sh -c "cd /tmp && apt install -y -q -o APT::Keep-Downloaded-Packages=true ./$(basename "$deb")" \
  >"$work/install.log" 2>&1 || { tail -30 "$work/install.log" >&2; fail "apt install"; }
# The validators, and the desktop database that file managers read.
in_root apt-get install -y -q -o APT::Keep-Downloaded-Packages=true desktop-file-utils appstream \
  >>"$work/install.log" 2>&1 || { tail -30 "$work/install.log" >&2; fail "installing the validators"; }
find "$root/var/cache/apt/archives" -maxdepth 1 -name '*.deb' -exec cp -u -t "$archives" {} +

step "pixfold starts"
# No settings: an unattended start is refused at once with status 2.
status=0
in_root sh -c 'mkdir -p /tmp/empty-home && HOME=/tmp/empty-home QT_QPA_PLATFORM=offscreen timeout 10 pixfold /START' \
  >"$work/start.log" 2>&1 || status=$?
cat "$work/start.log"
[ "$status" -eq 2 ] || fail "pixfold /START without settings ended with $status, not 2"
grep -q "Choose a source folder" "$work/start.log" || fail "pixfold /START gave no reason"

# The menu entry's command, given a picture the way a file manager fills in
# %F, plus the switches: with a saved destination it converts the picture's
# folder. Tests libjpeg and the whole road from the command line to a file.
mkdir -p "$root/tmp/album/in" "$root/tmp/home/.config"
{ printf 'P6\n64 48\n255\n'; head -c $((64 * 48 * 3)) /dev/urandom; } | cjpeg >"$root/tmp/album/in/photo.jpg"
printf '[Settings]\nSource=/nowhere\nDestination=/tmp/album/out\n' >"$root/tmp/home/.config/Snapcrate.ini"
status=0
command=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$id.desktop")
command=${command/\%F//tmp/album/in/photo.jpg}
echo "$command /START /OVERWRITE"
in_root sh -c "HOME=/tmp/home QT_QPA_PLATFORM=offscreen timeout 20 $command /START /OVERWRITE" \
  >"$work/convert.log" 2>&1 || status=$?
cat "$work/convert.log"
[ "$status" -eq 0 ] || fail "converting the folder of a picture given on the command line ended with $status"
[ -s "$root/tmp/album/out/photo.jpg" ] || fail "no converted picture"
grep -q '^Source=/tmp/album/in' "$root/tmp/home/.config/Snapcrate.ini" || fail "the folder argument was not saved"

if [ -x "$root/usr/bin/pixfold-batch" ]; then
  step "pixfold-batch --version"
  in_root pixfold-batch --version || fail "pixfold-batch --version"
fi

step "desktop integration"
share=$root/usr/share
for f in "applications/$id.desktop" "metainfo/$id.metainfo.xml" "icons/hicolor/scalable/apps/$id.svg" \
    man/man1/pixfold.1.gz doc/pixfold/README.md; do
  [ -s "$share/$f" ] || fail "missing /usr/share/$f"
done
for size in 16 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -s "$png" ] || fail "missing icon $png"
  # The PNG header holds the width and height at bytes 16..23, big-endian.
  [ "$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')" = "$(printf '%08x%08x' "$size" "$size")" ] ||
    fail "$png is not ${size}x${size}"
done
grep -qx "Icon=$id" "$share/applications/$id.desktop" || fail "the menu entry names another icon"
in_root desktop-file-validate "/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
in_root appstreamcli validate --no-net "/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
grep -q "^inode/directory=.*$id.desktop" "$share/applications/mimeinfo.cache" ||
  fail "the desktop database does not offer Pixfold for folders"
grep -q "^image/jpeg=.*$id.desktop" "$share/applications/mimeinfo.cache" ||
  fail "the desktop database does not offer Pixfold for JPEG pictures"

step "done: the package installs and runs on a fresh Debian 12"
remove_root
