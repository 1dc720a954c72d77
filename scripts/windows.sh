#!/usr/bin/env bash
# Builds the native Windows programs with MinGW-w64 (presets windows-x64 and
# windows-x86) and runs the x86-64 test suite under Wine:
#
#   scripts/windows.sh            # both builds, then the x86-64 tests
#   scripts/windows.sh --build    # both builds only
#
# The codec for Windows is built once from Debian's source package (see
# scripts/windows_codec.sh); the i686 build is compiled and linked only, as
# this machine cannot run 32-bit Windows programs. Window tests need a
# display; without one Xvfb is started.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

for preset in windows-x64 windows-x86; do
  echo "== build: $preset"
  scripts/build.sh "$preset"
done
[ "${1:-}" = "--build" ] && exit 0

if [ -z "${DISPLAY:-}" ]; then
  source scripts/xvfb.sh
  start_xvfb 1920x1080x24
fi
echo "== test: windows-x64 (under Wine)"
ctest --preset windows-x64
