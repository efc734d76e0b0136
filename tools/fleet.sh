#!/usr/bin/env bash
# A fleet of fresh Windows machines under Wine, each installed and then uninstalled silently, as a
# deployment system would do it.
#
#   tools/fleet.sh [N] [--faults] [--msi] [--build DIR] [--timeout SECONDS]
#
# N machines (default 20), each a prefix of its own copied from one booted template (hard links
# for Wine's program files, real copies of everything Wine or the installer may write), with its
# own wineserver, the Chinese locale and one shared virtual display. On each, at most as many at a
# time as the machine has cores and each under a time limit:
#   Setup.exe /quiet /model KV-8200 /port LPT1: /report C:\fleet\install.json
# (docs/deploy.md's recipes write the report below %ProgramFiles% instead: on a real PC any user
# can make C:\fleet first; these machines are thrown away after the run)
# then, on a healthy machine, the rest of the product's life as deployment systems drive it: the
# same install again (it must change nothing), a newer installer with a changed data file (it
# must update the driver in place), the older one again (refused with 1638), each time with one
# queue and one driver of ours counted on the machine; and, where it installed, the kept copy's
# QuietUninstallString:
#   "C:\Program Files (x86)\Vantrel打印机\Setup.exe" /uninstall /quiet /report C:\fleet\uninstall.json
# With --faults every third machine is broken first, each in one of seven ways, with the exit code
# it must give known in advance.
#
# With --msi the machines get the Windows Installer package instead of Setup.exe, a local copy of
# it as deployment systems run it:
#   msiexec /i C:\fleet\package.msi /qn MODEL=KV-8200 PORT=LPT1: REPORT=C:\fleet\install.json
# The package runs its own copy of Setup.exe /quiet /msi; when the installer fails, the package
# fails (1603 on Windows, 1627 from Wine's msiexec) and rolls its files back, and the installer's
# own exit code is read from the report. A healthy machine then takes the same package again, a
# newer package (built here from the next distribution) and the older package again (refused by
# its launch condition), and finally msiexec /x of the package installed last. With --msi,
# --faults breaks machines only in the five ways that are a state of the machine or another
# program; a broken distribution (no-package, unreadable-catalogue) inside a package is what the
# broken package's end-to-end test (tests/e2e/msi_e2e_test.cpp) covers.
#
# Prints one table and writes every report into one CSV
# (DIR/fleet/fleet.csv). Fails when a machine hangs, an exit code differs from the expected one, a
# machine is left half-installed, something of ours is left after the removal, or the template
# changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

count=20
faults=0
msi=0
build="$root/build/x64"
limit=180
while [ $# -gt 0 ]; do
    case "$1" in
    --faults) faults=1 ;;
    --msi) msi=1 ;;
    --build) build=$(cd "$2" && pwd); shift ;;
    --timeout) limit=$2; shift ;;
    [0-9]*) count=$1 ;;
    *) echo "usage: tools/fleet.sh [N] [--faults] [--msi] [--build DIR] [--timeout SECONDS]" >&2; exit 2 ;;
    esac
    shift
done

prefix_sh="$root/tests/wine/prefix.sh"
# The product's version as CMake reads it, and the next release's (the third field raised), as
# CMake derives SetupNext's; the packages are named after them.
setup_version=$(sed -n 's/^set(SETUP_VERSION \([0-9.]*\))$/\1/p' "$root/CMakeLists.txt")
if ! [[ "$setup_version" =~ ^([0-9]+\.[0-9]+)\.([0-9]+)\.([0-9]+)$ ]]; then
    echo "fleet: no version a.b.c.d in set(SETUP_VERSION ...) of CMakeLists.txt" >&2
    exit 1
fi
next_version="${BASH_REMATCH[1]}.$((BASH_REMATCH[2] + 1)).${BASH_REMATCH[3]}"
package="$build/msi/KorvaneReceiptPrinterDriver-$setup_version-x64.msi"
targets=(Setup SetupNext dist file_holder exit_code)
[ "$msi" -eq 1 ] && targets+=(msi)
if [ ! -f "$build/dist/Setup.exe" ] || [ ! -f "$build/next/Setup.exe" ] ||
    [ ! -f "$build/file_holder.exe" ] || [ ! -f "$build/exit_code.exe" ] ||
    { [ "$msi" -eq 1 ] && [ ! -f "$package" ]; }; then
    "$root/tools/deps.sh" test
    if [ ! -f "$build/build.ninja" ]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
    fi
    cmake --build "$build" --target "${targets[@]}" >/dev/null
