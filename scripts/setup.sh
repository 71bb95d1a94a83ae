#!/usr/bin/env bash
# Installs what building and testing need on a Debian machine; does nothing that is already done.
set -euo pipefail

# osslsigncode signs releases; OpenSSL's PKCS#11 engine lets it use a key in a token, for which
# SoftHSM stands in during the tests.
need=(cmake ninja-build g++ make libgtest-dev libgmock-dev clang-format
      clang libclang-rt-dev clang-tidy cppcheck
      g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
      g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
      wine wine32:i386 wine64 fonts-wine fonts-liberation xvfb xauth x11-utils imagemagick procps python3-pefile
      zip osslsigncode openssl softhsm2 libengine-pkcs11-openssl)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: run as root (apt-get needs it)" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  updated=0
fi

missing=()
for p in "${need[@]}"; do
  name=${p%%:*}; arch=${p#*:}; [ "$arch" = "$p" ] && arch=""
  if [ -n "$arch" ]; then
    st=$(dpkg-query -W -f='${Status}' "$name:$arch" 2>/dev/null || true)
  else
    st=$(dpkg-query -W -f='${Status}' "$name" 2>/dev/null || true)
  fi
  [ "$st" = "install ok installed" ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The posix thread model is the one we build with; make it the default alternative too.
for t in gcc g++; do
  alt=/usr/bin/i686-w64-mingw32-$t-posix
  if [ -x "$alt" ] && command -v update-alternatives >/dev/null; then
    update-alternatives --set i686-w64-mingw32-$t "$alt" >/dev/null 2>&1 || true
  fi
done
echo "setup: ready"
