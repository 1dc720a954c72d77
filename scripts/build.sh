#!/usr/bin/env bash
# Configures and builds one preset (see CMakePresets.json):
#   scripts/build.sh [default|release|asan|shared|package|windows-x64|windows-x86] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
shift || true
extra=()
if [ "${CI:-}" = "true" ]; then extra+=(-DVASK_WERROR=ON); fi
cmake --preset "$preset" "${extra[@]}" >/dev/null
cmake --build --preset "$preset" ${1:+--target "$@"}
