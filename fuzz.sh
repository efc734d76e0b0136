#!/usr/bin/env bash
# Fuzzes every reader of outside data that needs no Windows call, natively with libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer (clang from Debian's packages).
#   ./fuzz.sh SECONDS [TARGET...]   each (or each named) target fuzzes for SECONDS; exits non-zero
#                                   on any finding
#   ./fuzz.sh --replay   each target runs over its corpus in fuzz/corpus and fuzzes 2 s more
# Findings are kept in build/fuzz/artifacts/; add a mended input to the target's corpus.
set -euo pipefail
cd "$(dirname "$0")"

mode=${1:?usage: ./fuzz.sh SECONDS [TARGET...] | --replay}
shift
only=("$@")
tools/deps.sh fuzz

# The plain rules: standard C++ without <windows.h>.
rules=(
    controls/error_text_layout.cpp
    controls/png_decode.cpp
    discovery/device_id.cpp
    discovery/device_paths.cpp
    engine/catalogue_text.cpp
    engine/dependent_files.cpp
    engine/font_names.cpp
    engine/log_record.cpp
    engine/model_names.cpp
    engine/package_paths.cpp
    engine/staging_lists.cpp
    engine/support_paths.cpp
    pnp/inf_rules.cpp
)
out=${FUZZ_OUT:-build/fuzz}
mkdir -p "$out/artifacts"
flags=(-std=c++17 -g -O1 -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)

status=0
summary=()
for source in fuzz/*.cpp; do
    target=$(basename "${source%.cpp}")
    if [ ${#only[@]} -gt 0 ] && ! printf '%s\n' "${only[@]}" | grep -qx "$target"; then
        continue
    fi
    binary="$out/$target"
    if [ ! -x "$binary" ] || [ -n "$(find "$source" fuzz/*.h "${rules[@]}" -newer "$binary" 2>/dev/null)" ]; then
        clang++ "${flags[@]}" "$source" "${rules[@]}" -o "$binary"
    fi
    seeds="fuzz/corpus/$target"
    work="$out/corpus/$target"
    mkdir -p "$work" "$seeds"
    log="$out/$target.log"
    if [ "$mode" = --replay ]; then
        args=(-max_total_time=2 -seed=1)
    else
        args=(-max_total_time="$mode" -print_final_stats=1)
    fi
    # The work corpus takes new inputs; the committed seeds stay as they are.
    if "$binary" "${args[@]}" -artifact_prefix="$out/artifacts/$target-" "$work" "$seeds" \
        >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
        summary+=("$target: clean${runs:+, $runs runs}${rate:+ at $rate/s}")
    else
        status=1
        summary+=("$target: FINDING, see $log and $out/artifacts/")
        grep -E 'ERROR|runtime error|SUMMARY' "$log" | head -5 || true
    fi
done
printf '%s\n' "${summary[@]}"
exit $status
