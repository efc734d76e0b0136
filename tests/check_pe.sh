#!/usr/bin/env bash
# Checks a built executable: it imports only DLLs that Windows loads from System32 whatever lies
# beside the program (KnownDLLs), no MinGW runtime DLL, and carries ASLR, DEP and (64-bit)
# high-entropy ASLR.   check_pe.sh OBJDUMP x64|x86 FILE...
set -euo pipefail
objdump=$1 arch=$2
shift 2
# KnownDLLs common to Windows 7 to 11. comctl32, winspool.drv, newdev and msimg32 are not among
# them: the program loads those itself from System32 after restricting the search path.
known="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll
setupapi.dll shlwapi.dll msvcrt.dll comdlg32.dll imm32.dll rpcrt4.dll ws2_32.dll"
status=0
for file in "$@"; do
    dump=$("$objdump" -p "$file")
    while read -r dll; do
        lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
        if ! printf '%s\n' $known | grep -qx "$lower"; then
            echo "FAIL $file imports $dll, which is not a KnownDLL" >&2
            status=1
        fi
    done < <(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p')
    flags=$((16#$(printf '%s\n' "$dump" | sed -n 's/^DllCharacteristics\s*//p')))
    (( flags & 0x40 )) || { echo "FAIL $file lacks dynamic base (ASLR)" >&2; status=1; }
    (( flags & 0x100 )) || { echo "FAIL $file lacks NX compatibility (DEP)" >&2; status=1; }
    if [ "$arch" = x64 ]; then
        (( flags & 0x20 )) || { echo "FAIL $file lacks high-entropy VA" >&2; status=1; }
    fi
    echo "$file: imports $(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')flags 0x$(printf '%x' $flags)"
done
exit $status
