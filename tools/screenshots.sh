#!/usr/bin/env bash
# Saves pictures of the installer's windows, taken from the running program under Wine on a
# virtual display, into docs/screenshots/ as PNG files.   tools/screenshots.sh [x64|x86]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
arch=${1:-x64}
triple=$([ "$arch" = x86 ] && echo i686-w64-mingw32 || echo x86_64-w64-mingw32)
build=${SCREENSHOT_BUILD:-build/$arch}
tools/deps.sh run
if [ "$arch" = x86 ] && ! why32=$(tests/wine/prefix.sh can32); then
    echo "The x86 build runs only on a machine that can execute 32-bit programs; this one cannot ($why32). The x64 build runs here." >&2
    exit 1
fi
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$triple.cmake" >/dev/null
cmake --build "$build" --target gallery Setup dist
bench="$root/$build/wine-shots"
out="$root/$build/shots"
mkdir -p "$out" docs/screenshots
(unset DISPLAY; tests/wine/prefix.sh setup "$bench")
trap 'tests/wine/prefix.sh stop "$bench"' EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
tests/wine/prefix.sh run "$bench" "$build/gallery.exe" "$(winpath "$out")" \
    "$(winpath "$root/$build/dist/Setup.exe")"
for bmp in "$out"/*.bmp; do
    convert "$bmp" "docs/screenshots/$(basename "${bmp%.bmp}").png"
done
ls docs/screenshots
