#!/usr/bin/env bash
# Builds and runs tests/consumer, a tiny project that uses the Zeljpeg library
# through add_subdirectory, as the README describes. Usage:
#   scripts/check_consumer.sh [build-dir]   (default: build/consumer)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/consumer}"
cmake -S tests/consumer -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target consumer -j 2
"$build/consumer"
