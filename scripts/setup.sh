#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when all are
# present it only checks and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libjpeg62-turbo-dev libjpeg-turbo-progs
  libfltk1.3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool
  imagemagick python3-pil
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 nasm dpkg-dev
)
# Drawing metafiles on Linux: AGG's geometry (curves, pen outlines, dashes),
# pixman's regions (clipping), FreeType and fontconfig (text). At run time the
# programs need libfreetype6, libfontconfig1 and libpixman-1-0 (AGG links
# statically) and fonts-liberation, the fonts that stand in for Arial, Times New
# Roman and Courier New; the -dev packages are for building.
drawing_packages=(libagg-dev libpixman-1-dev libfreetype-dev libfontconfig-dev fonts-liberation)
# Wine runs the Windows test programs; its recommended packages (fonts, the
# display driver's helpers) are wanted too.
wine_packages=(wine wine64)

missing=()
for p in "${packages[@]}" "${drawing_packages[@]}" "${wine_packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  plain=() recommended=()
  for p in "${missing[@]}"; do
    if [[ " ${wine_packages[*]} " == *" $p "* ]]; then recommended+=("$p"); else plain+=("$p"); fi
  done
  [ ${#plain[@]} -eq 0 ] || $sudo apt-get install -y -qq --no-install-recommends "${plain[@]}"
  [ ${#recommended[@]} -eq 0 ] || $sudo apt-get install -y -qq "${recommended[@]}"
fi
