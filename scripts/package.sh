#!/usr/bin/env bash
# Makes the packages with CPack:
#
#   scripts/package.sh            # the Debian packages libzeljpeg1, libzeljpeg-dev
#                                 # and vask, in build/package/packages/
#   scripts/package.sh --windows  # build/vask-windows.zip: x86-64/ and i686/, each
#                                 # with vask.exe and zeljpeg-convert.exe
#
# The Debian packages come from the preset "package" (shared libraries,
# installed into /usr). The Windows programs are self-contained (the
# run-times are linked in); the packed copies are stripped.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--windows" ]; then
  scripts/windows.sh --build
  rm -f build/vask-windows.zip
  cpack --config cmake/package/WindowsZip.cmake
  echo "packaged: build/vask-windows.zip"
  exit 0
fi
scripts/setup.sh package
rm -rf build/package/packages
scripts/build.sh package
cpack --preset package
