#!/usr/bin/env bash
# The Windows release, checked under Wine in a copy of the build's prefix:
# the program, the zip and the installer carry the build's version; a silent
# install for this user puts the program, its Start menu entry and its
# Apps & features entry in place, and no Run value unless asked; the Start
# menu entry starts the program; installing again over the running program
# closes it; the uninstaller leaves nothing of ours behind.
set -uo pipefail
build=$1 version=$2
release="$build/dudo-$version-windows-x64"
status=0
fail() { echo "FAILED: $*"; status=1; }

# A string of a file's version resource, as Explorer's properties show it.
resource() { strings -el "$1" | grep -A1 -x "$2" | sed -n 2p; }
for file in "$build/dudo.exe" "$release-setup.exe"; do
  [ "$(resource "$file" ProductVersion)" = "$version" ] || fail "$(basename "$file"): ProductVersion '$(resource "$file" ProductVersion)'"
  [ "$(resource "$file" FileVersion)" = "$version" ] || fail "$(basename "$file"): FileVersion"
done
listing=$(cmake -E tar tf "$release.zip")
[ "$listing" = "dudo-$version-windows-x64/dudo.exe
dudo-$version-windows-x64/readme.txt" ] || fail "the zip holds: $listing"

work=$(mktemp -d); pids=()
cleanup() {
  wineserver -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# The prepared prefix's files linked, its registry copied, as the desktop tests do.
prefix="$work/wine"
cp -as "$(realpath "$build/wine")" "$prefix"
rm -rf "$prefix/dosdevices" && (cd "$build/wine" && cp -a --remove-destination ./*.reg .update-timestamp dosdevices "$prefix")
# No menu entries of the host's own for the Windows programs installed here.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
exec 3< <(exec Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null)
pids+=($!)
read -r number <&3
export DISPLAY=":$number"

said=$(wine "$build/dudo.exe" --version 2>/dev/null | tr -d '\r')
[ "$said" = "dudo $version" ] || fail "dudo.exe --version said '$said'"

ours() { find "$prefix/drive_c" -iname '*dudo*' | sort; wine reg query 'HKCU\Software' /s 2>/dev/null | tr -d '\r' | grep -i dudo || true; }
before=$(ours)
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\dudo'
run='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  /, ""); print }'; }
panel() { xdotool search --name '^dudo進階版$' 2>/dev/null | head -n 1; }
wait_for() { for _ in $(seq 150); do eval "$1" && return 0; sleep 0.2; done; return 1; }

wine "$release-setup.exe" /S
folder=$(find "$prefix/drive_c/users" -path '*/AppData/Local/Programs/dudo' -type d | head -n 1)
[ -n "$folder" ] && [ -f "$folder/dudo.exe" ] && [ -f "$folder/uninstall.exe" ] || fail "no program in AppData\\Local\\Programs\\dudo"
link=$(find "$prefix/drive_c/users" -path '*/Start Menu/Programs/dudo.lnk' | head -n 1)
[ -n "$link" ] || fail "no Start menu entry"
[ "$(value "$key" DisplayVersion)" = "$version" ] || fail "Apps & features: DisplayVersion '$(value "$key" DisplayVersion)'"
[ "$(value "$key" DisplayName)" = "dudo" ] || fail "Apps & features: no DisplayName"
[[ "$(value "$key" UninstallString)" == *uninstall.exe* ]] || fail "Apps & features: no UninstallString"
[ -z "$(value "$run" dudo)" ] || fail "starts with Windows though not chosen"

# The Start menu entry starts the program.
wine start /unix "$link"
wait_for '[ -n "$(panel)" ]' || fail "the Start menu entry showed no panel"

# Installing over the running program closes it first; chosen this time, it starts with Windows.
wine "$release-setup.exe" /S /AUTOSTART
wait_for '[ -z "$(panel)" ]' || fail "the running program was not closed"
[ -f "$folder/dudo.exe" ] || fail "the program is gone after installing over it"
[[ "$(value "$run" dudo)" == *dudo-autostart.lnk* ]] || fail "no Run value though chosen: '$(value "$run" dudo)'"

# The uninstaller copies itself away and runs from there: it is done when the folder is.
wine "$folder/uninstall.exe" /S
wait_for '[ ! -e "$folder" ]' || fail "the program's folder stays: $(ls -A "$folder")"
wait_for '[ "$(ours)" = "$before" ]' || fail "left behind: $(diff <(echo "$before") <(ours) | grep '^>')"
[ -z "$(value "$key" DisplayVersion)$(value "$run" dudo)" ] || fail "registry entries left"

[ $status -eq 0 ] && echo "the release carries $version; installed, started, replaced while running and removed under Wine"
exit $status