fi

fleet="$build/fleet"
template="$fleet/template"
machines="$fleet/machines"
mkdir -p "$fleet"
started=$(date +%s)

# ---- The template: booted once, then only copied -------------------------------------------------
if [ ! -f "$template/prefix/system.reg" ]; then
    echo "booting the template machine (once)" >&2
fi
"$prefix_sh" setup "$template" --win64 >/dev/null
"$prefix_sh" stop "$template" >/dev/null 2>&1 || true
fingerprint() {
    (cd "$template/prefix" && find . -printf '%P %y %s %T@ %l\n' | sort | sha256sum | cut -c1-16)
}
template_before=$(fingerprint)

# One virtual display for the whole fleet.
xvfb_display="$fleet/display"
rm -f "$xvfb_display"
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$xvfb_display" \
    </dev/null >"$fleet/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$xvfb_display" ] && break
    sleep 0.1
done
[ -s "$xvfb_display" ] || { echo "Xvfb did not start; see $fleet/xvfb.log" >&2; exit 1; }
cleanup() {
    kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# The next version's distribution: its Setup.exe and a data file of other bytes.
next_dist="$fleet/next-dist"
rm -rf "$next_dist"
cp -a "$build/dist" "$next_dist"
cp "$build/next/Setup.exe" "$next_dist/Setup.exe"
printf '\r\n*%% Next build\r\n' >>"$next_dist/24Pin/X64/KV-8200.GPD"

# The Windows Installer packages: the build's, and the next version's made here from next-dist.
next_package=""
if [ "$msi" -eq 1 ]; then
    [ -f "$package" ] || { echo "fleet: no package $package" >&2; exit 1; }
    rm -rf "$fleet/next-msi"
    mkdir -p "$fleet/next-msi"
    next_package="$fleet/next-msi/KorvaneReceiptPrinterDriver-$next_version-x64.msi"
    if ! /usr/bin/python3 "$root/msi/make_msi.py" --template "$root/msi/setup.wxs.in" \
        --dist "$next_dist" --version "$next_version" --arch x64 --out "$next_package" \
        >"$fleet/next-msi/make_msi.log" 2>&1; then
        echo "fleet: the next package was not built; see $fleet/next-msi/make_msi.log" >&2
        exit 1
    fi
fi
# The packages' Apps & Features name as Wine writes it into system.reg: every character beyond
# ASCII as a \x escape of its UTF-16 code ("Korvane 82\x5217\x7968...").
package_name_reg=$(cd "$root/msi" && /usr/bin/python3 -c 'import make_msi
print("".join(c if ord(c) < 128 else "\\x%04x" % ord(c) for c in make_msi.PRODUCT_NAME))')
[ -n "$package_name_reg" ] || { echo "fleet: the package's name was not read" >&2; exit 1; }
# An older package over a newer product: its launch condition refuses it. Measured under Wine
# 8.0's msiexec: 1603, as Windows Installer gives for a failed launch condition.
older_refused=1603

# ---- Faults ------------------------------------------------------------------------------------------
# Every third machine is broken, in turn in each of these ways; the exit code each must give.
fault_kinds=(held-driver-file no-package unreadable-catalogue spooler-stopped read-only-target
             queue-name-taken second-copy-running)
declare -A expected_code=([none]=0 [held-driver-file]=1603 [no-package]=1619
    [unreadable-catalogue]=1619 [spooler-stopped]=0 [read-only-target]=0 [queue-name-taken]=0
    [second-copy-running]=1618)
# A package carries its own distribution: only the faults of the machine or of another program.
if [ "$msi" -eq 1 ]; then
    fault_kinds=(held-driver-file spooler-stopped read-only-target queue-name-taken
                 second-copy-running)
fi
fault_of() {
    local i=$1
    if [ "$faults" -eq 1 ] && [ $((i % 3)) -eq 0 ]; then
        echo "${fault_kinds[$(((i / 3 - 1) % ${#fault_kinds[@]}))]}"
    else
        echo none
    fi
}

# ---- One machine -------------------------------------------------------------------------------------
# Files Wine or the installer may write in place get a copy of their own; Wine's program files
# stay hard links to the template's.
make_machine() {
    local m=$1 fault=$2
    rm -rf "$m"
    mkdir -p "$m/home"
    cp -al "$template/prefix" "$m/prefix"
    find "$m/prefix" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' \
        -o -iname '*.sys' -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.ax' \
        -o -iname '*.tlb' -o -iname '*.nls' -o -iname '*.ttf' -o -iname '*.ttc' -o -iname '*.fon' \
        -o -iname '*.mui' -o -iname '*.dll16' -o -iname '*.exe16' -o -iname '*.vxd' \) -print0 |
        xargs -0 -r sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh
    # The user's folders point into the machine's own home.
    find "$m/prefix/drive_c/users" -type l -lname "$template/home*" -print0 |
        xargs -0 -r -I{} ln -sfn "$m/home" {}
    ln -s "$template/locale" "$m/locale"
    cp "$template/arch" "$m/arch"
    cp "$xvfb_display" "$m/display"
    if [ "$fault" = no-package ] || [ "$fault" = unreadable-catalogue ]; then
        cp -a "$build/dist" "$m/dist"
    else
        cp -al "$build/dist" "$m/dist"
    fi
    mkdir -p "$m/prefix/drive_c/fleet"
    # Deployment systems run a local copy of the package.
    if [ "$msi" -eq 1 ]; then
        cp "$package" "$m/prefix/drive_c/fleet/package.msi"
        cp "$next_package" "$m/prefix/drive_c/fleet/newer.msi"
    fi
}

wine_in() { # wine_in MACHINE EXE ARGS...: runs a Windows program on the machine
    local m=$1
    shift
    "$prefix_sh" run "$m" "$@"
}

# The spooler's driver directory, where the installer stages its files; the spooler keeps the
# registered driver's files in its "3" folder.
driver_dir() { echo "$1/prefix/drive_c/windows/system32/spool/drivers/x64"; }

# The faults that are a state of the machine's files, services or printers.
break_machine() {
    local m=$1 fault=$2
    case "$fault" in
    held-driver-file)
        mkdir -p "$(driver_dir "$m")"
        printf 'an older data file\r\n' >"$(driver_dir "$m")/KV-8200.GPD"
        ;;
    no-package) rm -rf "$m/dist/24Pin" ;;
    unreadable-catalogue) head -c 4096 /dev/urandom >"$m/dist/PrinterInfo.ini" ;;
    spooler-stopped) wine_in "$m" net stop spooler </dev/null >/dev/null 2>&1 || true ;;
    read-only-target)
        mkdir -p "$(driver_dir "$m")"
        printf 'an older data file\r\n' >"$(driver_dir "$m")/KV-8200.GPD"
        wine_in "$m" attrib +r 'C:\windows\system32\spool\drivers\x64\KV-8200.GPD' \
            </dev/null >/dev/null 2>&1 || true
        ;;
    queue-name-taken)
        wine_in "$m" "$m/dist/Setup.exe" /quiet /model KV-8200 /port LPT1: </dev/null >/dev/null 2>&1
        ;;
    esac
}

