#!/usr/bin/env bash
# Installs the libraries into temporary prefixes and uses them from outside
# the tree, as another project would:
#   - the static libraries, installed from the default build (build it first:
#     scripts/build.sh default);
#   - the shared libraries, from the preset "shared", which is configured
#     without FLTK and X11 (VASK_BUILD_LAUNCHER=OFF) and builds the libraries
#     and zeljpeg-convert only.
# Against each prefix, tests/consumer is built through
# find_package(Zeljpeg 1.0 CONFIG) and its tests run (main.cpp and the
# README's examples), then the same programs are built with the flags of
# pkg-config's zeljpeg and run; the installed zeljpeg-convert converts a
# picture; only public headers are installed; a shared library has its
# SONAME and exports nothing of the libraries' internals. Last, the consumer
# is built with the source tree added by add_subdirectory.
#
#   scripts/check_install.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
extra=()
if [ "${CI:-}" = "true" ]; then extra+=(-DVASK_WERROR=ON); fi
work=$(mktemp -d "${TMPDIR:-/tmp}/zeljpeg-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "check_install: $*" >&2
  exit 1
}

# Headers that must not be installed: internal ones and the test support.
private_headers=(
  platform/gdi/GdiTest.h platform/gdi/ShellTest.h platform/gdi/MetafileBytes.h
  platform/graphics/GdiScope.h platform/graphics/BmpFormat.h
  platform/gdi/portable/GdiObjects.h zeljpeg/GdiGuards.h zeljpeg/ComponentWatch.h
  platform/forms/Forms.h)

# The README's examples and main.cpp, built with pkg-config's flags.
check_pkg_config() {
  local name=$1 prefix=$2 snippets=$3
  local pc libdir out="$work/$name-pkg-config"
  pc=$(dirname "$(find "$prefix" -name zeljpeg.pc)")
  libdir=$(dirname "$pc")
  mkdir -p "$out"
  local flags
  flags=$(PKG_CONFIG_PATH="$pc" pkg-config --cflags --libs zeljpeg)
  local programs=()
  for source in tests/consumer/main.cpp "$snippets"/readme_snippet_*.cpp; do
    local program
    program="$out/$(basename "$source" .cpp)"
    # shellcheck disable=SC2086  # the flags are words
    g++ -std=c++20 -o "$program" "$source" $flags
    programs+=("$program")
  done
  (cd "$out" && LD_LIBRARY_PATH="$libdir" "${programs[0]}")
  LD_LIBRARY_PATH="$libdir" cmake "-DPROGRAMS=$(IFS='|'; echo "${programs[*]:1}")" \
    -DWORK_DIR="$out/run" -DCJPEG="$(command -v cjpeg)" -DDJPEG="$(command -v djpeg)" \
    -P tests/readme/RunSnippets.cmake
}

check_prefix() {
  local name=$1 build=$2
  local prefix="$work/$name"
  echo "== install: $name ($build)"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  [ -f "$prefix/include/zeljpeg/zeljpeg/Zeljpeg.h" ] || fail "$name: zeljpeg/Zeljpeg.h is not installed"
  [ ! -e "$prefix/include/platform" ] || fail "$name: a top-level include/platform is installed"
  for header in "${private_headers[@]}"; do
    [ ! -e "$prefix/include/zeljpeg/$header" ] || fail "$name: the private header $header is installed"
  done
  # Every installed header compiles with what is installed beside it.
  (cd "$prefix/include/zeljpeg" && find . -name '*.h' | sed 's|^\./\(.*\)|#include "\1"|') |
    g++ -std=c++20 -fsyntax-only -I"$prefix/include/zeljpeg" -x c++ - ||
    fail "$name: the installed headers do not compile on their own"

  echo "== find_package consumer: $name"
  cmake -S tests/consumer -B "$work/$name-cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
  cmake --build "$work/$name-cmake" >/dev/null
  ctest --test-dir "$work/$name-cmake" --output-on-failure

  echo "== pkg-config consumer: $name"
  check_pkg_config "$name" "$prefix" "$work/$name-cmake/readme"

  echo "== installed zeljpeg-convert: $name"
  local convert="$work/$name-convert"
  mkdir -p "$convert"
  printf 'P3 3 2 255\n255 0 0 0 255 0 0 0 255\n255 255 0 0 255 255 255 0 255\n' >"$convert/in.ppm"
  cjpeg -outfile "$convert/in.jpg" "$convert/in.ppm"
  "$prefix/bin/zeljpeg-convert" "$convert/in.jpg" "$convert/out.bmp"
  cjpeg -outfile "$convert/back.jpg" "$convert/out.bmp" || fail "$name: cjpeg cannot read the converter's BMP"
}

cmake --preset shared "${extra[@]}" >/dev/null
echo "== build: shared (without FLTK and X11)"
cmake --build --preset shared

check_prefix static build/default
check_prefix shared build/shared

echo "== shared libraries: SONAME and exports"
for lib in zeljpeg zeljpeg-platform; do
  file="$work/shared/lib/lib$lib.so"
  soname=$(readelf -d "$file" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
  [ "$soname" = "lib$lib.so.1" ] || fail "lib$lib.so has the SONAME '$soname', not lib$lib.so.1"
  # Internal namespaces, and the static libraries linked in (AGG), stay hidden.
  leaked=$(nm -D -C --defined-only "$file" |
    grep -E 'graphics_internal::|gdiport::|gditest::|agg::|\(anonymous namespace\)' || true)
  [ -z "$leaked" ] || fail "lib$lib.so exports internal symbols:"$'\n'"$leaked"
done
echo "== add_subdirectory consumer"
cmake -S tests/consumer -B "$work/subdirectory" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DZELJPEG_SOURCE_DIR="$root" >/dev/null
cmake --build "$work/subdirectory" >/dev/null
ctest --test-dir "$work/subdirectory" --output-on-failure
echo "check_install: ok (static and shared; find_package, pkg-config and add_subdirectory)"
