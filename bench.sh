#!/usr/bin/env bash
# Measures Setup.exe under Wine against floor programs of our own and prints one line per figure
# (see README.md, "Benchmark"). Not a test: it always exits 0.   ./bench.sh [RUNS]
set -uo pipefail
cd "$(dirname "$0")"
root=$PWD
runs=${1:-7}
x64=build/bench-x64
x86=build/bench-x86
bench_dir=$x64/wine-bench
dist=$x64/bench-dist

tools/deps.sh test || echo "bench: packages could not be checked" >&2

build() { # DIR TOOLCHAIN TARGETS... [-- CMAKE OPTIONS]
    local dir=$1 toolchain=$2
    shift 2
    local targets=() options=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do targets+=("$1"); shift; done
    [ $# -gt 0 ] && shift && options=("$@")
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$toolchain.cmake" "${options[@]}" \
        >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log" >&2; return 1; }
    cmake --build "$dir" -j2 --target "${targets[@]}" >"$dir.build.log" 2>&1 ||
        { tail -40 "$dir.build.log" >&2; return 1; }
}

mkdir -p build
echo "== building $x64 and $x86 (logs: $x64.build.log, $x86.build.log)"
if ! build $x64 x86_64-w64-mingw32 Setup dist floor_dialog job_timer floor_job startup_parts bench_driver \
    -- -DSETUP_BENCH=ON; then
    echo "bench: the x64 build failed; nothing measured" >&2
    exit 0
fi
build $x86 i686-w64-mingw32 Setup -- -DBUILD_TESTING=OFF || echo "bench: the x86 build failed" >&2

# The programs that stage from their own folder lie beside a fresh copy of the distribution.
rm -rf "$dist"
cp -a "$x64/dist" "$dist"
for exe in floor_dialog job_timer floor_job startup_parts bench_driver; do
    cp "$x64/bench/$exe.exe" "$dist/"
done

echo "== preparing the Wine prefix $bench_dir/prefix"
prefix=tests/wine/prefix.sh
trap '$prefix stop "$bench_dir" >/dev/null 2>&1' EXIT
if ! $prefix setup "$bench_dir"; then
    echo "bench: the Wine prefix could not be prepared" >&2
    exit 0
fi

windows_dist="Z:$(cd "$dist" && pwd | tr / '\\')"
echo "== measuring ($runs runs of each; $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'))"
$prefix run "$bench_dir" "$dist/bench_driver.exe" "$windows_dist" "$runs" </dev/null 2>"$x64/bench-driver.log" |
    tr -d '\r'
[ "${PIPESTATUS[0]}" -eq 0 ] || echo "bench: the driver did not finish; see $x64/bench-driver.log" >&2

size() { [ -f "$1" ] && echo "$(stat -c %s "$1") bytes ($(( ($(stat -c %s "$1") + 512) / 1024 )) KiB)" || echo "not built"; }
echo "footprint:      Setup.exe x64 $(size $x64/dist/Setup.exe), x86 $(size $x86/dist/Setup.exe)"
echo "== per-run times and phase profiles: $x64/bench-driver.log"
exit 0
