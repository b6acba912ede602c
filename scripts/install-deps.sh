#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on a Debian machine,
# 32-bit Wine included (Debian's multiarch: wine32 for i386 beside wine64)
# where the machine can run 32-bit programs. Does no apt work when everything
# is there already.
set -eu
here=$(dirname "$0")
pkgs=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
      binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 googletest
      wine wine64 xvfb xauth imagemagick python3 python3-markdown)
sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo

# Other builds on the machine may hold dpkg's or apt's lock for a while: wait
# for it rather than fail.
retry() {
  local n
  for n in $(seq 6); do
    "$@" && return 0
    echo "install-deps: '$*' failed (attempt $n), retrying in 10 s" >&2
    sleep 10
  done
  return 1
}
apt_opts=(-o DPkg::Lock::Timeout=600)
updated=""

# Installs those of the packages given that are missing. Only installs: what
# other users of the machine run (wine64) stays as it is, unless a new package
# needs it at the same version.
install_missing() {
  local p missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  if [ -z "$updated" ]; then
    retry $sudo apt-get "${apt_opts[@]}" update || return 1
    updated=1
  fi
  retry $sudo env DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" install -y \
    --no-install-recommends "${missing[@]}"
}

install_missing "${pkgs[@]}"

# 32-bit Wine, where this machine can run it. Without it the 32-bit build is
# still built, only not run, so a failure here does not stop the rest.
if bash "$here/can-run-32bit.sh"; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for 32-bit Wine"
    retry $sudo dpkg --add-architecture i386
    updated=""
  fi
  install_missing wine32:i386 ||
    echo "install-deps: 32-bit Wine could not be installed: the 32-bit tests will not run" >&2
elif [ -x /usr/lib/wine/wine ]; then
  echo "install-deps: wine32 is installed but this machine cannot run 32-bit programs;" \
    "'wine' fails for 64-bit programs too until 'apt-get remove wine32:i386'" >&2
else
  echo "install-deps: this machine cannot run 32-bit programs: 32-bit Wine is not installed"
fi
