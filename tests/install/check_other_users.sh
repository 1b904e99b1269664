#!/usr/bin/env bash
# What another user on the machine can do to `dudo --capture`, run here as
# root against the user nobody, with no runtime folder, as on a machine
# whose session sets none:
# - squat its places in the shared /tmp (the folder, and the socket's
#   place beside it) with a socket that answers "ok": the command must
#   refuse the folder instead of reporting a capture;
# - a socket path longer than a socket address holds: a clear message and
#   exit 1, not an abort.
set -uo pipefail
build=$1
status=0
fail() { echo "FAILED: $*"; status=1; }
work=$(mktemp -d); chmod 755 "$work"
cp "$build/dudo" "$work/dudo"; chmod 755 "$work/dudo"
as_nobody() { setpriv --reuid 65534 --regid 65534 --clear-groups env -i PATH=/usr/bin:/bin DISPLAY=:77 "$@"; }
squat=/tmp/dudo-65534
cleanup() {
  [ -n "${listener:-}" ] && kill "$listener" 2>/dev/null
  rm -rf "$work"; [ -O "$squat" ] && rm -rf "$squat"; rm -f "$squat-display_77.sock"
}
trap cleanup EXIT

if [ -e "$squat" ] && [ ! -O "$squat" ]; then
  echo "skipped: $squat is nobody's own"
else
  rm -rf "$squat"; mkdir -m 755 "$squat"
  python3 - "$work/heard" "$squat/dudo-65534-display_77.sock" "$squat-display_77.sock" <<'PY' &
import os, select, socket, sys
listening = []
for path in sys.argv[2:]:
    s = socket.socket(socket.AF_UNIX); s.bind(path); os.chmod(path, 0o777); s.listen(4); listening.append(s)
while True:
    for s in select.select(listening, [], [])[0]:
        c, _ = s.accept(); data = c.recv(64); open(sys.argv[1], "ab").write(data); c.sendall(b"ok\n"); c.close()
PY
  listener=$!
  for _ in $(seq 50); do [ -S "$squat/dudo-65534-display_77.sock" ] && break; sleep 0.1; done
  said=$(as_nobody "$work/dudo" --capture 2>&1); code=$?
  [ $code -eq 1 ] || fail "with a squatted /tmp folder, --capture exited $code: $said"
  [[ $said == *"private folder"* ]] || fail "with a squatted /tmp folder, --capture said: $said"
  [ ! -s "$work/heard" ] || fail "the squatter heard: $(cat "$work/heard")"
fi

long=/tmp/$(printf 'r%.0s' $(seq 120))/$(printf 'u%.0s' $(seq 120))
said=$(env -i PATH=/usr/bin:/bin DISPLAY=:77 XDG_RUNTIME_DIR="$long" "$work/dudo" --capture 2>&1); code=$?
[ $code -eq 1 ] && [[ $said == *"too long"* ]] || fail "with a socket path too long, --capture exited $code: $said"

[ $status -eq 0 ] && echo "another user's squatted folder is refused; a path too long is told"
exit $status
