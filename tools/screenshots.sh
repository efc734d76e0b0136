#!/usr/bin/env bash
# Saves pictures of the installer's windows, taken from the running program under Wine on a
# virtual display, into docs/screenshots/ as PNG files.   tools/screenshots.sh [x64|x86] [DPI]
# With a DPI other than 96 (144: 150 % scaling) the pictures go into build/<arch>/shots-<DPI>/
# instead, taken in a bench of that DPI; the README's pictures are those of 96 DPI.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
arch=${1:-x64}
dpi=${2:-96}
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
pictures=docs/screenshots
if [ "$dpi" != 96 ]; then
    bench="$root/$build/wine-shots-$dpi"
    out="$root/$build/shots-$dpi"
    pictures="$out"
fi
mkdir -p "$out" "$pictures"
(unset DISPLAY; SETUP_BENCH_DPI=$dpi tests/wine/prefix.sh setup "$bench")
trap 'tests/wine/prefix.sh stop "$bench"' EXIT
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# The gallery shows the wizard from a fresh copy of the distribution folder, whose catalogue and
# packages the wizard reads beside the program.
gallery_dist="$root/$build/gallery-dist"
rm -rf "$gallery_dist"
cp -r "$build/dist" "$gallery_dist"
cp "$build/gallery.exe" "$gallery_dist/"
tests/wine/prefix.sh run "$bench" "$gallery_dist/gallery.exe" "$(winpath "$out")" wizard
# Without the date chunks, a picture that shows the same pixels is the same file.
for bmp in "$out"/*.bmp; do
    convert "$bmp" -define png:exclude-chunk=date,time "$pictures/$(basename "${bmp%.bmp}").png"
done
ls "$pictures"
