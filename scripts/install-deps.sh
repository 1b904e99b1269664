#!/usr/bin/env bash
# Installs Debian packages, only those missing, in one of two sets:
#   --run   (the default) what building and running the program needs, and
#           the private virtual display with a tray host that scripts/run.sh
#           shows a capture on where there is no display;
#   --test  the run set and the test rig on top: the test libraries, the
#           validators, and the desktops the scenarios run on (sway, GNOME
#           Shell, KWin, Xfce's panel, Xephyr, portals, notification services).
# Any further arguments are packages to install as well.
set -euo pipefail
run=(
  cmake ninja-build g++ pkg-config
  zlib1g-dev libdeflate-dev libjpeg62-turbo-dev libgif-dev libimagequant-dev libpixman-1-dev
  libx11-dev libxi-dev libxext-dev libxfixes-dev libxinerama-dev libwayland-dev qt6-base-dev qt6-wayland
  fonts-noto-cjk
  xvfb trayer xdotool x11-utils
)
test=(
  git libgtest-dev libpng-dev libxtst-dev
  xserver-xephyr xauth fonts-dejavu-core
  desktop-file-utils appstream file man-db dpkg-dev dunst dbus-daemon xfce4-panel libglib2.0-bin
  sway swaybg xwayland wtype jq waybar xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk grim pipewire
  gnome-shell gjs gnome-settings-daemon xdg-desktop-portal-gnome gnome-shell-extension-appindicator fuse3
  kwin-wayland kwin-style-breeze
)
packages=("${run[@]}") set="the run set"
case "${1:-}" in
  --run) shift ;;
  --test) shift; packages+=("${test[@]}") set="the test set" ;;
esac
packages+=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing ($set$([ $# -gt 0 ] && echo " and $*")): ${missing[*]}"
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
