#!/usr/bin/env bash
# Makes the screens the PNG figures are judged on, each by a real renderer
# rather than drawn by us, at 1920x1080 and 3840x2160 (the second as a
# HiDPI screen shows the same content at twice the scale):
#   web       a documentation page in headless Chromium
#   terminal  a manual page in xterm, full screen
#   photo     a photograph from Plasma's wallpapers, as a wallpaper fills a screen
#   desktop   overlapping terminals and browser windows under xfwm4, over that photograph
#   chinese   a page of Traditional Chinese text in headless Chromium
#   noise     grey noise, blurred, with two flat rectangles (ImageMagick)
# The files are made, not kept in the tree.
#   bench/corpus.sh OUTPUT_FOLDER
set -euo pipefail
out=${1:?usage: bench/corpus.sh OUTPUT_FOLDER}
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" --test chromium xterm imagemagick plasma-workspace-wallpapers \
  debian-reference-en debian-reference-zh-tw xfwm4 x11-apps man-db manpages
mkdir -p "$out"
convert=/usr/bin/convert
docs=/usr/share/doc/debian-reference-common/docs
photo=/usr/share/wallpapers/Path/contents/images/2560x1600.jpg
profile=$(mktemp -d)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$profile"
}
trap cleanup EXIT
chromium_flags=(--no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
  --disable-component-update --disable-sync --hide-scrollbars --user-data-dir="$profile")

# A chapter without its table of contents, so that the screen shows its text.
pages=$profile/pages
mkdir -p "$pages"
cp -r "$docs"/. "$pages"/
for f in ch01.en ch02.zh-tw; do
  perl -0pe 's/<div class="toc">.*?<\/dl>\s*<\/div>//s' "$docs/$f.html" >"$pages/$f.html"
done

page() {  # page FILE.html SCALE OUT.png
  chromium --headless "${chromium_flags[@]}" --window-size=1920,1080 --force-device-scale-factor="$2" \
    --screenshot="$3" "file://$1" >/dev/null 2>&1
}

on_display() {  # starts a private Xvfb of the given size; sets DISPLAY
  exec 3< <(exec Xvfb -displayfd 1 -screen 0 "$1x24" -dpi "$2" -nolisten tcp 2>/dev/null)
  pids+=($!)
  read -r number <&3
  export DISPLAY=":$number"
}

stop_display() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
  pids=()
}

shot() { sleep "${2:-3}"; xwd -root -silent | "$convert" xwd:- -alpha off "PNG24:$1"; }

for size in 1920x1080 3840x2160; do
  scale=1 dpi=96
  [ "$size" = 3840x2160 ] && scale=2 dpi=192  # xterm scales its fonts by the dpi
  page "$pages/ch01.en.html" "$scale" "$out/web-$size.png"
  page "$pages/ch02.zh-tw.html" "$scale" "$out/chinese-$size.png"
  "$convert" "$photo" -resize "$size^" -gravity center -extent "$size" "PNG24:$out/photo-$size.png"
  w=${size%x*} h=${size#*x}
  "$convert" -size "$size" xc:gray50 -seed 7 -attenuate 0.6 +noise Random -colorspace Gray -blur 0x1.2 \
    -fill '#2d5aa0' -draw "rectangle $((w / 10)),$((h / 10)) $((w * 45 / 100)),$((h * 2 / 5))" \
    -fill '#f0f0f0' -draw "rectangle $((w * 55 / 100)),$((h / 2)) $((w * 9 / 10)),$((h * 85 / 100))" \
    -type TrueColor -depth 8 "PNG24:$out/noise-$size.png"

  # A terminal: xterm filling the screen, a manual page in its pager.
  on_display "$size" "$dpi"
  xterm -maximized -fa 'DejaVu Sans Mono' -fs 11 -bg '#1e1e1e' -fg '#d0d0d0' -e env MANWIDTH=200 man bash &
  pids+=($!)
  shot "$out/terminal-$size.png"
  stop_display

  # A busy desktop: a window manager, the photograph as wallpaper, terminals
  # and browser windows overlapping.
  on_display "$size" "$dpi"
  "$convert" "$photo" -resize "$size^" -gravity center -extent "$size" -alpha off "$profile/wall.png"
  display -window root "$profile/wall.png" & pids+=($!)
  # xfwm4 keeps its settings behind a session bus of its own.
  exec 4< <(exec dbus-daemon --session --nofork --print-address=1 2>/dev/null)
  pids+=($!)
  read -r bus <&4
  DBUS_SESSION_BUS_ADDRESS=$bus xfwm4 --compositor=off >/dev/null 2>&1 & pids+=($!)
  chromium "${chromium_flags[@]}" --force-device-scale-factor="$scale" --new-window \
    --window-position=$((w / 20)),$((h / 20)) --window-size=$((w / 2 / scale)),$((h * 3 / 4 / scale)) \
    "file://$docs/ch03.en.html" >/dev/null 2>&1 & pids+=($!)
  sleep 4
  xterm -geometry 100x35+$((w * 45 / 100))+$((h / 8)) -fa 'DejaVu Sans Mono' -fs 11 -e top -d 60 & pids+=($!)
  xterm -geometry 90x30+$((w / 3))+$((h * 45 / 100)) -fa 'DejaVu Sans Mono' -fs 11 \
    -e sh -c 'ls -l --color=always /usr/bin | head -200; exec sleep 600' & pids+=($!)
  xterm -geometry 80x25+$((w * 3 / 5))+$((h * 2 / 3)) -fa 'DejaVu Sans Mono' -fs 11 -bg white -fg black \
    -e env MANWIDTH=78 man ls & pids+=($!)
  shot "$out/desktop-$size.png" 4
  stop_display
done
ls -l "$out"
