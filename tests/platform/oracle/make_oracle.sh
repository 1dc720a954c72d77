#!/usr/bin/env bash
# Makes the files of the metafile comparison tests (tests/data/metafiles):
#
#   1. canvas-*.emf and hand-*.emf, written by metafile_samples (the class
#      library's TMetafileCanvas, and records written byte by byte);
#   2. wine-*.emf and wine-*.wmf, recorded with Wine's GDI by MetafileOracle.exe;
#   3. NAME.bmp for every metafile: Wine's GDI playing it at its frame's size.
#
# Run it again when a sample changes; the tests compare the Linux playback
# with the images. Wine runs in a prefix of its own (not the test suite's) on
# a virtual display of 1920 x 960 pixels, whose size in millimetres is whole
# (508 x 254 at 96 dpi), so that frames map onto whole pixels exactly.
set -euo pipefail
cd "$(dirname "$0")/../../.."
dir=tests/data/metafiles
mkdir -p "$dir"
rm -f "$dir"/*.emf "$dir"/*.wmf "$dir"/*.bmp

scripts/build.sh default metafile_samples
build/default/tests/metafile_samples "$dir"

exe=build/MetafileOracle.exe
x86_64-w64-mingw32-g++ -O2 -std=c++17 -static -o "$exe" tests/platform/oracle/MetafileOracle.cpp -lgdi32

source scripts/xvfb.sh
start_xvfb 1920x960x24
export WINEPREFIX=${XDG_CACHE_HOME:-$HOME/.cache}/vask/oracle-prefix
scripts/wine_run.sh "$exe" record "$dir"
scripts/wine_run.sh "$exe" render "$dir"
WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
ls -l "$dir"
