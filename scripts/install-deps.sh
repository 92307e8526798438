#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; installs nothing when all are there.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# A mirror in the middle of a sync can fail some index files: the update's errors are only
# reported, the install says whether what is needed could be had, and both are tried again
# a few times before giving up.
apt_install() {
  for attempt in 1 2 3 4 5; do
    $SUDO apt-get update -qq || echo "install-deps: apt-get update reported errors (attempt $attempt)" >&2
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" && return 0
    [ $attempt -lt 5 ] && sleep 30
  done
  return 1
}

need=()
for p in cmake make g++ clang libclang-rt-14-dev googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 \
         wine wine64 xvfb xauth wixl msitools fonts-liberation x11-apps x11-utils imagemagick gnuplot-nox; do
  have "$p" || need+=("$p")
done

# 32-bit Wine only where the kernel runs 32-bit programs; elsewhere the Windows tests run under
# 64-bit Wine alone and no i386 package is installed. wine32:i386 is an i386 package: dpkg must
# have that architecture, and apt its package lists, before it can be found. A machine can run
# 32-bit code without having the architecture (an amd64 image with the multilib loader).
if "$here/can-run-32bit.sh" && ! have wine32:i386; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "install-deps: adding the i386 package architecture for 32-bit Wine"
    $SUDO dpkg --add-architecture i386
  fi
  need+=(wine32:i386)
fi

[ ${#need[@]} -eq 0 ] && exit 0
echo "Installing: ${need[*]}"
apt_install "${need[@]}" || { echo "install-deps: could not install: ${need[*]}" >&2; exit 1; }
