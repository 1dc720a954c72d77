#!/usr/bin/env bash
# Installs the Debian packages the project needs, in one of three sizes:
#
#   scripts/setup.sh run       # building and running vask and zeljpeg-convert
#   scripts/setup.sh package   # ... and making and checking the Debian packages
#   scripts/setup.sh [test]    # everything: tests, fuzzing, Windows builds, packages
#
# Idempotent: when all are present it only checks and returns. Packages are
# installed without their recommendations, except those listed as wanted
# with them.
set -euo pipefail

size=${1:-test}

# Building and running the programs: compilers and build tools, the
# libraries the programs are built on (their run-time libraries come with
# them), and what scripts/run.sh uses to show vask without a display.
run_packages=(
  build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev
  # FLTK's CMake package file names its designer program, fluid.
  libfltk1.3-dev fluid libx11-dev
  # Drawing metafiles on Linux: AGG's geometry (curves, pen outlines,
  # dashes), pixman's regions (clipping), FreeType and fontconfig (text). At
  # run time the programs need libfreetype6, libfontconfig1 and
  # libpixman-1-0 (AGG links statically) and fonts-liberation, the fonts that
  # stand in for Arial, Times New Roman and Courier New; the -dev packages
  # are for building.
  libagg-dev libpixman-1-dev libfreetype-dev libfontconfig-dev fonts-liberation
  xvfb xauth xdotool imagemagick
)
# Making the Debian packages (CPack runs dpkg-shlibdeps and file) and
# checking them (lintian, the codec's tools).
package_packages=(
  dpkg-dev file lintian libjpeg-turbo-progs
)
# The tests and their oracles, fuzzing, formatting, the Windows cross builds.
test_packages=(
  clang-format
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  x11-utils
  python3-pil
  # The benchmarks: instruction counts beside times (callgrind), peak
  # memory of a program (GNU time), the screen's changes (X DAMAGE).
  valgrind time libxdamage-dev
  clang-14 libclang-rt-14-dev
  # gcc's ThreadSanitizer run-time (preset tsan); g++ brings it already.
  libtsan2
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 nasm
)
# Wine runs the Windows test programs; its recommended packages (fonts, the
# display driver's helpers) are wanted too.
with_recommends=(wine wine64)

case $size in
  run) wanted=("${run_packages[@]}") ;;
  package) wanted=("${run_packages[@]}" "${package_packages[@]}") ;;
  test) wanted=("${run_packages[@]}" "${package_packages[@]}" "${test_packages[@]}"
                "${with_recommends[@]}") ;;
  *) echo "usage: scripts/setup.sh [run|package|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -gt 0 ] || exit 0

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
plain=() recommended=()
for p in "${missing[@]}"; do
  if [[ " ${with_recommends[*]} " == *" $p "* ]]; then recommended+=("$p"); else plain+=("$p"); fi
done
[ ${#plain[@]} -eq 0 ] || $sudo apt-get install -y -qq --no-install-recommends "${plain[@]}"
[ ${#recommended[@]} -eq 0 ] || $sudo apt-get install -y -qq "${recommended[@]}"
