#!/usr/bin/env bash
# Builds Setup.exe and runs it under Wine from its distribution folder, in a private prefix
# (build/<arch>/wine-run) in the Chinese locale. On the user's display when DISPLAY is set;
# otherwise on a virtual display, saving a screenshot of what it shows to build/<arch>/run.png.
#   ./run.sh [x64|x86]
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
arch=${1:-x64}
case "$arch" in
x64) triple=x86_64-w64-mingw32 ;;
x86) triple=i686-w64-mingw32 ;;
*) echo "usage: ./run.sh [x64|x86]" >&2; exit 2 ;;
esac

tools/deps.sh run
if [ "$arch" = x86 ] && ! why32=$(tests/wine/prefix.sh can32); then
    echo "The x86 build runs only on a machine that can execute 32-bit programs; this one cannot ($why32). The x64 build runs here." >&2
    exit 1
fi
if [ ! -f "build/$arch/build.ninja" ]; then
    cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$triple.cmake" >/dev/null
fi
# The gallery tool only for the picture on a virtual display (it makes the wizard the active window).
targets=(Setup dist)
[ -n "${DISPLAY:-}" ] || targets+=(gallery)
cmake --build "build/$arch" --target "${targets[@]}"

bench="$root/build/$arch/wine-run"
prefix_sh="$root/tests/wine/prefix.sh"
had_display=${DISPLAY:-}
"$prefix_sh" setup "$bench"
trap '"$prefix_sh" stop "$bench"' EXIT

setup="$root/build/$arch/dist/Setup.exe"
if [ -n "$had_display" ]; then
    "$prefix_sh" run "$bench" "$setup"
else
    "$prefix_sh" run "$bench" "$setup" &
    pid=$!
    sleep "${RUN_SCREENSHOT_DELAY:-6}"
    # No window manager on the virtual display gives the wizard the focus: without one, its title
    # bar would show the inactive colour a user at the machine never sees.
    "$prefix_sh" run "$bench" "$root/build/$arch/gallery.exe" --activate "Velmora科技驱动安装程序" ||
        echo "The installer's window could not be made the active one; its title bar shows the inactive colour." >&2
    shot="$root/build/$arch/run.png"
    import -display ":$(cat "$bench/display")" -window root "$shot"
    echo "Screenshot of the running installer: $shot"
    kill "$pid" 2>/dev/null || true
fi
