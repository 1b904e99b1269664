#!/usr/bin/env bash
# The Windows build: the codecs cross-built from Debian's sources (cached),
# then the program's core and its unit tests with MinGW-w64 into build-win/.
# A stripped release dudo.exe; with --debug, one with debugging information.
# With --release, beside it the portable zip and the installer
# (dudo-<version>-windows-x64.zip and -setup.exe, made with NSIS).
# With --test, the unit tests run under Wine in a private Wine prefix, and,
# with --release too, the installer is installed, started and removed there.
set -euo pipefail
cd "$(dirname "$0")/.."
build_type=Release test="" release=""
for option in "$@"; do
  case "$option" in
    --debug) build_type=RelWithDebInfo ;;
    --test) test=yes ;;
    --release) release=yes ;;
    *) echo "usage: $0 [--release] [--test] [--debug]" >&2; exit 2 ;;
  esac
done
scripts/install-deps.sh --run mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 meson nasm dpkg-dev nsis
prefix=$(scripts/mingw-deps.sh)
export WINEPREFIX="$PWD/build-win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p build-win
# The prefix is made once, before test discovery runs the tests under Wine.
# Its shell draws balloons and menus in Tahoma, which has no Chinese: as
# Windows' own font links do, the missing glyphs come from Noto Sans CJK.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wine wineboot --init >/dev/null 2>&1
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "Segoe UI"; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d "NotoSansCJK-Regular.ttc,Noto Sans CJK TC" /f >/dev/null 2>&1
  done
  wineserver -w
fi
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DDUDO_MINGW_PREFIX="$prefix" >/dev/null
cmake --build build-win -j "$(nproc)"
# The tests include the installer's, so --test builds the release too.
if [ -n "$release$test" ]; then
  cmake --build build-win --target release
  ls -l build-win/dudo.exe build-win/dudo-*-windows-x64.zip build-win/dudo-*-windows-x64-setup.exe
fi
if [ -n "$test" ]; then
  ctest --test-dir build-win --output-on-failure -j "$(nproc)" --timeout 300 --repeat until-pass:2
  wineserver -k || true
fi
