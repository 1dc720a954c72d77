#!/usr/bin/env bash
# Builds the Windows programs and packs them: build/vask-windows.zip holds
# x86-64/vask.exe and i686/vask.exe (each self-contained: the run-times are
# linked in; debugging information is stripped from the packed copies).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/windows.sh --build
stage=build/package
rm -rf "$stage" build/vask-windows.zip
mkdir -p "$stage/x86-64" "$stage/i686"
x86_64-w64-mingw32-strip -o "$stage/x86-64/vask.exe" build/windows-x64/launcher/vask.exe
i686-w64-mingw32-strip -o "$stage/i686/vask.exe" build/windows-x86/launcher/vask.exe
(cd "$stage" && cmake -E tar cf ../vask-windows.zip --format=zip x86-64 i686)
echo "packaged: build/vask-windows.zip"
