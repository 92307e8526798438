#!/usr/bin/env bash
# Benchmark of the module in the simulated Dragon (prints figures, asserts nothing). For each
# number of test commands N it starts the simulated Dragon, loads N with the menu and measures:
#   - the load as the module reports it ("... done in", a tick count that moves in steps of a
#     few ms under Wine), the time from its first call into the engine to its last, the time
#     inside the engine's methods, and the module's own share (the difference of the two);
#   - the cookie hold at the first utterance after each window switch (DragonPad, its Font
#     dialog, another program), and the median and maximum of 100 more utterances spread over
#     the three windows; each hold split into the engine's methods and the module's own share
#     (from the simulated Dragon's "resume cookie ..., held H ms, E ms in K engine calls");
#   - the release ("Release All Commands": "done in"), split likewise.
# It prints one table, writes it as CSV and plots the module's share and the engine's time
# against N (gnuplot, PNG).
#   bench-module.sh [BUILD_DIR [OUT_DIR]]   (defaults: build/win, build/bench)
# QM_BENCH_MODULE=PATH runs another Quillmoor.dll (e.g. a saved earlier build) in BUILD_DIR's host.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/win}" && pwd)
out=${2:-$here/build/bench}
module=${QM_BENCH_MODULE:-$build/module/Quillmoor.dll}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes="100 500 1000 2500 5000 7500"
more=100

menu_id() { # the menu command that loads N test commands
  case $1 in 100) echo 32774 ;; 500) echo 32770 ;; 1000) echo 32775 ;; 2500) echo 32771 ;;
             5000) echo 32772 ;; 7500) echo 32773 ;; esac
}

script() { # N
  echo 'wait-log "... compiling and loading built-in commands done.\n" 60000'
  # The other program runs before the load, as on a user's machine: Wine starts a program by
  # forking the starting process, whose written pages then each fault once (copy on write),
  # which would land in whatever the host does next.
  echo 'foreground other'
  echo 'engine-time reset'
  echo "menu $(menu_id "$1")"
  echo 'wait-log "\n\n>> Test recognition by dictating" 300000'
  echo 'engine-time reset'
  local share=$((more / 3)) window
  for window in dragonpad font other; do
    echo "foreground $window"
    echo "echo bench first $window"
    echo 'say Test 1'
    [ $window = other ] && share=$((more - 2 * (more / 3)))
    echo "echo bench more"
    for _ in $(seq $share); do echo 'say Test 1'; done
  done
  echo 'echo bench release'
  echo 'engine-time reset'
  echo 'menu 32769'
  echo 'wait-log "please wait ... done in " 300000'
  echo 'wait-log " ms.\n" 10000'
  echo 'engine-time'
  echo 'dialog "Quillmoor New Testing" read 201'
}

# One CSV row from a run's transcript: N, load, release, the three first holds, the others.
row() { # N TRANSCRIPT
  awk -v n="$1" '
    function median(a, k,    i, j, t) {
      for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
      return k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2
    }
    /^engine time:/ { engine[++e] = $3; span[e] = $8 }
    /^bench first / { phase = $3; next }
    /^bench more/ { phase = "more"; next }
    /^bench release/ { phase = ""; next }
    /resume cookie .*held/ && phase != "" {
      line = $0; sub(/.*held /, "", line); split(line, f, /[ ,]+/)
      held = f[1] + 0; eng = f[3] + 0
      if (phase == "more") { k++; mh[k] = held; me[k] = eng; mm[k] = held - eng; if (held > maxh) maxh = held; if (held - eng > maxm) maxm = held - eng }
      else { fh[phase] = held; fe[phase] = eng }
      if (phase != "more") phase = "more"
    }
    /control 201:/ {
      text = $0
      if (match(text, /\.\.\. done in [0-9]+ ms\./)) { s = substr(text, RSTART, RLENGTH); gsub(/[^0-9]/, "", s); load = s }
      if (match(text, /please wait \.\.\. done in [0-9]+ ms\./)) { s = substr(text, RSTART, RLENGTH); gsub(/[^0-9]/, "", s); release = s }
    }
    END {
      # Each "engine time" line covers the time since the previous one: [1] the start,
      # [2] the load, [3] the utterances, [4] the release.
      printf "%d,%s,%.1f,%.1f,%.1f", n, load, span[2], engine[2], span[2] - engine[2]
      printf ",%s,%.1f,%.1f,%.1f", release, span[4], engine[4], span[4] - engine[4]
      split("dragonpad font other", w, " ")
      for (i = 1; i <= 3; i++) printf ",%.3f,%.3f,%.3f", fh[w[i]], fe[w[i]], fh[w[i]] - fe[w[i]]
      printf ",%.3f,%.3f,%.3f,%.3f,%.3f,%d\n", median(mh, k), median(me, k), median(mm, k), maxh, maxm, k
    }' "$2"
}

