#!/usr/bin/env bash
# Makes the Debian packages (scripts/package.sh) and checks them:
#   - lintian reports no errors;
#   - unpacked with dpkg-deb into a scratch folder, they hold what they
#     should, zeljpeg-convert converts a picture, vask shows its window
#     (under Xvfb when there is no display), and a project built with
#     find_package(Zeljpeg) against the unpacked development files runs.
#
#   scripts/check_package.sh             # the checks above; the system is left alone
#   scripts/check_package.sh --install   # then installs the packages into this
#                                        # system with dpkg -i and apt-get -f install
#                                        # and checks the installed programs and files
#
# --install changes the system it runs on: use it in a fresh root
# (../shared/fresh-check scripts/check_package.sh --install), never on a
# development or CI machine, whose /usr would then hide faults.
set -euo pipefail
cd "$(dirname "$0")/.."
install=0
if [ "${1:-}" = "--install" ]; then install=1; fi

scripts/setup.sh package
scripts/package.sh
packages=(build/package/packages/*.deb)
if [ -z "${DISPLAY:-}" ]; then
  source scripts/xvfb.sh
  start_xvfb 1280x800x24
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/zeljpeg-deb.XXXXXX")
# Also stops the Xvfb started above (whose own exit trap this replaces).
trap 'rm -rf "$work"; [ -z "${VASK_XVFB_PID:-}" ] || kill "$VASK_XVFB_PID" 2>/dev/null || true' EXIT
fail() {
  echo "check_package: $*" >&2
  exit 1
}

echo "== lintian"
lintian --fail-on error "${packages[@]}"

depends() { dpkg-deb -f "build/package/packages/$1"_*.deb Depends; }
[[ "$(depends vask)" == *"libzeljpeg1 (= "* ]] || fail "vask does not depend on libzeljpeg1"
[[ "$(depends vask)" == *libfltk1.3* ]] || fail "vask does not depend on FLTK's library"
[[ "$(depends libzeljpeg1)" == *libjpeg62-turbo* ]] || fail "libzeljpeg1 does not depend on the codec"
[[ "$(depends libzeljpeg-dev)" == *libjpeg62-turbo-dev* ]] || fail "libzeljpeg-dev lacks the codec's headers"

# check_programs <usr>: the converter converts, vask shows its window.
check_programs() {
  local usr=$1 dir="$work/programs"
  rm -rf "$dir"
  mkdir -p "$dir"
  printf 'P3 3 2 255\n255 0 0 0 255 0 0 0 255\n255 255 0 0 255 255 255 0 255\n' >"$dir/in.ppm"
  cjpeg -outfile "$dir/in.jpg" "$dir/in.ppm"
  "$usr/bin/zeljpeg-convert" "$dir/in.jpg" "$dir/out.bmp"
  cjpeg -outfile "$dir/back.jpg" "$dir/out.bmp" || fail "cjpeg cannot read zeljpeg-convert's BMP"
  "$usr/bin/vask" &
  local pid=$!
  if ! timeout 30 xdotool search --sync --onlyvisible --classname vask >/dev/null 2>&1; then
    kill "$pid" 2>/dev/null || true
    fail "vask did not show its window"
  fi
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

# check_consumer <prefix>: tests/consumer built with find_package runs.
check_consumer() {
  local build="$work/consumer"
  rm -rf "$build"
  cmake -S tests/consumer -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$1" >/dev/null
  cmake --build "$build" >/dev/null
  ctest --test-dir "$build" --output-on-failure
}

echo "== the unpacked packages"
root="$work/root"
for p in "${packages[@]}"; do dpkg-deb -x "$p" "$root"; done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for f in usr/bin/vask usr/bin/zeljpeg-convert "usr/lib/$multiarch/libzeljpeg.so.1" \
  "usr/lib/$multiarch/libzeljpeg-platform.so.1" "usr/lib/$multiarch/pkgconfig/zeljpeg.pc" \
  "usr/lib/$multiarch/cmake/Zeljpeg/ZeljpegConfig.cmake" usr/include/zeljpeg/zeljpeg/Zeljpeg.h \
  usr/share/doc/libzeljpeg1/copyright usr/share/doc/libzeljpeg-dev/copyright \
  usr/share/doc/vask/copyright; do
  [ -e "$root/$f" ] || fail "no package holds /$f"
done
LD_LIBRARY_PATH="$root/usr/lib/$multiarch" check_programs "$root/usr"
check_consumer "$root/usr"

if [ $install -eq 1 ]; then
  echo "== dpkg -i and apt-get -f install"
  export DEBIAN_FRONTEND=noninteractive
  # Without the libraries the build brought along, so that the packages'
  # own dependencies have to bring them back.
  apt-get purge -y -qq --auto-remove libfltk1.3-dev fluid libjpeg62-turbo-dev libagg-dev \
    libpixman-1-dev libfreetype-dev libfontconfig-dev fonts-liberation >/dev/null
  dpkg -i "${packages[@]}" || apt-get -f install -y -qq
  dpkg-query -W libzeljpeg1 libzeljpeg-dev vask fonts-liberation
  check_programs /usr
  check_consumer /usr
  echo "== pkg-config consumer against /usr"
  g++ -std=c++20 -o "$work/consumer-pc" tests/consumer/main.cpp $(pkg-config --cflags --libs zeljpeg)
  (cd "$work" && ./consumer-pc)
fi
echo "check_package: ok"