# The faults that are another program running on the machine while the installer runs.
start_fault_program() {
    local m=$1 fault=$2
    case "$fault" in
    held-driver-file)
        wine_in "$m" "$build/file_holder.exe" \
            'C:\windows\system32\spool\drivers\x64\KV-8200.GPD' 'C:\fleet\held' \
            </dev/null >/dev/null 2>&1 &
        for _ in $(seq 300); do
            [ -e "$m/prefix/drive_c/fleet/held" ] && break
            sleep 0.1
        done
        ;;
    second-copy-running)
        wine_in "$m" "$m/dist/Setup.exe" </dev/null >/dev/null 2>&1 &
        for _ in $(seq 300); do
            ls "$m/home/Velmora科技有限公司/"Log*.txt >/dev/null 2>&1 && break
            sleep 0.1
        done
        sleep 1
        ;;
    esac
}

# What of ours a machine holds, read from its files and its registry once its wineserver has
# ended: "queue", "driver", "driverFiles:<names>", "monitor", "productFolder", "startMenu",
# "entry", and the package's "packageEntry" and "packageFiles".
ours_on() {
    local m=$1 found=()
    local reg="$m/prefix/system.reg"
    grep -q '^\[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Print\\\\Printers\\\\Korvane ' "$reg" && found+=(queue)
    grep -q '^\[System\\\\CurrentControlSet\\\\Control\\\\Print\\\\Printers\\\\Korvane ' "$reg" && found+=(queue)
    grep -q 'Print\\\\Environments\\\\Windows x64\\\\Drivers\\\\Version-3\\\\Korvane ' "$reg" && found+=(driver)
    grep -q 'Print\\\\Monitors\\\\Korvane Language Monitor\]' "$reg" && found+=(monitor)
    grep -q 'CurrentVersion\\\\Uninstall\\\\Velmora' "$reg" && found+=(entry)
    # Our driver files by name, so that one more file left by a failed install is seen.
    local files
    files=$(find "$(driver_dir "$m")" -maxdepth 2 -type f \( -iname 'KV-*.GPD' \
        -o -iname 'QTLM24RES.DLL' -o -iname 'PrnSetUI.dll' -o -iname 'PrnSet.ini' \) \
        -printf '%P\n' 2>/dev/null | sort | tr '\n' '+' | sed 's/+$//')
    [ -n "$files" ] && found+=("driverFiles:$files")
    [ -d "$m/prefix/drive_c/Program Files (x86)/Vantrel打印机" ] && found+=(productFolder)
    # The package's entry, under its product code, and the distribution folder it copies.
    [ -n "$(package_entries "$reg")" ] && found+=(packageEntry)
    [ -f "$m/prefix/drive_c/Program Files/Velmora/Korvane Setup/Setup.exe" ] && found+=(packageFiles)
    # The shortcuts' folder in the user's and the common Programs folder, and in the Start menu's
    # root where earlier versions made it.
    local menu
    for menu in "users/root/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" \
        "ProgramData/Microsoft/Windows/Start Menu/Programs" \
        "users/root/AppData/Roaming/Microsoft/Windows/Start Menu"; do
        [ -d "$m/prefix/drive_c/$menu/Vantrel打印机" ] && found+=(startMenu)
    done
    printf '%s\n' "${found[@]}" | sort -u | tr '\n' ' ' | sed 's/ $//'
}

