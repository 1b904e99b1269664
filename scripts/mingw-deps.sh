#!/usr/bin/env bash
# Cross-builds the codecs, the test decoders and googletest for 64-bit
# Windows from Debian's own source packages, fetched with apt-get source
# under a private apt configuration (the machine's lists stay untouched).
# The result is cached outside the tree, keyed by the source versions and
# this script; prints the prefix it installed into.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
packages=(zlib libpng1.6 libdeflate libjpeg-turbo giflib libimagequant pixman googletest)
cache="${DUDO_MINGW_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dudo/mingw}"
apt_dir="$cache/apt"
mkdir -p "$apt_dir"/{lists/partial,archives/partial,etc}
echo "deb-src http://deb.debian.org/debian bookworm main" > "$apt_dir/etc/sources.list"
apt_opts=(-q -o "Dir::Etc::SourceList=$apt_dir/etc/sources.list" -o Dir::Etc::SourceParts=/dev/null
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir" -o Debug::NoLocking=1
          -o APT::Sandbox::User=root)
[ -n "$(ls "$apt_dir/lists" 2>/dev/null | grep Sources)" ] || apt-get "${apt_opts[@]}" update >&2

versions=""
for p in "${packages[@]}"; do
  v=$(apt-cache "${apt_opts[@]}" showsrc "$p" | awk '/^Version:/ {print $2; exit}')
  versions+="$p=$v "
done
key=$( (echo "$versions"; cat "$0" "$here/cmake/mingw-w64-x86_64.cmake") | sha256sum | cut -c1-16)
prefix="$cache/$key"
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

work="$cache/work-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"/{lib,include}
cd "$work"
for p in "${packages[@]}"; do
  apt-get "${apt_opts[@]}" source --download-only "$p" >&2 || true
  dsc=$(ls "${p}"_*.dsc)
  # A mirror may lack a package's Debian diff; the upstream tarball it
  # lists is then unpacked alone.
  if ! dpkg-source --no-check -x "$dsc" "src-$p" >/dev/null 2>&1; then
    orig=$(ls "${p}"_*.orig.tar.* | head -1)
    [ -n "$orig" ] || { echo "no source for $p" >&2; exit 1; }
    echo "warning: $p: unpacking $orig without its Debian changes" >&2
    # dpkg-source may have left a partial tree behind.
    rm -rf "src-$p" && mkdir "src-$p"
    tar -xf "$orig" -C "src-$p" --strip-components=1
  fi
done

host=x86_64-w64-mingw32
cc="$host-gcc-posix"
jobs=$(nproc)
cmake_build() {  # source dir, options...
  local src=$1; shift
  cmake -S "$src" -B "build-$(basename "$src")" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" -DDUDO_MINGW_PREFIX="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DCMAKE_CROSSCOMPILING_EMULATOR= "$@" >&2
  cmake --build "build-$(basename "$src")" -j "$jobs" >&2
  cmake --install "build-$(basename "$src")" >&2
}
archive() {  # name, sources... : compiles C files straight into lib<name>.a
  local name=$1; shift
  mkdir -p "obj-$name"
  local objs=()
  for f in "$@"; do
    o="obj-$name/$(basename "${f%.c}").o"
    $cc -O3 -DNDEBUG -c "$f" -o "$o" $ARCHIVE_FLAGS
    objs+=("$o")
  done
  "$host-ar" rcs "$prefix/lib/lib$name.a" "${objs[@]}"
}

ARCHIVE_FLAGS="-Isrc-zlib"
archive z src-zlib/{adler32,compress,crc32,deflate,gzclose,gzlib,gzread,gzwrite,infback,inffast,inflate,inftrees,trees,uncompr,zutil}.c
cp src-zlib/zlib.h src-zlib/zconf.h "$prefix/include/"

cmake_build src-libpng1.6 -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
cmake_build src-libjpeg-turbo -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF -DCMAKE_ASM_NASM_COMPILER=nasm
cmake_build src-googletest -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF

ARCHIVE_FLAGS="-std=c99 -Isrc-libdeflate"
archive deflate src-libdeflate/lib/{adler32,crc32,deflate_compress,deflate_decompress,gzip_compress,gzip_decompress,utils,zlib_compress,zlib_decompress}.c src-libdeflate/lib/x86/cpu_features.c
cp src-libdeflate/libdeflate.h "$prefix/include/"

ARCHIVE_FLAGS="-Isrc-giflib"
archive gif src-giflib/{dgif_lib,egif_lib,gifalloc,gif_err,gif_font,gif_hash,openbsd-reallocarray,quantize}.c
cp src-giflib/gif_lib.h "$prefix/include/"

ARCHIVE_FLAGS="-std=c99 -Wno-attributes -Isrc-libimagequant"
archive imagequant src-libimagequant/{libimagequant,blur,kmeans,mediancut,mempool,nearest,pam}.c
cp src-libimagequant/libimagequant.h "$prefix/include/"

cat > mingw.ini <<INI
[binaries]
c = '$cc'
ar = '$host-ar'
strip = '$host-strip'
windres = '$host-windres'
[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
INI
meson setup build-pixman src-pixman --cross-file mingw.ini --prefix="$prefix" --libdir=lib \
  --buildtype=release -Ddefault_library=static -Dtests=disabled -Dgtk=disabled \
  -Dlibpng=disabled -Dopenmp=disabled >&2
ninja -C build-pixman install >&2

echo "$versions" > "$prefix/.complete"
cd / && rm -rf "$work"
echo "$prefix"
