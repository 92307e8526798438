#!/usr/bin/env bash
# Reads Quillmoor.msi natively (msitools) and checks its tables: the product's names and version
# as the packaged module's own version resource states them, the files and where they go, the
# COM class as the module's registration writes it, the shortcut, the upgrade rules and the
# custom actions that keep Dragon's configuration right. PLATFORM is the processor of the
# packaged files, x86 (the package handed out) or x64 (a 64-bit build's package for its tests).
#   package_tables.sh MSI MODULE.dll ENABLE.exe SETUPACTIONS.dll WINDRES OBJDUMP PLATFORM
set -u
msi=$1; module=$2; enable=$3; actions=$4; windres=$5; objdump=$6; platform=$7
# The Program Files folder, the component attributes (256: 64-bit), the summary's platform, the
# objdump name of the files' processor, and where msiextract puts the files (it names only the
# 32-bit Program Files folder).
case $platform in
  x86) program_files=ProgramFilesFolder; attributes=0; template='Intel;1033'; machine=i386
       extracted_folder='Program Files/Quillmoor' ;;
  x64) program_files=ProgramFiles64Folder; attributes=256; template='x64;1033'; machine=i386:x86-64
       extracted_folder=Quillmoor ;;
  *) echo "unknown platform \"$platform\""; exit 2 ;;
esac
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# The rows of a table without its three header lines, carriage returns dropped.
table() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
# Column N (1-based) of the row whose first column is KEY.
cell() { table "$1" | awk -F'\t' -v key="$2" -v col="$3" '$1 == key { print $col; exit }'; }
expect() { # WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected \"$2\", found \"$3\""
}

# The packaged files are this build's files.
extracted=$(mktemp -d)
trap 'rm -rf "$extracted"' EXIT
msiextract -C "$extracted" "$msi" >/dev/null || fail "msiextract failed"
cmp -s "$extracted/$extracted_folder/Quillmoor.dll" "$module" || fail "the packaged Quillmoor.dll is not the built one"
cmp -s "$extracted/$extracted_folder/Enable Quillmoor 2023 Testing.exe" "$enable" ||
  fail "the packaged enable utility is not the built one"
for file in "$module" "$enable" "$actions"; do
  expect "processor of $(basename "$file")" "$machine" "$("$objdump" -f "$file" | sed -n 's/^architecture: \([^,]*\),.*/\1/p')"
done
expect "summary platform" "$template" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')"

# Product name, manufacturer and version agree with the module's version resource.
resource=$("$windres" -J coff -O rc -i "$extracted/$extracted_folder/Quillmoor.dll")
version_value() { printf '%s\n' "$resource" | sed -n "s/^ *VALUE \"$1\", \"\(.*\)\"\$/\1/p" | head -1; }
product_version=$(version_value ProductVersion)
echo "module resource: $(version_value ProductName) / $(version_value CompanyName) / $product_version"
expect "ProductName" "$(version_value ProductName)" "$(cell Property ProductName 2)"
expect "Manufacturer" "$(version_value CompanyName)" "$(cell Property Manufacturer 2)"
expect "ProductVersion" "${product_version%.*}" "$(cell Property ProductVersion 2)"
expect "ALLUSERS (per machine)" "1" "$(cell Property ALLUSERS 2)"
upgrade_code=$(cell Property UpgradeCode 2)
[[ "$upgrade_code" =~ ^\{[0-9A-F-]{36}\}$ ]] || fail "UpgradeCode \"$upgrade_code\""

# Files, components and folders: both programs in one folder under the platform's Program Files.
files=$(table File | awk -F'\t' '{ print $1 "|" $2 "|" $3 }' | sort)
expect "File table" "$(printf '%s\n' 'EnableExe|EnableUtility|Enable Quillmoor 2023 Testing.exe' 'QuillmoorDll|Module|Quillmoor.dll')" "$files"
for component in Module EnableUtility; do
  expect "folder of $component" "INSTALLFOLDER" "$(cell Component "$component" 3)"
  [[ "$(cell Component "$component" 2)" =~ ^\{[0-9A-F-]{36}\}$ ]] || fail "component $component has no fixed GUID"
  expect "attributes of $component" "$attributes" "$(cell Component "$component" 4)"
done
expect "install folder" "$program_files|Quillmoor" "$(cell Directory INSTALLFOLDER 2)|$(cell Directory INSTALLFOLDER 3)"
expect "Program Files folder" "TARGETDIR" "$(cell Directory $program_files 2)"

