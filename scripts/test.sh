#!/usr/bin/env bash
# Sets up, builds and runs every test: the default build, then the install
# test (scripts/check_install.sh: static and shared libraries used from
# another project), then the AddressSanitizer + UndefinedBehaviorSanitizer
# build, then the threading tests under ThreadSanitizer (preset tsan). Tests
# that open windows run under Xvfb, started here when no display
# is available. Then a short smoke run of every fuzz harness
# (scripts/fuzz.sh --smoke), the Debian packages (scripts/check_package.sh),
# and last the Windows builds (x86-64 and i686) with the x86-64 suite under
# Wine (scripts/windows.sh).
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
  if [ "$preset" = default ]; then
    scripts/check_install.sh
  fi
done

# The threading tests once more under ThreadSanitizer (only their suite is
# built in this preset).
echo "== build: tsan"
scripts/build.sh tsan
echo "== test: tsan"
ctest --preset tsan

echo "== fuzz: smoke run"
scripts/fuzz.sh --smoke

echo "== Debian packages"
scripts/check_package.sh

echo "== windows"
scripts/windows.sh
