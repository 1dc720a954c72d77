#!/usr/bin/env bash
# Installs what the benchmarks need beyond scripts/setup.sh: real photographs
# (2560 x 1600 and 5120 x 2880 JPEG wallpapers under /usr/share/wallpapers).
set -euo pipefail
"$(dirname "$0")/../scripts/setup.sh"
if ! dpkg-query -W -f='${Status}' plasma-workspace-wallpapers 2>/dev/null | grep -q "install ok installed"; then
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends plasma-workspace-wallpapers
fi
