#!/usr/bin/env bash
# Runs a command with an X display (a private Xvfb unless DISPLAY is set) and stops
# Wine's server and the display afterwards.
set -u
if [ -n "${DISPLAY:-}" ] && [ -z "${QM_PRIVATE_DISPLAY:-}" ]; then
  "$@"; exit $?
fi
for n in $(seq 90 140); do [ -e /tmp/.X$n-lock ] || break; done
Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
trap 'kill $xpid 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
export DISPLAY=:$n
"$@"
rc=$?
for p in build/*/wineprefix*/; do [ -d "$p" ] && WINEPREFIX=$(realpath "$p") wineserver -k 2>/dev/null; done
exit $rc
