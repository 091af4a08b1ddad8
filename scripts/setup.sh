#!/usr/bin/env bash
# Installs every Debian package Pixfold needs to build, test, benchmark and run.
# Safe to run again: packages already present are skipped.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs
  qt6-base-dev qt6-base-dev-tools libgl-dev
  xvfb xauth
  clang libclang-rt-14-dev
  python3-pil giflib-tools
  scdoc librsvg2-bin dpkg-dev desktop-file-utils appstream debootstrap imagemagick xdotool  # packaging/, test_package.sh, screenshot.sh
  libwmf-dev libwmf-bin gsfonts  # the metafile benchmark's reference; wmf2gd to check our WMF files
  libpng-dev libpng-tools libtiff-dev libtiff-tools  # PNG and TIFF codecs (also the metafile tests' reference renderings); pngfix, tiff2rgba and tiffinfo in their tests
  libheif-dev libwebp-dev libheif-examples webp  # codecs/heif (libheif 1.15 with libde265, dav1d, aom, x265 built in), codecs/webp; heif-enc/heif-convert, cwebp/dwebp in the tests
  libexiv2-dev liblcms2-dev exiv2  # metadata rewrite and colour profiles of saved JPEGs; exiv2 tool for the interop tests
  libcli11-dev nlohmann-json3-dev  # pixfold-batch: option parsing, JSON report
  libsane-dev libsane1  # scanner acquisition through SANE; its test backend drives the scanner tests
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n  # lupdate/lrelease, their CMake functions, Qt's own translations
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]}; run as root to install them" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
