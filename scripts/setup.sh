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
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
