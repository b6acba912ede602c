#!/usr/bin/env bash
# Exits 0 when this machine can run 32-bit x86 programs, and so 32-bit Wine.
# Some virtual machines (a 64-bit-only kernel, or a hypervisor without the
# 32-bit code segment) cannot: there 32-bit Wine fails with "Exec format
# error", and installing it even breaks the `wine` command for 64-bit programs,
# since Debian's wrapper prefers the 32-bit loader. The probe is the smallest
# 32-bit ELF program, exit(0) through int 0x80, so it needs no i386 package.
set -u
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
{
  # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  # One loadable, executable segment: the whole file at 0x08048000.
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
  printf '\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
  # mov eax, 1 (exit); xor ebx, ebx; int 0x80
  printf '\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
} >"$probe"
chmod +x "$probe"
"$probe" >/dev/null 2>&1 </dev/null
