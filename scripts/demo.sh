#!/usr/bin/env bash
# The demo: the grammar compiler on the built-in commands and an example grammar, then the
# simulated Dragon loading Quillmoor.dll for a tour of its main job (test command sets and
# per-window activation, recognition results, a custom command with a script, a binary
# grammar file, Shut Down), with screenshots of the window and the command editor.
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
echo "=== The simulated Dragon (natspeak.exe) with Quillmoor.dll: the main job, step by step"
win=win
if ! "$here/can-run-32bit.sh"; then
  echo "(this kernel cannot run 32-bit programs: the tour runs the x86_64 build under 64-bit Wine)"
  make -C "$here/.." --no-print-directory BUILD="$build" win64 >/dev/null
  win=win64
fi
# The grammar file the tour loads with "Load From Binary", from the folder it runs in.
tour=$build/demo
mkdir -p "$tour"
printf '<1> exported = Switch {OnOff};\n' | "$gramc" -o "$tour/demo-switch.bin" - >/dev/null
transcript=$tour/transcript.txt
windows_path=Z:$(printf '%s' "$tour/demo-switch.bin" | tr / '\\')
template=$(cat "$here/demo/tour.qms")
printf '%s\n' "${template//@GRAMMAR_FILE@/"$windows_path"}" > "$tour/tour.qms"
export QM_BUILD_DIR=$build/$win
rc=0
(cd "$tour" && "$here/with-display.sh" "$here/demo/run-tour.sh" "$build/$win/sim/natspeak.exe" \
  "$build/$win/module/Quillmoor.dll" "$tour/tour.qms" "$transcript" "$tour") || rc=$?

# The readable part of the transcript: the headings, what the module's log gained at each
# reading, the boxes of the window and every message box with its answer.
awk '
  function unescape(t) { gsub(/\\r/, "", t); gsub(/\\n/, "\n", t); gsub(/\\"/, "\"", t); return t }
  /^=== / || /^--- / { print ""; print; next }
  /^dialog "Quillmoor New Testing" control 201: / {
    text = $0; sub(/^[^:]*: "/, "", text); sub(/"$/, "", text); text = unescape(text)
    if (index(text, seen) == 1) fresh = substr(text, length(seen) + 1); else fresh = text
    seen = text
    if (started) { n = split(fresh, lines, "\n"); for (i = 1; i <= n; i++) if (lines[i] != "") print "  log | " lines[i] }
    started = 1; next
  }
  /^dialog "Quillmoor New Testing" control 2(17|22|26|23|24|25): / {
    split("217 Global Commands:,222 App-Specific:,226 Window-Specific:,223 Utterance Begin module:,224 Utterance Begin window:,225 Utterance Begin handle:", names, ",")
    match($0, /control [0-9]+:/); id = substr($0, RSTART + 8, 3); label = id
    for (k in names) if (substr(names[k], 1, 3) == id) label = substr(names[k], 5)
    value = $0; sub(/^[^:]*: /, "", value); printf "  box | %-26s %s\n", label, value; next
  }
  /^dialog "Quillmoor 2023 Testing - Command Editor" control / {
    value = $0; sub(/^[^:]*: "/, "", value); sub(/"$/, "", value); printf "  editor | %s\n", unescape(value); next
  }
  /^box "/ { print "  message box | " $0; next }
  /^script [0-9]+ (values|action)/ { print "  script | " $0; next }
  /^FAILED/ { print; next }
' "$transcript"
echo
echo "The whole transcript: $transcript"
for picture in "$tour"/*.png; do [ -f "$picture" ] && echo "Screenshot: $picture"; done
exit $rc
