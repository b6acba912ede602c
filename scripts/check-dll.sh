#!/usr/bin/env bash
# Checks that the extension DLL exports its four procedures undecorated and
# imports nothing but Windows' own DLLs. With --program, checks a program's
# imports only.
set -eu
program=""
if [ "$1" = --program ]; then program=1; shift; fi
arch=$1 dll=$2
dump=$("$arch-w64-mingw32-objdump" -p "$dll")
names=""
want=""
[ -n "$program" ] || names=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[ *[0-9]+\] [A-Za-z_]/ {print $NF}' | sort | tr '\n' ' ')
[ -n "$program" ] || want="ButtonWndProc DlgProc FMExtensionProc MDIWndProc "
if [ "$names" != "$want" ]; then
  echo "check-dll: $arch exports are '$names', expected '$want'" >&2; exit 1
fi
imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {print toupper($3)}' | sort -u | tr '\n' ' ')
for d in $imports; do
  case "$d" in
    KERNEL32.DLL|USER32.DLL|GDI32.DLL|ADVAPI32.DLL|SHELL32.DLL|COMDLG32.DLL|SHLWAPI.DLL|MSVCRT.DLL|OLEACC.DLL|OLE32.DLL|OLEAUT32.DLL) ;;
    *) echo "check-dll: $arch DLL imports $d, which is not part of Windows" >&2; exit 1 ;;
  esac
done
echo "check-dll: $arch $(basename "$dll") exports: ${names:-none}; imports: $imports"