# The packages' Apps & Features entries in a machine's system.reg, in either registry view: one
# line "<product code> <DisplayVersion>" for each key named by a product code whose DisplayName is
# ours.
package_entries() {
    ENTRY_NAME="\"DisplayName\"=\"$package_name_reg\"" awk '
        function flush() { if (key != "" && ours) print key, version }
        /^\[/ {
            flush()
            key = ""; ours = 0; version = "-"
            for (i = 1; i <= 2; i++) {
                p = i == 1 ? "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\" \
                           : "[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\"
                if (index($0, p) == 1) {
                    key = substr($0, length(p) + 1)
                    sub(/\].*$/, "", key)
                    if (key !~ /^\{[-0-9A-Fa-f]+\}$/) key = ""
                }
            }
            next
        }
        key != "" && $0 == ENVIRON["ENTRY_NAME"] { ours = 1 }
        key != "" && /^"DisplayVersion"="/ {
            version = $0
            sub(/^"DisplayVersion"="/, "", version)
            sub(/"$/, "", version)
        }
        END { flush() }' "$1"
}

# The queues and drivers of ours on a stopped machine, as "queues/drivers".
count_ours() {
    local reg="$1/prefix/system.reg" queues drivers
    # Key lines only, not their subkeys; Wine writes other than ASCII as \x escapes.
    queues=$(grep -oE '\\\\Print\\\\Printers\\\\Korvane ([^\\]|\\x[0-9a-f]+)*\]' "$reg" |
        sed 's/.*\\Printers\\\\//' | sort -u | wc -l)
    drivers=$(grep -oE '\\\\Windows x64\\\\Drivers\\\\Version-3\\\\Korvane ([^\\]|\\x[0-9a-f]+)*\]' \
        "$reg" | sed 's/.*\\Version-3\\\\//' | sort -u | wc -l)
    echo "$queues/$drivers"
}

# The rest of a healthy machine's life after its first install, one step after another:
# "again=<exit>/<change>/<queues>/<drivers> newer=... older=...". Prints it; fails when a step
# gives another exit code or change than it must, or leaves other than one queue and one driver.
life_of() {
    local m=$1 life="" ok=0 step name want change folder got seen counts
    for step in again:0:unchanged newer:0:updated older:1638:; do
        IFS=: read -r name want change <<<"$step"
        folder="$m/dist"
        [ "$name" = newer ] && folder="$next_dist"
        set +e
        timeout -k 5 "$limit" "$prefix_sh" run "$m" "$build/exit_code.exe" "C:\\fleet\\$name.exit" \
            "$folder/Setup.exe" /quiet /model KV-8200 /port LPT1: /report "C:\\fleet\\$name.json" \
            </dev/null >/dev/null 2>&1
        set -e
        got=$(tr -d '\r\n' <"$m/prefix/drive_c/fleet/$name.exit" 2>/dev/null || echo none)
        seen=$(report_field "$m/prefix/drive_c/fleet/$name.json" change)
        ours_on_after_stop "$m" >/dev/null
        counts=$(count_ours "$m")
        life+="$name=$got/${seen:--}/$counts "
        { [ "$got" = "$want" ] && [ "$seen" = "$change" ] && [ "$counts" = 1/1 ]; } || ok=1
    done
    echo "${life% }"
    return $ok
}

# The same life through the packages: the same package again (the installer runs again and
# changes nothing), the newer package, the older package again (refused); each step as
# "<exit>/<change>/<queues>/<drivers>/<entry versions>". Fails when a step gives another exit
# code or change than it must, leaves other than one queue and one driver, or other than one
# package entry at the version it must have.
life_of_msi() {
    local m=$1 life="" ok=0 step name file want change version got seen counts entries
    # The newer package says "added", where Windows says "updated": Windows removes the older
    # product with UPGRADINGPRODUCTCODE set, so that its removal keeps the queue; Wine's
    # RemoveExistingProducts does not set it, so the older removal runs in full and the newer
    # installer adds the queue again.
    for step in "again:package:0:unchanged:$setup_version" "newer:newer:0:added:$next_version" \
        "older:package:$older_refused::$next_version"; do
        IFS=: read -r name file want change version <<<"$step"
        set +e
        timeout -k 5 "$limit" "$prefix_sh" run "$m" "$build/exit_code.exe" "C:\\fleet\\$name.exit" \
            msiexec /i "C:\\fleet\\$file.msi" /qn MODEL=KV-8200 PORT=LPT1: \
            "REPORT=C:\\fleet\\$name.json" </dev/null >/dev/null 2>&1
        set -e
        got=$(tr -d '\r\n' <"$m/prefix/drive_c/fleet/$name.exit" 2>/dev/null || echo none)
        seen=$(report_field "$m/prefix/drive_c/fleet/$name.json" change)
        ours_on_after_stop "$m" >/dev/null
        counts=$(count_ours "$m")
        entries=$(package_entries "$m/prefix/system.reg" | cut -d' ' -f2 | sort | tr '\n' '+' |
            sed 's/+$//')
        life+="$name=$got/${seen:--}/$counts/${entries:-none} "
        { [ "$got" = "$want" ] && [ "$seen" = "$change" ] && [ "$counts" = 1/1 ] &&
            [ "$entries" = "$version" ]; } || ok=1
    done
    echo "${life% }"
    return $ok
}

report_field() { # report_field FILE KEY: a top-level value of our report (strings unquoted)
    [ -f "$1" ] || return 0
    sed -n "s/^  \"$2\": \(.*\)$/\1/p" "$1" 2>/dev/null | head -1 | sed 's/,$//; s/^"//; s/"$//'
}

run_machine() {
    local i=$1
    local m="$machines/m$i" fault
    fault=$(fault_of "$i")
    local out="$m.result"
    make_machine "$m" "$fault"
    break_machine "$m" "$fault"
    local before
    before=$(ours_on_after_stop "$m")
    start_fault_program "$m" "$fault"

    local t0 t1 code hung=0
    t0=$(date +%s%N)
    set +e
    if [ "$msi" -eq 1 ]; then
        timeout -k 5 "$limit" "$prefix_sh" run "$m" "$build/exit_code.exe" 'C:\fleet\install.exit' \
            msiexec /i 'C:\fleet\package.msi' /qn MODEL=KV-8200 PORT=LPT1: \
            'REPORT=C:\fleet\install.json' </dev/null >/dev/null 2>&1
    else
        timeout -k 5 "$limit" "$prefix_sh" run "$m" "$build/exit_code.exe" 'C:\fleet\install.exit' \
            "$m/dist/Setup.exe" /quiet /model KV-8200 /port LPT1: /report 'C:\fleet\install.json' \
            </dev/null >/dev/null 2>&1
    fi
    code=$?
    set -e
    t1=$(date +%s%N)
    if [ "$code" -eq 124 ] || [ "$code" -eq 137 ]; then
        hung=1
        code=hung
    else
        code=$(tr -d '\r\n' <"$m/prefix/drive_c/fleet/install.exit" 2>/dev/null || echo none)
    fi
    local ms=$(((t1 - t0) / 1000000))

    # A healthy machine lives on: the same install, a newer one, the older one again.
    local life="" lifeok=-
    if [ "$fault" = none ] && [ "$code" = 0 ]; then
        if [ "$msi" -eq 1 ]; then
            if life=$(life_of_msi "$m"); then lifeok=1; else lifeok=0; fi
        else
            if life=$(life_of "$m"); then lifeok=1; else lifeok=0; fi
        fi
    fi

    # The installed machine removes everything again with the kept copy, or with the package
    # installed last (the newer one after a life).
    local ucode=""
    if [ "$code" = 0 ]; then
        set +e
        if [ "$msi" -eq 1 ]; then
            local last=package
            [ "$lifeok" != - ] && last=newer
            timeout -k 5 "$limit" "$prefix_sh" run "$m" "$build/exit_code.exe" \
                'C:\fleet\uninstall.exit' msiexec /x "C:\\fleet\\$last.msi" /qn \
                </dev/null >/dev/null 2>&1
        else
            timeout -k 5 "$limit" "$prefix_sh" run "$m" "$build/exit_code.exe" \
                'C:\fleet\uninstall.exit' 'C:\Program Files (x86)\Vantrel打印机\Setup.exe' \
                /uninstall /quiet /report 'C:\fleet\uninstall.json' </dev/null >/dev/null 2>&1
        fi
        ucode=$?
        set -e
        if [ "$ucode" -eq 124 ] || [ "$ucode" -eq 137 ]; then
            hung=1
            ucode=hung
        else
            ucode=$(tr -d '\r\n' <"$m/prefix/drive_c/fleet/uninstall.exit" 2>/dev/null || echo none)
        fi
    fi
    local after rexit
    after=$(ours_on_after_stop "$m")
    # The installer's own exit code, from its report (through a package, its code is hidden).
    rexit=$(report_field "$m/prefix/drive_c/fleet/install.json" exitCode)
    echo "$i|$fault|${expected_code[$fault]}|$code|$ucode|$hung|$ms|$before|$after|$lifeok|${rexit:-none}|$life" >"$out"
}

# Ends the machine's wineserver (so its registry is on disk), then lists what of ours it holds.
ours_on_after_stop() {
    local m=$1
    WINEPREFIX="$m/prefix" WINESERVER=/usr/lib/wine/wineserver64 \
        /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    WINEPREFIX="$m/prefix" /usr/lib/wine/wineserver64 -w 2>/dev/null || true
    ours_on "$m"
}

export -f make_machine break_machine start_fault_program ours_on ours_on_after_stop run_machine fault_of wine_in \
    driver_dir report_field count_ours life_of life_of_msi package_entries
export template machines build prefix_sh limit faults xvfb_display next_dist msi package next_package \
    setup_version next_version package_name_reg older_refused
export fault_kinds_list="${fault_kinds[*]}"

# ---- The run ------------------------------------------------------------------------------------------
rm -rf "$machines"
mkdir -p "$machines"
jobs=$(nproc)
if [ "$msi" -eq 1 ]; then
    mode=msi
    mode_text="the Windows Installer package ($setup_version, newer $next_version)"
else
    mode=setup
    mode_text="Setup.exe"
fi
echo "fleet: $count machines through $mode_text, $jobs at a time," \
    "faults $([ $faults -eq 1 ] && echo on || echo off), time limit ${limit} s each" >&2
# Bash arrays cannot be exported: each worker rebuilds its tables from this script.
seq 1 "$count" | xargs -P "$jobs" -I{} bash -c '
    source <(sed -n "/^# ---- Faults/,/^# ---- One machine/p" "$0")
    run_machine "$1"
' "$0" {} || true

# ---- The table ----------------------------------------------------------------------------------------
csv="$fleet/fleet.csv"
# exitCode is the exit code of what ran (the package's with --msi); installerExit the installer's
# own, from its report; expectedExit is the installer's.
echo "machine,fault,expectedExit,exitCode,uninstallExit,hung,installMs,result,errorCode,route,model,printerName,port,driver,package,environment,version,startedAt,durationMs,uninstallResult,leftBefore,leftAfter,life,mode,installerExit" >"$csv"
failed=0
installed=0 removed=0 hung_count=0 lived=0 lives=0
package_failed_expected=0 package_failed_seen=0
declare -A by_code_expected by_code_seen by_package_code
times=()
problems=()
for i in $(seq 1 "$count"); do
    m="$machines/m$i"
    if [ ! -f "$m.result" ]; then
        problems+=("m$i: no result")
        failed=1
        continue
    fi
    IFS='|' read -r _ fault expect code ucode hung ms before after lifeok rexit life <"$m.result"
    r="$m/prefix/drive_c/fleet/install.json"
    u="$m/prefix/drive_c/fleet/uninstall.json"
    # The package's removal writes its report into the package's folder.
    [ "$msi" -eq 1 ] && u="$m/prefix/drive_c/Program Files/Velmora/Korvane Setup/Reports/uninstall.json"
    row="m$i,$fault,$expect,$code,$ucode,$hung,$ms"
    for key in result errorCode route model printerName port driver package environment version \
        startedAt durationMs; do
        row+=",\"$(report_field "$r" "$key" | sed 's/"/""/g')\""
    done
    row+=",\"$(report_field "$u" result)\",\"$before\",\"$after\",\"$life\",$mode,$rexit"
    echo "$row" >>"$csv"
    by_code_expected[$expect]=$((${by_code_expected[$expect]:-0} + 1))
    if [ "$msi" -eq 1 ]; then
        # Through the package: the installer's codes are counted, the package's beside them.
        by_code_seen[$rexit]=$((${by_code_seen[$rexit]:-0} + 1))
        by_package_code[$code]=$((${by_package_code[$code]:-0} + 1))
    else
        by_code_seen[$code]=$((${by_code_seen[$code]:-0} + 1))
    fi
    [ "$hung" -eq 1 ] && { hung_count=$((hung_count + 1)); problems+=("m$i ($fault): hung"); }
    [ "$code" = 0 ] && { installed=$((installed + 1)); times+=("$ms"); }
    [ "$code" = 0 ] && [ "$ucode" = 0 ] && removed=$((removed + 1))
    if [ "$msi" -eq 0 ]; then
        if [ "$code" != "$expect" ]; then
            problems+=("m$i ($fault): exit code $code, expected $expect")
        fi
    elif [ "$expect" = 0 ]; then
        if [ "$code" != 0 ] || [ "$rexit" != 0 ]; then
            problems+=("m$i ($fault): package exit code $code, installer $rexit, expected 0 and 0")
        fi
    else
        # The installer failed: the package must fail as Windows Installer (1603) or Wine's
        # msiexec (1627) fails it, for the installer's reason, with its files rolled back.
        package_failed_expected=$((package_failed_expected + 1))
        if [ "$code" = 1603 ] || [ "$code" = 1627 ]; then
            package_failed_seen=$((package_failed_seen + 1))
        else
            problems+=("m$i ($fault): package exit code $code, expected 1603 or 1627")
        fi
        if [ "$rexit" != "$expect" ]; then
            problems+=("m$i ($fault): installer exit code $rexit, expected $expect")
        fi
        if [ -f "$m/prefix/drive_c/Program Files/Velmora/Korvane Setup/Setup.exe" ]; then
            problems+=("m$i ($fault): the failed package left its files")
        fi
    fi
    if [ "$lifeok" != - ]; then
        lives=$((lives + 1))
        if [ "$lifeok" = 1 ]; then
            lived=$((lived + 1))
        else
            if [ "$msi" -eq 1 ]; then
                problems+=("m$i: re-run, upgrade and downgrade: $life (expected again=0/unchanged/1/1/$setup_version newer=0/added/1/1/$next_version older=$older_refused/-/1/1/$next_version)")
            else
                problems+=("m$i: re-run, upgrade and downgrade: $life (expected again=0/unchanged/1/1 newer=0/updated/1/1 older=1638/-/1/1)")
            fi
        fi
    fi
    if [ "$code" = 0 ] && [ "$ucode" != 0 ]; then
        problems+=("m$i ($fault): uninstall exit code $ucode")
    fi
    # A machine that failed keeps nothing new of ours; a removed one keeps nothing at all.
    if [ -n "$after" ] && { [ "$code" = 0 ] || [ "$after" != "$before" ]; }; then
        problems+=("m$i ($fault): left behind: $after")
    fi
done
[ ${#problems[@]} -gt 0 ] && failed=1

template_after=$(fingerprint)
if [ "$template_before" != "$template_after" ]; then
    problems+=("the template changed during the run")
    failed=1
fi

percentile() { # percentile P VALUES...: nearest-rank percentile
    local p=$1
    shift
    [ $# -eq 0 ] && { echo "-"; return; }
    printf '%s\n' "$@" | sort -n | awk -v p="$p" '{v[NR]=$1} END {r=int((p*NR+99)/100); if (r<1) r=1; print v[r]}'
}
elapsed=$(($(date +%s) - started))
codes=$(printf '%s\n' "${!by_code_expected[@]}" "${!by_code_seen[@]}" | sort -un)
echo
echo "fleet of $count machines, $(date -u +%Y-%m-%dT%H:%MZ), $elapsed s, $(nproc) cores," \
    "$(du -sh "$machines" 2>/dev/null | cut -f1) on disk"
printf '%-28s %s\n' "mode" "$mode_text"
printf '%-28s %s\n' "machines" "$count"
printf '%-28s %s\n' "installed" "$installed"
printf '%-28s %s of %s\n' "again, newer, older: 1 queue" "$lived" "$lives"
printf '%-28s %s\n' "removed" "$removed"
for c in $codes; do
    [ "$c" = 0 ] && continue
    printf '%-28s expected %s, seen %s\n' "failed with exit code $c" \
        "${by_code_expected[$c]:-0}" "${by_code_seen[$c]:-0}"
done
if [ "$msi" -eq 1 ]; then
    printf '%-28s expected %s, seen %s\n' "package failed (1603/1627)" \
        "$package_failed_expected" "$package_failed_seen"
    seen_codes=""
    for c in $(printf '%s\n' "${!by_package_code[@]}" | sort -n); do
        seen_codes+="$c: ${by_package_code[$c]}, "
    done
    printf '%-28s %s\n' "package exit codes" "${seen_codes%, }"
fi
printf '%-28s %s\n' "hung (time limit ${limit} s)" "$hung_count"
printf '%-28s %s ms\n' "install time, median" "$(percentile 50 "${times[@]}")"
printf '%-28s %s ms\n' "install time, 95th pct." "$(percentile 95 "${times[@]}")"
printf '%-28s %s\n' "reports" "$csv"
for p in "${problems[@]}"; do
    echo "FAIL $p"
done
[ "$failed" -eq 0 ] && echo "fleet: passed" || echo "fleet: FAILED"
exit "$failed"
