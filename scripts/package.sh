#!/usr/bin/env bash
# Builds the Debian package build/dudo_<version>_<arch>.deb. With --check it
# then installs it with apt, starts the program from its menu entry's command
# on a private virtual display, checks that the panel and tray icon appear
# and that the package carries the build's version, and removes it again.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --run dpkg-dev file
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDUDO_TESTS=OFF >/dev/null
cmake --build build --target dudo dudo_icons -j "$(nproc)"
(cd build && cpack -G DEB >/dev/null)
package=$(ls -t build/dudo_*.deb | head -n 1)
echo "Built $package"
[ "${1:-}" = "--check" ] || exit 0

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
if [ "$(dpkg-deb -f "$package" Version)" != "$version" ]; then
  echo "The package's version $(dpkg-deb -f "$package" Version) is not the build's $version." >&2; exit 1
fi

sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "./$package" >/dev/null
command=$(sed -n 's/^Exec=//p' /usr/share/applications/io.github.dudo.Dudo.desktop)
work=$(mktemp -d); runtime=$(mktemp -d); pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; wait "${pids[i]}" 2>/dev/null || true; done
  rm -rf "$work" "$runtime"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq dudo >/dev/null
}
trap cleanup EXIT
# -noreset: a display without clients for a moment (before the tray host
# connects) must not reset under the program as it connects.
exec 3< <(exec Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp -noreset 2>"$work/xvfb.log")
pids+=($!)
read -r number <&3
export DISPLAY=":$number" XDG_RUNTIME_DIR="$runtime"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 & pids+=($!)
(cd "$work" && exec $command >"$work/dudo.log" 2>&1) & pids+=($!)
for _ in $(seq 80); do
  xwininfo -name "dudo進階版" >/dev/null 2>&1 && xwininfo -name "dudo tray icon" >/dev/null 2>&1 && break
  sleep 0.1
done
if ! xwininfo -name "dudo進階版" >/dev/null 2>&1; then
  echo "The installed program showed no panel on $DISPLAY. It said:" >&2; cat "$work/dudo.log" >&2
  echo "The display $(xdpyinfo >/dev/null 2>&1 && echo answers || echo does not answer); Xvfb said:" >&2; cat "$work/xvfb.log" >&2
  ls -la /tmp/.X11-unix >&2; ps -eo pid,etime,args | grep -E "[X]vfb|[X]wayland|[X]ephyr" >&2 || true
  exit 1
fi
echo "The installed package started from its menu entry ($command): panel and tray icon shown."
