#!/usr/bin/env bash
# Wine's regsvr32 registers the module's class (read back from the registry), Dragon's
# configuration files name it, and the simulated Dragon then loads the module by its class
# identifier alone; regsvr32 /u removes the class key and leaves CLSID.
#   registration.sh NATSPEAK.exe QUILLMOOR.dll SCRIPT
set -u
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../cmake/wine-run.sh"
host=$1; module=$2; script=$3
build=${QM_BUILD_DIR:-$(pwd)}
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all

clsid='{BC946B16-79E7-49E7-8902-75C25B2182A9}'
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Creates the prefix on first use.
"$run" cmd /c exit >/dev/null 2>&1
module_win=$("$run" winepath -w "$module" 2>/dev/null | tr -d '\r')

# reg query KEY [/ve | /v NAME] -> the value's data, or nothing.
reg_value() {
  "$run" reg query "$@" 2>/dev/null | tr -d '\r' | awk -F'    ' '/REG_SZ/ { print $NF; exit }'
}
reg_exists() {
  "$run" reg query "$1" >/dev/null 2>&1
}

"$run" regsvr32 /s "$module_win" || fail "regsvr32 returned $?"
name=$(reg_value "HKCR\\CLSID\\$clsid" /ve)
path=$(reg_value "HKCR\\CLSID\\$clsid\\InprocServer32" /ve)
model=$(reg_value "HKCR\\CLSID\\$clsid\\InprocServer32" /v ThreadingModel)
echo "class name: $name"
echo "server path: $path"
echo "threading model: $model"
[ "$name" = "Quillmoor Module for NatSpeak" ] || fail "class name is \"$name\""
[ "${path,,}" = "${module_win,,}" ] || fail "server path is \"$path\", not \"$module_win\""
[ "$model" = "Apartment" ] || fail "threading model is \"$model\""

# Dragon's configuration: the module as a global client, found by its class identifier.
config="$WINEPREFIX/drive_c/ProgramData/Nuance/NaturallySpeaking15"
mkdir -p "$config"
backup=$(mktemp -d)
for f in nssystem.ini nsapps.ini; do
  [ -f "$config/$f" ] && cp "$config/$f" "$backup/$f"
done
printf '[Global Clients]\r\n.Quillmoor=Custom COM Client\r\n' > "$config/nssystem.ini"
printf '[.Quillmoor]\r\nApp Support GUID=%s\r\n' "$clsid" > "$config/nsapps.ini"

"$run" "$host" --script "$script" || fail "the script run by class identifier failed"

for f in nssystem.ini nsapps.ini; do
  if [ -f "$backup/$f" ]; then cp "$backup/$f" "$config/$f"; else rm -f "$config/$f"; fi
done
rm -rf "$backup"

"$run" regsvr32 /u /s "$module_win" || fail "regsvr32 /u returned $?"
reg_exists "HKCR\\CLSID\\$clsid" && fail "the class key is still there after /u"
reg_exists "HKCR\\CLSID" || fail "HKCR\\CLSID is gone after /u"
"$run" reg query "HKCR\\CLSID\\{00000303-0000-0000-C000-000000000046}" >/dev/null 2>&1 ||
  fail "other classes below CLSID are gone after /u"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "registration checks passed"
