#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a desktop
# needs of it: the program and its module, its menu entry, icons, AppStream
# data and manual, with the entry and the AppStream file passing their
# validators.
set -euo pipefail
build=$1
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
grep -q '<release version="[0-9]' "$share/metainfo/io.github.dudo.Dudo.metainfo.xml" || { echo "no version in metainfo"; status=1; }
desktop-file-validate "$share/applications/io.github.dudo.Dudo.desktop" || status=1
appstreamcli validate --no-net "$share/metainfo/io.github.dudo.Dudo.metainfo.xml" || status=1
man --warnings -E UTF-8 -l "$share/man/man1/dudo.1" 2>&1 >/dev/null | grep . && status=1
[ $status -eq 0 ] && echo "installed files complete and valid"
exit $status
