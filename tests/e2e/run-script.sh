#!/usr/bin/env bash
# Runs natspeak.exe with a script under Wine and checks its exit code.
#   run-script.sh NATSPEAK.exe SCRIPT [host options...]
set -u
here=$(cd "$(dirname "$0")" && pwd)
host=$1; script=$2; shift 2
exec "$here/../../cmake/wine-run.sh" "$host" --script "$script" --timeout 250 "$@"
