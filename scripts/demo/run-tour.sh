#!/usr/bin/env bash
# Runs the tour in the simulated Dragon on this display and, at each "SCREENSHOT NAME TITLE"
# line of its transcript, takes a picture of the top-level window whose title starts with
# TITLE (X's xwd and xwininfo, ImageMagick's convert).
#   run-tour.sh NATSPEAK.exe MODULE.dll TOUR.qms TRANSCRIPT PICTURE_DIR
set -u
here=$(cd "$(dirname "$0")/../.." && pwd)
host=$1; module=$2; tour=$3; transcript=$4; pictures=$5
mkdir -p "$pictures"
: > "$transcript"
QM_WINE_TIMEOUT=170 "$here/cmake/wine-run.sh" "$host" --module "$module" --script "$tour" \
  --transcript "$transcript" --timeout 160 >/dev/null 2>&1 &
run=$!

# The window's geometry as ImageMagick's crop takes it, from the largest X window so named.
geometry() {
  xwininfo -root -tree | grep -F "\"$1" | sed -n 's/.* \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  *+\([-0-9]*\)+\([-0-9]*\)$/\1x\2+\3+\4/p' |
    sort -t x -k1,1nr | head -1
}

taken=" "
while kill -0 $run 2>/dev/null; do
  while read -r name title; do
    case "$taken" in *" $name "*) continue;; esac
    taken="$taken$name "
    sleep 1 # the last step's drawing
    crop=$(geometry "$title")
    xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- ${crop:+-crop "$crop"} +repage "$pictures/$name.png"
  done < <(sed -n 's/^SCREENSHOT \([A-Za-z0-9-]*\) \(.*\)$/\1 \2/p' "$transcript")
  sleep 0.2
done
wait $run
