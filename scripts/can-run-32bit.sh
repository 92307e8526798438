#!/bin/sh
# Exits 0 when this machine can run 32-bit x86 Linux programs (and so 32-bit Wine): some
# kernels are built or booted without 32-bit support. A 32-bit loader on disk proves nothing,
# so this runs a program: a static 32-bit ELF of 96 bytes, written here, whose only
# instructions are "exit(42)" (mov ebx,42; mov eax,1; int 0x80). It needs no 32-bit library.
dir=$(mktemp -d 2>/dev/null) || exit 1
trap 'rm -rf "$dir"' EXIT
# ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054, one program header.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$dir/exit42"
printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$dir/exit42"
printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$dir/exit42"
# Program header: the whole file loaded read+execute at 0x08048000.
printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$dir/exit42"
printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' >>"$dir/exit42"
# The code.
printf '\273\052\000\000\000\270\001\000\000\000\315\200' >>"$dir/exit42"
chmod +x "$dir/exit42"
"$dir/exit42" >/dev/null 2>&1
[ $? -eq 42 ]
