#!/usr/bin/env bash
# Installs every Debian 12 package Typovex needs to build, run and be tested.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build, and the Debian package (CPack's library dependencies need dpkg-shlibdeps and file)
  cmake g++ ninja-build pkg-config dpkg-dev file
  # toolkit and libraries
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  # translation catalogues: CMake's LinguistTools package and lupdate/lrelease; Qt's own
  # catalogues for its standard dialogs (a run-time need)
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libjpeg62-turbo-dev libcups2-dev libfontconfig-dev
  # text shaping and the one paint path of catalogue pages (preview images and PDF)
  libharfbuzz-dev libcairo2-dev libfreetype-dev
  # fonts the program and its tests rely on
  fontconfig fonts-liberation2 fonts-dejavu-core
)
if [ "${1:-}" = "--tests" ]; then
  packages+=(
    # end-to-end checks: a real X server, a window manager, window automation, printing to PDF
    xvfb xauth xdotool openbox x11-utils imagemagick xclip
    # libjpeg's own reader, to check exported JPEG files
    libjpeg-turbo-progs
    cups printer-driver-cups-pdf poppler-utils
    # reading a PDF's outline in the checks
    qpdf
    # faces a PDF writer finds hard: no bold or italic of their own, colour glyphs, CJK, symbols
    fonts-arabeyes fonts-noto-color-emoji fonts-wqy-microhei fonts-opensymbol
    # a face whose PDF subset cairo cannot make
    fonts-ocr-b
    # faces of other scripts without Latin letters (their own script samples), and families
    # Qt lists once per foundry
    fonts-noto-core fonts-urw-base35
    # the Debian package's checks
    desktop-file-utils lintian appstream man-db devscripts
  )
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  "${as_root[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
