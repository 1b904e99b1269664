#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a desktop
# needs of it: the program and its module, its menu entry, icons, AppStream
# data and manual, with the entry and the AppStream file passing their
# validators; that the program, its AppStream release and its manual carry
# the build's version, and that its --help, its manual and the README list
# the same options.
set -euo pipefail
build=$1 version=$2
source=$(cd "$(dirname "$0")/../.." && pwd)
root=$(mktemp -d); trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
share="$root/usr/share"
expected=(
  usr/bin/dudo
  usr/share/applications/io.github.dudo.Dudo.desktop
  usr/share/metainfo/io.github.dudo.Dudo.metainfo.xml
  usr/share/man/man1/dudo.1
  usr/share/icons/hicolor/scalable/apps/dudo.svg
)
for size in 16 22 24 32 48 64 128 256; do expected+=("usr/share/icons/hicolor/${size}x${size}/apps/dudo.png"); done
status=0
for file in "${expected[@]}"; do
  [ -s "$root/$file" ] || { echo "missing: /$file"; status=1; }
done
for size in 16 48 256; do
  actual=$(file -b "$share/icons/hicolor/${size}x${size}/apps/dudo.png" | grep -o '[0-9]* x [0-9]*' || true)
  [ "$actual" = "$size x $size" ] || { echo "icon ${size}: $actual"; status=1; }
done
[ -x "$root/usr/bin/dudo" ] || { echo "not executable: /usr/bin/dudo"; status=1; }
# The installed program finds its desktop module: without a display, the module's own message.
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE "$root/usr/bin/dudo" 2>&1 || true)
[[ $said == *DISPLAY* ]] || { echo "the installed program did not load its module: $said"; status=1; }
grep -q "^Name\[zh_TW\]=dudo進階版$" "$share/applications/io.github.dudo.Dudo.desktop" || { echo "no Chinese name"; status=1; }
grep -q "<release version=\"$version\"" "$share/metainfo/io.github.dudo.Dudo.metainfo.xml" || { echo "metainfo: no release $version"; status=1; }
grep -q "^\.TH DUDO 1 .* \"dudo $version\"" "$share/man/man1/dudo.1" || { echo "manual: not of $version"; status=1; }
# The command line, answered without a display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE)
[ "$("${nodisplay[@]}" "$root/usr/bin/dudo" --version)" = "dudo $version" ] || { echo "--version: not dudo $version"; status=1; }
help=$("${nodisplay[@]}" "$root/usr/bin/dudo" --help) || { echo "--help: exit status $?"; status=1; }
unknown_out=$("${nodisplay[@]}" "$root/usr/bin/dudo" --no-such-option 2>/dev/null) && { echo "an unknown option exited 0"; status=1; }
[ $? -eq 2 ] && [ -z "$unknown_out" ] || { echo "an unknown option: not exit 2 with nothing on standard output"; status=1; }
[[ "$("${nodisplay[@]}" "$root/usr/bin/dudo" --no-such-option 2>&1)" == *"$help"* ]] || { echo "an unknown option: no usage"; status=1; }
options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
from_help=$(sed -n 's/^  \(--[a-z-]*\) .*/\1/p' <<<"$help" | sort -u)
from_manual=$(sed -n '/^\.SH OPTIONS/,/^\.SH /{/^\.TP/{n;p}}' "$share/man/man1/dudo.1" | sed 's/\\-/-/g' | options)
from_readme=$(sed -n '/^| option/,/^$/p' "$source/README.md" | grep '^| `--' | options)
[ -n "$from_help" ] && [ "$from_help" = "$from_manual" ] && [ "$from_help" = "$from_readme" ] ||
  { echo "options differ: --help [$(echo $from_help)], manual [$(echo $from_manual)], README [$(echo $from_readme)]"; status=1; }
desktop-file-validate "$share/applications/io.github.dudo.Dudo.desktop" || status=1
appstreamcli validate --no-net "$share/metainfo/io.github.dudo.Dudo.metainfo.xml" || status=1
man --warnings -E UTF-8 -l "$share/man/man1/dudo.1" 2>&1 >/dev/null | grep . && status=1
[ $status -eq 0 ] && echo "installed files complete and valid"
exit $status
