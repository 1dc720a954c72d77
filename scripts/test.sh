#!/usr/bin/env bash
# Sets up, builds and runs every test: the default build, then the
# AddressSanitizer + UndefinedBehaviorSanitizer build. Tests that open windows
# run under Xvfb, started here when no display is available. Last, a short
# smoke run of every fuzz harness (scripts/fuzz.sh --smoke).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

if [ -z "${DISPLAY:-}" ]; then
  source scripts/xvfb.sh
  start_xvfb 1920x1080x24
fi

for preset in default asan; do
  echo "== build: $preset"
  scripts/build.sh "$preset"
  echo "== test: $preset"
  ctest --preset "$preset"
done

echo "== fuzz: smoke run"
scripts/fuzz.sh --smoke
