#!/usr/bin/env bash
# Builds the installer and its tests for 64-bit and 32-bit Windows and runs every test under Wine,
# each architecture in its own private Wine prefix (build/<arch>/wine). Installs the Debian
# packages it needs when they are missing. On a machine that cannot execute 32-bit programs (or
# with SETUP_NO_32BIT=1) the x86 build is built and checked but its Wine tests are not run, and
# the last lines say so.   ./test.sh [ctest options...]
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

tools/deps.sh test

declare -A toolchain=([x64]=x86_64-w64-mingw32 [x86]=i686-w64-mingw32)
for arch in x64 x86; do
    if [ ! -f "build/$arch/build.ninja" ]; then
        cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-${toolchain[$arch]}.cmake" >/dev/null
    fi
    echo "== building $arch"
    cmake --build "build/$arch"
done

# The parsers' fuzz targets over their corpus (native, with sanitizers): a crash found once stays
# found.
echo "== fuzz targets over their corpus"
fuzz_status=0
./fuzz.sh --replay || fuzz_status=1

# The x86 tests run under Wine's 32-bit loader, which only a machine that executes 32-bit
# programs can start. Elsewhere (or with SETUP_NO_32BIT=1) the x86 build runs only the checks
# made on the build machine (label "host": PE imports and flags, the catalogue's source).
x86_only_host=()
if ! why32=$(tests/wine/prefix.sh can32); then
    x86_only_host=(-L host)
fi

# Both architectures' tests run side by side; each has its own prefix, display and wineserver.
pids=()
for arch in x64 x86; do
    only=()
    [ "$arch" = x86 ] && only=("${x86_only_host[@]}")
    (cd "build/$arch" && ctest --output-on-failure --timeout 120 "${only[@]}" "$@" >ctest.log 2>&1) &
    pids+=($!)
done
declare -A result
for i in 0 1; do
    arch=$([ $i -eq 0 ] && echo x64 || echo x86)
    if wait "${pids[$i]}"; then result[$arch]=0; else result[$arch]=1; fi
done
status=$fuzz_status
for arch in x64 x86; do
    log="build/$arch/ctest.log"
    echo "== tests $arch (full log: $log)"
    if [ "${result[$arch]}" -ne 0 ]; then
        status=1
        cat "$log" # the failing tests' output is in it
    else
        sed -n '/tests passed/,$p' "$log"
    fi
done
if [ ${#x86_only_host[@]} -gt 0 ]; then
    echo "x86: built and checked; its tests need a machine that can run 32-bit programs, this one cannot ($why32)."
fi
if [ $status -eq 0 ] && [ ${#x86_only_host[@]} -gt 0 ]; then
    echo "All tests passed: x64 all, x86 the build checks only."
elif [ $status -eq 0 ]; then
    echo "All tests passed for x64 and x86."
else
    echo "Some tests FAILED."
fi
exit $status
