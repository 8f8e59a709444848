#!/usr/bin/env bash
# Installs what Quilbex needs on Debian 12 to build, run and test. Asks apt
# only for packages that are missing, so a second run takes a moment.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config file dpkg-dev
  qt6-base-dev qt6-translations-l10n libgl-dev libqpdf-dev libpoppler-cpp-dev libtesseract-dev libleptonica-dev
  libmagic-dev libtiff-dev libjpeg-dev zlib1g-dev libgtest-dev libgmock-dev libuchardet-dev
  libarchive-dev libexif-dev
  # what the engine runs with
  tesseract-ocr tesseract-ocr-jpn tesseract-ocr-jpn-vert tesseract-ocr-eng tesseract-ocr-osd
  libreoffice-writer-nogui libreoffice-calc-nogui libreoffice-impress-nogui libreoffice-draw-nogui
  util-linux bubblewrap
  fonts-ipafont-gothic fonts-ipafont-mincho
  # used by the tests to make and inspect sample files
  poppler-utils imagemagick img2pdf dbus-daemon python3
  # a comma-decimal locale, for the tests that convert under it
  locales
  # LibreOffice driven over UNO, to open a document the way that updates its links
  python3-uno
  # a desktop for the notification test: X server, notification service
  xvfb dunst
  # the viewers' text extractors the text layer is read back with, and the
  # throw-away signing certificates (certutil) of the signed-PDF tests
  mupdf-tools python3-pdfminer ghostscript nodejs libnss3-tools
  # desktop search, which finds converted documents by their title and keys
  recoll
  # the package check (packaging/check-package.sh)
  lintian desktop-file-utils appstream xdg-utils mailcap
)

# npm fetches pdf.js below; a Node.js from elsewhere brings its own.
command -v npm >/dev/null || packages+=(npm)

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

# The comma-decimal locale the locale tests switch to.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  "${sudo_cmd[@]}" locale-gen
fi

# pdf.js, the text extractor of Firefox and of many web viewers, comes from
# the npm registry into the checkout's own cache (never committed); the text
# layer test runs it with Node.js. Pinned to a release Debian 12's Node.js 18
# runs.
pdfjs_version=3.11.174
pdfjs_dir="$(cd "$(dirname "$0")/.." && pwd)/.cache/pdfjs"
if ! grep -qs "\"version\": \"$pdfjs_version\"" "$pdfjs_dir/node_modules/pdfjs-dist/package.json"; then
  echo "Installing pdfjs-dist $pdfjs_version into $pdfjs_dir"
  npm install --prefix "$pdfjs_dir" --no-save --no-package-lock --no-audit --no-fund \
    --omit=optional "pdfjs-dist@$pdfjs_version" >/dev/null
fi
