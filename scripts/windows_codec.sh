#!/usr/bin/env bash
# Builds the JPEG codec for Windows from Debian's source package of the very
# version the Linux build uses, once per architecture, into a cache folder:
#
#   scripts/windows_codec.sh x86_64|i686     # prints the install prefix
#
# The source entry is derived from the machine's own package list (each
# "deb" entry becomes a "deb-src" one) and used through a private apt state,
# so the system's configuration is left alone. The codec is compiled with
# -fexceptions, so that C++ exceptions raised by our error and source
# handlers unwind through its frames, and with its SIMD code (nasm).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

arch=${1:?usage: windows_codec.sh x86_64|i686}
case $arch in x86_64 | i686) ;; *) echo "unknown architecture $arch" >&2; exit 2 ;; esac

package=libjpeg62-turbo-dev
source_name=$(dpkg-query -W -f='${source:Package}' "$package")
version=$(dpkg-query -W -f='${source:Version}' "$package")
upstream=${version#*:}
upstream=${upstream%-*}

cache=${VASK_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/vask}
base="$cache/$source_name-${version//:/_}"
prefix="$base/$arch"
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
mkdir -p "$base"

# The source package, fetched and unpacked once for both architectures.
src="$base/source"
if [ ! -f "$src/.complete" ]; then
  apt_dir="$base/apt"
  rm -rf "$apt_dir" "$src"
  mkdir -p "$apt_dir/lists/partial"
  list="$apt_dir/sources.list"
  : >"$list"
  # One-line entries, then deb822 (.sources) entries.
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$list"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    cp "$f" "$apt_dir/$(basename "$f")"
    sed -i 's/^Types:.*$/Types: deb-src/' "$apt_dir/$(basename "$f")"
  done
  apt_opts=(-q -o "Dir::Etc::SourceList=$list" -o "Dir::Etc::SourceParts=$apt_dir"
            -o "Dir::State::Lists=$apt_dir/lists" -o "APT::Sandbox::User=root")
  apt-get "${apt_opts[@]}" update >/dev/null
  (cd "$base" && apt-get "${apt_opts[@]}" source --download-only "$source_name=$version" >/dev/null)
  dpkg-source --no-check -x "$base/${source_name}_${upstream}"*.dsc "$src" >/dev/null 2>&1 ||
    dpkg-source --no-check -x "$base"/*.dsc "$src" >/dev/null
  touch "$src/.complete"
fi

work="$base/build-$arch"
rm -rf "$work" "$prefix"
cmake -S "$src" -B "$work" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="-fexceptions" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
  -DWITH_SIMD=ON -DREQUIRE_SIMD=ON >"$base/configure-$arch.log" 2>&1 ||
  { cat "$base/configure-$arch.log" >&2; exit 1; }
cmake --build "$work" --target jpeg-static >"$base/build-$arch.log" 2>&1 ||
  { tail -30 "$base/build-$arch.log" >&2; exit 1; }
mkdir -p "$prefix/include" "$prefix/lib"
cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$work/jconfig.h" "$prefix/include/"
cp "$work/libjpeg.a" "$prefix/lib/"
rm -rf "$work"
touch "$prefix/.complete"
echo "$prefix"
