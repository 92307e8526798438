#!/usr/bin/env bash
# The demo: the grammar compiler on the built-in commands and an example grammar, then the
# simulated Dragon loading Quillmoor.dll for a short scripted tour, with its transcript.
#   demo.sh BUILD_DIR
set -eu
build=$(realpath "${1:-build}")
here=$(cd "$(dirname "$0")" && pwd)
gramc=$build/native/gramc/qm-gramc

echo "=== The grammar compiler: the six built-in commands, each compiled alone"
while IFS= read -r line; do
  printf '%s\n' "$line" | "$gramc" -o "$build/demo-builtin.bin" -
  printf '%-48s -> %s bytes\n' "$line" "$(stat -c %s "$build/demo-builtin.bin")"
done < "$here/demo/builtin-commands.gram"
echo
echo "=== The first of them, decoded"
printf '<builtin1> exported = Show Quillmoor;\n' | "$gramc" -o "$build/demo-builtin.bin" -
"$gramc" --decode "$build/demo-builtin.bin"
echo
echo "=== An example grammar with an optional word, alternatives, a repeated list and dictation"
cat "$here/demo/example.gram"
QUILLMOOR_DUMP_DIR=$build "$gramc" --dump -o "$build/demo-example.bin" "$here/demo/example.gram" | sed -n '/Dumping/,$p'
"$gramc" --decode "$build/demo-example.bin"

echo
echo "=== The simulated Dragon (natspeak.exe) with Quillmoor.dll: a scripted tour"
[ -n "${DISPLAY:-}" ] && echo "(windows appear on display $DISPLAY)"
win=win
if ! "$here/can-run-32bit.sh"; then
  echo "(this kernel cannot run 32-bit programs: the tour runs the x86_64 build under 64-bit Wine)"
  make -C "$here/.." --no-print-directory BUILD="$build" win64 >/dev/null
  win=win64
fi
export QM_BUILD_DIR=$build/$win
"$here/with-display.sh" "$here/../cmake/wine-run.sh" "$build/$win/sim/natspeak.exe" \
  --module "$build/$win/module/Quillmoor.dll" --script "$here/demo/tour.qms"
