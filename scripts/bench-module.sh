#!/usr/bin/env bash
# Benchmark of the module in the simulated Dragon (prints figures, asserts nothing):
# "Load 7500 Commands" as the module reports it, split into the time inside the engine's
# methods and the module's own share; the release time; and how long the module holds the
# utterance cookie with 7500 commands loaded, over 100 utterances each with DragonPad, its
# Font dialog and another program's window in the foreground.
#   bench-module.sh [BUILD_DIR]     (default build/win: the Release Windows build)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/win}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
utterances=100

{
  echo 'wait-log "... compiling and loading built-in commands done.\n" 60000'
  echo 'engine-time reset'
  echo 'menu 32773'
  echo 'wait-log "\n\n>> Test recognition by dictating" 300000'
  echo 'engine-time reset'
  for window in dragonpad font other; do
    echo "foreground $window"
    echo "echo bench window $window"
    for _ in $(seq $utterances); do echo 'say Test 1'; done
  done
  echo 'menu 32769'
  echo 'wait-log "please wait ... done in " 300000'
  echo 'wait-log " ms.\n" 10000'
  echo 'dialog "Quillmoor New Testing" read 201'
} > "$work/bench.qms"

QM_BUILD_DIR=$build QM_WINE_TIMEOUT=900 "$here/scripts/with-display.sh" \
  "$here/cmake/wine-run.sh" "$build/sim/natspeak.exe" --module "$build/module/Quillmoor.dll" \
  --script "$work/bench.qms" --transcript "$work/transcript.txt" --timeout 850 >/dev/null 2>&1 || {
  echo "bench-module: the run failed; transcript tail:" >&2
  tail -20 "$work/transcript.txt" >&2
  exit 1
}

awk '
  function report(name, n,    i, j, t, median) {
    if (n == 0) { printf "  %-10s no utterances\n", name; return }
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
    median = n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    printf "  %-10s median %.3f ms, max %.3f ms (%d utterances)\n", name, median, v[n], n
  }
  /^engine time:/ { engine[++e] = $3 }
  /^echo bench window / { next }
  /^bench window / { if (window != "") report(window, n); window = $3; n = 0; next }
  /resume cookie .*held/ { if (window != "") { sub(/.*held /, ""); v[++n] = $1 + 0 } }
  /control 201:/ {
    text = $0
    if (match(text, /\.\.\. done in [0-9]+ ms\./)) { s = substr(text, RSTART, RLENGTH); gsub(/[^0-9]/, "", s); load = s }
    if (match(text, /please wait \.\.\. done in [0-9]+ ms\./)) { s = substr(text, RSTART, RLENGTH); gsub(/[^0-9]/, "", s); release = s }
  }
  END {
    report(window, n)
    printf "Load 7500 Commands: %s ms as reported (\"... done in\"); inside the engine %.1f ms; module share %.1f ms\n", load, engine[2], load - engine[2]
    printf "Release of 7500:    %s ms as reported (\"done in\")\n", release
  }' "$work/transcript.txt" > "$work/figures.txt"
echo "Cookie held at an utterance begin with 7500 commands loaded:"
grep '^  ' "$work/figures.txt"
grep -v '^  ' "$work/figures.txt"
