#!/usr/bin/env bash
# Builds the Debian package of Quilbex from this source tree: set-up (the
# packages building needs), build, then cpack. Prints the package's path;
# install it with apt-get install ./<that file> (as root).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh >/dev/null
rm -f build/quilbex_*.deb
(cd build && cpack -G DEB >/dev/null)
ls "$(pwd)"/build/quilbex_*.deb
