#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine (as root).
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev googletest python3 mingw-w64 wine wine64 wine32:i386 xvfb xauth diffutils)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
