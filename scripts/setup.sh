#!/usr/bin/env bash
# Installs what Quilbex needs on Debian 12 to build, run and test. Asks apt
# only for packages that are missing, so a second run takes a moment.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config file dpkg-dev
  qt6-base-dev qt6-translations-l10n libgl-dev libqpdf-dev libpoppler-cpp-dev libtesseract-dev libleptonica-dev
  libmagic-dev libtiff-dev libjpeg-dev zlib1g-dev libgtest-dev libgmock-dev libuchardet-dev
  libarchive-dev
  # what the engine runs with
  tesseract-ocr tesseract-ocr-jpn tesseract-ocr-jpn-vert tesseract-ocr-eng tesseract-ocr-osd
  libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui libreoffice-draw-nogui
  util-linux bubblewrap
  fonts-ipafont-gothic fonts-ipafont-mincho
  # used by the tests to make and inspect sample files
  poppler-utils imagemagick img2pdf dbus-daemon python3
  # a desktop for the notification test: X server, notification service
  xvfb dunst
  # the package check (packaging/check-package.sh)
  lintian desktop-file-utils appstream xdg-utils mailcap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
