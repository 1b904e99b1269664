#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need,
# and any named as arguments, only when some are missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config git
  libgtest-dev libpng-dev
  libdeflate-dev libjpeg62-turbo-dev libgif-dev libimagequant-dev libpixman-1-dev
  libx11-dev libxi-dev libxext-dev libxfixes-dev libxinerama-dev libxtst-dev qt6-base-dev libwayland-dev qt6-wayland
  xvfb xserver-xephyr xauth xdotool x11-utils trayer fonts-noto-cjk fonts-dejavu-core
  desktop-file-utils appstream file man-db dpkg-dev dunst dbus-daemon xfce4-panel libglib2.0-bin
  sway swaybg xwayland wtype jq waybar xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk grim pipewire
  gnome-shell gjs gnome-settings-daemon xdg-desktop-portal-gnome gnome-shell-extension-appindicator fuse3
  kwin-wayland kwin-style-breeze
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
