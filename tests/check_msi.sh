#!/usr/bin/env bash
# Checks the Windows Installer packages' tables with msiinfo (msitools): the names and version
# Setup.exe carries, the fixed upgrade code, a product code of each version, the architecture,
# the folder under Program Files, the two custom actions as the system account, and the Chinese
# file names.   check_msi.sh x64|x86 VERSION PACKAGE NEXT_PACKAGE
set -euo pipefail
arch=$1 version=$2 package=$3 next=$4
status=0
fail() { echo "FAIL $package: $*" >&2; status=1; }
table() { msiinfo export "$1" "$2" | tr -d '\r'; }
value() { table "$1" Property | awk -F '\t' -v k="$2" '$1 == k { print $2 }'; }

[ "$(value "$package" ProductName)" = "Korvane 82列票据打印机驱动" ] || fail "ProductName $(value "$package" ProductName)"
[ "$(value "$package" Manufacturer)" = "Velmora科技有限公司" ] || fail "Manufacturer $(value "$package" Manufacturer)"
[ "$(value "$package" ProductVersion)" = "$version" ] || fail "ProductVersion $(value "$package" ProductVersion)"
[ "$(value "$package" UpgradeCode)" = "{3F6C2A9E-7B41-4D8C-9E25-6A1D0C7B4E93}" ] || fail "UpgradeCode $(value "$package" UpgradeCode)"
[ "$(value "$package" UpgradeCode)" = "$(value "$next" UpgradeCode)" ] || fail "the next version has another upgrade code"
code=$(value "$package" ProductCode)
[[ "$code" =~ ^\{[0-9A-F-]{36}\}$ ]] || fail "ProductCode $code"
[ "$code" != "$(value "$next" ProductCode)" ] || fail "the next version has the same product code"
[ "$(value "$package" ALLUSERS)" = 1 ] || fail "not a per-machine package"
[ "$(value "$package" MODEL)" = auto ] && [ "$(value "$package" PORT)" = auto ] || fail "MODEL and PORT are not auto"

# The summary's template: x64 packages run on 64-bit Windows only; Intel ones on both.
template=$(msiinfo suminfo "$package" | sed -n 's/^Template: //p' | tr -d '\r')
want=$([ "$arch" = x64 ] && echo x64 || echo Intel)
[ "${template%%;*}" = "$want" ] || fail "template $template, expected $want"
programs=$([ "$arch" = x64 ] && echo ProgramFiles64Folder || echo ProgramFilesFolder)
table "$package" Directory | grep -qP "^VendorFolder\t$programs\tVelmora$" || fail "not below $programs"

# Deferred (1024), without impersonation (2048), an executable of the package (18): 3090.
actions=$(table "$package" CustomAction)
grep -qP '^InstallPrinter\t3090\tSetupExe\t/quiet /msi /model "\[MODEL\]" /port "\[PORT\]" /report "\[REPORT\]"' <<<"$actions" ||
    fail "InstallPrinter is not the silent install as the system account"
grep -qP '^RemovePrinter\t3090\tSetupExe\t/uninstall /quiet ' <<<"$actions" ||
    fail "RemovePrinter is not the silent removal as the system account"
sequence=$(table "$package" InstallExecuteSequence)
at() { awk -F '\t' -v a="$1" '$1 == a { print $3 }' <<<"$sequence"; }
cond() { awk -F '\t' -v a="$1" '$1 == a { print $2 }' <<<"$sequence"; }
[ "$(at InstallPrinter)" -gt "$(at InstallFiles)" ] || fail "InstallPrinter runs before InstallFiles"
[ "$(cond InstallPrinter)" = "NOT REMOVE" ] || fail "InstallPrinter condition $(cond InstallPrinter)"
[ "$(at RemovePrinter)" -lt "$(at RemoveFiles)" ] || fail "RemovePrinter runs after RemoveFiles"
[ "$(cond RemovePrinter)" = 'REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE' ] || fail "RemovePrinter condition $(cond RemovePrinter)"
[ "$(at RemoveExistingProducts)" -gt "$(at InstallInitialize)" ] || fail "the older product is removed outside the transaction"

# The distribution's files, Chinese names included.
files=$(table "$package" File | cut -f3)
for name in Setup.exe PrinterInfo.ini 24Pin.inf QVMLMN.dll 使用手册.txt; do
    grep -qx "$name" <<<"$files" || fail "no file $name"
done
table "$package" Directory | grep -qP '\t字体$' || fail "no folder 字体"
[ $status -eq 0 ] && echo "$package: $(value "$package" ProductName) $version $code, template $template"
exit $status
