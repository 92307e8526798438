#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; installs nothing when all are there.
set -eu
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
for p in cmake make g++ clang libclang-rt-14-dev googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
         wine wine32:i386 wine64 xvfb xauth wixl msitools; do
  have "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0
SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "Installing: ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
