#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the run need, when missing.
# Usage: tools/deps.sh test|run|fuzz
set -euo pipefail

want=(cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
      mingw-w64-tools googletest wine wine64 wine32:i386 xvfb xauth locales fonts-wqy-zenhei
      fonts-wqy-microhei fonts-wine nlohmann-json3-dev wixl msitools python3-olefile
      clang libclang-rt-14-dev)
case "${1:-test}" in
  run) want+=(imagemagick x11-utils) ;;
  fuzz) want=(clang libclang-rt-14-dev) ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing Debian packages: ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