# The class as the module's registration writes it, under HKEY_CLASSES_ROOT (root 0), with the
# installed path of the file; no self-registration.
clsid='CLSID\{BC946B16-79E7-49E7-8902-75C25B2182A9}'
registry=$(table Registry | awk -F'\t' '{ print $2 "|" $3 "|" $4 "|" $5 "|" $6 }' | sort)
expected=$(printf '%s\n' "0|$clsid\\InprocServer32|ThreadingModel|Apartment|Module" \
  "0|$clsid||Quillmoor Module for NatSpeak|Module" \
  "0|$clsid\\InprocServer32||[#QuillmoorDll]|Module" | sort)
expect "Registry table" "$expected" "$registry"
[ -z "$(table SelfReg 2>/dev/null)" ] || fail "the package self-registers"
table InstallExecuteSequence | grep -q '^SelfReg' && fail "the sequence self-registers"

# The Start-menu shortcut to the installed utility.
expect "Shortcut" "ProgramMenuFolder|Enable Quillmoor 2023 Testing|EnableUtility|[#EnableExe]|INSTALLFOLDER" \
  "$(table Shortcut | awk -F'\t' '$1 == "EnableShortcut" { print $2 "|" $3 "|" $4 "|" $5 "|" $12 }')"

# A major upgrade: every version up to this one (a rebuild included) is replaced; a newer one
# stops the installation.
IFS=. read -r major minor build <<<"$(cell Property ProductVersion 2)"
upgrades=$(table Upgrade | awk -F'\t' '{ print $2 "|" $3 "|" $5 "|" $7 }' | sort)
expected=$(printf '%s\n' "0.0.0|$major.$minor.$((build + 1))|256|OLDERQUILLMOORFOUND" \
  "$major.$minor.$build||2|NEWERQUILLMOORFOUND" | sort)
expect "Upgrade table" "$expected" "$upgrades"
table Upgrade | awk -F'\t' -v code="$upgrade_code" '$1 != code { exit 1 }' || fail "Upgrade rows with another code"
expect "LaunchCondition" "NOT NEWERQUILLMOORFOUND" "$(table LaunchCondition | cut -f1)"

# Dragon's configuration: the custom actions, their conditions and their places in the sequence.
seq() { cell InstallExecuteSequence "$1" 3; }
condition() { cell InstallExecuteSequence "$1" 2; }
expect "RememberDragonState" "2049|SetupActions|RememberDragonState" \
  "$(cell CustomAction RememberDragonState 2)|$(cell CustomAction RememberDragonState 3)|$(cell CustomAction RememberDragonState 4)"
for action in RemoveFromDragon RestoreInDragon; do
  # 1 (a function of a stored DLL) + 1024 (deferred) + 2048 (with the installer's own rights).
  expect "$action" "3073|SetupActions|$action" \
    "$(cell CustomAction $action 2)|$(cell CustomAction $action 3)|$(cell CustomAction $action 4)"
done
expect "RemoveFromDragon runs" 'REMOVE~="ALL" AND NOT UPGRADINGPRODUCTCODE' "$(condition RemoveFromDragon)"
expect "RestoreInDragon runs" 'QUILLMOOR_ENABLED_IN_DRAGON AND OLDERQUILLMOORFOUND AND NOT REMOVE~="ALL"' \
  "$(condition RestoreInDragon)"
expect "RememberDragonState runs" 'OLDERQUILLMOORFOUND AND NOT REMOVE~="ALL"' "$(condition RememberDragonState)"
in_order() { # ACTION... : each is sequenced before the next
  local previous=0 action
  for action in "$@"; do
    local n; n=$(seq "$action")
    [ -n "$n" ] && [ "$n" -gt "$previous" ] || { fail "sequence order at $action: $*"; return; }
    previous=$n
  done
}
in_order FindRelatedProducts InstallValidate RememberDragonState InstallInitialize RemoveExistingProducts \
  RemoveFromDragon RemoveFiles InstallFiles RestoreInDragon InstallFinalize
# The stored DLL is the built one and exports the three entries by these names.
exports=$("$objdump" -p "$actions" | awk '/Ordinal\/Name Pointer/ { on = 1; next } on && /^\t\[/ { print $3 } on && /^$/ { exit }' | sort)
expect "custom action exports" "$(printf '%s\n' RememberDragonState RemoveFromDragon RestoreInDragon)" "$exports"
msiinfo extract "$msi" Binary.SetupActions | cmp -s - "$actions" || fail "the stored custom action DLL is not the built one"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package table checks passed"