csv="$out/module-bench.csv"
echo "n,load_reported_ms,load_measured_ms,load_engine_ms,load_module_ms,\
release_reported_ms,release_measured_ms,release_engine_ms,release_module_ms,\
dragonpad_first_ms,dragonpad_first_engine_ms,dragonpad_first_module_ms,\
font_first_ms,font_first_engine_ms,font_first_module_ms,\
other_first_ms,other_first_engine_ms,other_first_module_ms,\
more_median_ms,more_median_engine_ms,more_median_module_ms,more_max_ms,more_max_module_ms,more_count" > "$csv"
for n in $sizes; do
  echo "bench-module: $n test commands ..." >&2
  script "$n" > "$work/bench-$n.qms"
  QM_BUILD_DIR=$build QM_WINE_TIMEOUT=900 "$here/scripts/with-display.sh" \
    "$here/cmake/wine-run.sh" "$build/sim/natspeak.exe" --module "$module" \
    --script "$work/bench-$n.qms" --transcript "$work/transcript-$n.txt" --timeout 850 >/dev/null 2>&1 || {
    echo "bench-module: the run with $n commands failed; transcript tail:" >&2
    tail -20 "$work/transcript-$n.txt" >&2
    exit 1
  }
  row "$n" "$work/transcript-$n.txt" >> "$csv"
done

# The table: each figure in ms as total / inside the engine / module share.
awk -F, '
  function cell(a, b, c, d) { return sprintf("%4d %6.1f %6.1f %6.1f", a, b, c, d) }
  function fine(a, b, c) { return sprintf("%6.2f %6.2f %6.2f", a, b, c) }
  NR == 1 {
    print "Test commands loaded with the menu. Load and release: as reported / from the first call into the"
    print "engine to the last / inside the engine / module share. Utterance begin: how long the module held"
    print "the cookie / inside the engine / module share, at the first utterance after switching to the window,"
    print "then the median of each over the further ones and their maximum hold and module share; all in ms."
    printf "%5s | %-25s | %-25s | %-20s | %-20s | %-20s | %-20s | %s\n", "N", "Load", "Release", "first DragonPad", \
      "first Font dialog", "first other program", "median of more", "max (held, module)"
    next
  }
  { printf "%5d | %s | %s | %s | %s | %s | %s | %6.2f %6.2f (%d)\n", $1, cell($2, $3, $4, $5), cell($6, $7, $8, $9), \
      fine($10, $11, $12), fine($13, $14, $15), fine($16, $17, $18), fine($19, $20, $21), $22, $23, $24 }
' "$csv"
echo "CSV: $csv"

if command -v gnuplot >/dev/null; then
  gnuplot <<EOF
set terminal pngcairo size 1400,900 font "Liberation Sans,10"
set output "$out/module-bench.png"
set datafile separator ","
set key top left
set grid
set xlabel "test commands loaded (N)"
set ylabel "ms"
set multiplot layout 2,2 title "Quillmoor in the simulated Dragon: the module's share and the engine's time against N"
set title "Load N Commands"
plot "$csv" every ::1 using 1:4 with linespoints title "inside the engine", \
     "" every ::1 using 1:5 with linespoints title "module share"
set title "Release All Commands"
plot "$csv" every ::1 using 1:8 with linespoints title "inside the engine", \
     "" every ::1 using 1:9 with linespoints title "module share"
set title "Cookie hold at the first utterance after a window switch"
plot "$csv" every ::1 using 1:11 with linespoints title "DragonPad: engine", \
     "" every ::1 using 1:12 with linespoints title "DragonPad: module", \
     "" every ::1 using 1:14 with linespoints title "Font dialog: engine", \
     "" every ::1 using 1:15 with linespoints title "Font dialog: module", \
     "" every ::1 using 1:17 with linespoints title "other program: engine", \
     "" every ::1 using 1:18 with linespoints title "other program: module"
set title "Cookie hold at further utterances"
plot "$csv" every ::1 using 1:20 with linespoints title "median: engine", \
     "" every ::1 using 1:21 with linespoints title "median: module", \
     "" every ::1 using 1:23 with linespoints title "max: module"
unset multiplot
EOF
  echo "Plot: $out/module-bench.png"
else
  echo "bench-module: gnuplot is not installed: no plot (scripts/install-deps.sh installs it)" >&2
fi
