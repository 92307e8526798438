#!/usr/bin/env bash
# Runs every libFuzzer target (executables named fuzz_*) of a build folder in turn.
#   scripts/fuzz.sh BUILD_DIR [SECONDS]     (default: 60 s per target)
# Seeds come from the target's source folder (tests/<area>/corpus/<target> or
# tests/<area>/corpus); new inputs are kept in BUILD_DIR/fuzz-corpus/<target>.
# Crash reproducers land in BUILD_DIR/fuzz-artifacts/.
set -u
build=${1:?usage: scripts/fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$build" && pwd) || exit 2

mapfile -t targets < <(find "$build" -type f -name 'fuzz_*' -perm -u+x ! -name '*.*' | sort)
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz.sh: no fuzz_* executables in $build" >&2
    exit 1
fi

status=0
for target in "${targets[@]}"; do
    name=$(basename "$target")
    area=$(dirname "${target#"$build"/}")      # e.g. tests/compiler
    seeds=()
    for dir in "$root/$area/corpus/$name" "$root/$area/corpus"; do
        if [ -d "$dir" ]; then seeds=("$dir"); break; fi
    done
    work="$build/fuzz-corpus/$name"
    artifacts="$build/fuzz-artifacts/"
    mkdir -p "$work" "$artifacts"
    log="$build/fuzz-$name.log"
    echo "== $name: ${seconds} s, seeds ${seeds[*]:-none}"
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts" "$work" "${seeds[@]}" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    took=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | tail -n 1)
    if [ $rc -eq 0 ]; then
        echo "   ok: ${runs:-?} runs${took:+ (${took}s)}, corpus $(ls "$work" | wc -l) inputs"
    else
        echo "   FAILED (exit $rc) after ${runs:-?} runs; see $log"
        grep -m 5 -E 'ERROR|SUMMARY|Test unit written' "$log" | sed 's/^/   /'
        status=1
    fi
done
exit $status
