#!/bin/sh
# Exits 0 when this machine can run 32-bit x86 Linux programs (and so 32-bit Wine): some
# kernels are built or booted without 32-bit support.
exec /lib/ld-linux.so.2 --version >/dev/null 2>&1
