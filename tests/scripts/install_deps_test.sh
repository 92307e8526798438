#!/usr/bin/env bash
# scripts/install-deps.sh against stand-ins for dpkg, dpkg-query and apt-get that keep a
# machine's package state and record every call. apt-get, like the real one, cannot find an
# i386 package until dpkg has the architecture and an update has read its lists.
#   install_deps_test.sh SOURCE_DIR
set -u
src=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 passed=0

mkdir -p "$work/bin"
cat >"$work/bin/dpkg" <<'STUB'
#!/bin/sh
echo "dpkg $*" >>"$S/calls"
case $1 in
  --print-foreign-architectures) cat "$S/arch" ;;
  --add-architecture) echo "$2" >>"$S/arch" ;;
esac
STUB
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/sh
for p; do :; done
if [ "$ALL_INSTALLED" = 1 ] || grep -qxF "$p" "$S/installed"; then printf 'install ok installed'; else exit 1; fi
STUB
cat >"$work/bin/apt-get" <<'STUB'
#!/bin/sh
echo "apt-get $*" >>"$S/calls"
case $1 in
  update) cp "$S/arch" "$S/lists" ;;
  install)
    n=$(cat "$S/failures"); if [ "$n" -gt 0 ]; then echo $((n - 1)) >"$S/failures"; exit 100; fi
    shift; for p; do
      case $p in -*) continue ;; *:i386) grep -qx i386 "$S/lists" || { echo "E: Unable to locate package $p" >&2; exit 100; } ;; esac
    done
    for p; do case $p in -*) ;; *) echo "$p" >>"$S/installed" ;; esac; done ;;
esac
STUB
printf '#!/bin/sh\n"$@"\n' >"$work/bin/sudo"
printf '#!/bin/sh\n' >"$work/bin/sleep"
chmod +x "$work/bin/"*

# The script as it is, beside a can-run-32bit.sh that answers as the machine would.
mkdir -p "$work/scripts"
cp "$src/scripts/install-deps.sh" "$work/scripts/"

# name | 32-bit runs | foreign architectures | installed | install failures | exit | i386 added | wine32 installed
cases='multilib loader, no i386 architecture|yes|||0|0|yes|yes
i386 architecture there|yes|i386||0|0|no|yes
no 32-bit support|no|||0|0|no|no
no 32-bit support, i386 architecture there|no|i386||0|0|no|no
32-bit Wine there already|yes|i386|wine32:i386|0|0|no|yes
mirror in mid-sync: two failed installs|yes|||2|0|yes|yes
mirror never answers|no|||9|1|no|no'

while IFS='|' read -r name runs arch installed fails want_rc want_added want_wine32; do
  S=$work/state; rm -rf "$S"; mkdir -p "$S"
  printf '%s\n' "$arch" | sed '/^$/d' >"$S/arch"; : >"$S/lists"; : >"$S/calls"
  printf '%s\n' "$installed" | sed '/^$/d' >"$S/installed"; echo "$fails" >"$S/failures"
  if [ "$runs" = yes ]; then printf '#!/bin/sh\nexit 0\n'; else printf '#!/bin/sh\nexit 1\n'; fi >"$work/scripts/can-run-32bit.sh"
  chmod +x "$work/scripts/can-run-32bit.sh"

  S=$S ALL_INSTALLED=0 PATH="$work/bin:$PATH" bash "$work/scripts/install-deps.sh" >"$S/out" 2>&1
  rc=$?
  problems=()
  [ "$rc" = "$want_rc" ] || problems+=("exit $rc, expected $want_rc")
  added=no; grep -qx 'dpkg --add-architecture i386' "$S/calls" && added=yes
  [ "$added" = "$want_added" ] || problems+=("i386 architecture added: $added, expected $want_added")
  wine32=no; grep -qxF 'wine32:i386' "$S/installed" && wine32=yes
  [ "$wine32" = "$want_wine32" ] || problems+=("wine32:i386 installed: $wine32, expected $want_wine32")
  grep -q 'Unable to locate' "$S/out" && problems+=("an i386 package was asked for before its lists were read")
  if [ "$runs" = no ] && grep -qE 'apt-get install.*:i386|add-architecture' "$S/calls"; then
    problems+=("i386 packages or architecture on a machine that cannot run them")
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    passed=$((passed + 1))
  else
    failures=$((failures + 1))
    echo "FAIL: $name: ${problems[*]}"; sed 's/^/  call: /' "$S/calls"; sed 's/^/  out: /' "$S/out"
  fi
done <<<"$cases"

# Everything there: nothing is asked of apt at all.
S=$work/state; : >"$S/calls"; : >"$S/arch"
printf '#!/bin/sh\nexit 0\n' >"$work/scripts/can-run-32bit.sh"
S=$S ALL_INSTALLED=1 PATH="$work/bin:$PATH" bash "$work/scripts/install-deps.sh" >"$S/out" 2>&1
if [ $? -eq 0 ] && ! grep -q apt-get "$S/calls"; then passed=$((passed + 1)); else
  failures=$((failures + 1)); echo "FAIL: everything installed: apt-get was called"; cat "$S/calls"; fi

echo "install-deps: $passed passed, $failures failed"
[ $failures -eq 0 ]
