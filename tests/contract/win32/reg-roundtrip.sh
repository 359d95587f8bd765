#!/bin/sh
# SPDX-License-Identifier: MIT
# quarnel-reg.exe and Wine's own reg.exe read each other's values byte for
# byte, letters above 127 included. Wine passes the command line in Unicode;
# to a pipe, reg.exe prints in the OEM code page and quarnel-reg.exe in the
# ANSI code page, Windows-1252; "reg export" writes UTF-16.
# Usage: reg-roundtrip.sh path/to/quarnel-reg.exe
set -u
exe=$1
wine=${WINE:-wine}
key='HKCU\Software\Hollinde\RegRoundTrip'
work=$(mktemp -d)
trap '$wine reg delete "$key" /f >/dev/null 2>&1; rm -rf "$work"' EXIT
failures=0

check() {  # name, expected file, actual file
    if [ -s "$2" ] && cmp -s "$2" "$3"; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        echo "  expected:"; od -c "$2" | sed 's/^/    /'
        echo "  got:"; od -c "$3" | sed 's/^/    /'
        failures=$((failures + 1))
    fi
}

# The line "    name    type    data" as each tool prints it, without CR.
value_line() {  # output file
    tr -d '\r' < "$1" | grep -a '^    ' || true
}

$wine reg delete "$key" /f >/dev/null 2>&1

# quarnel-reg.exe writes, reg.exe reads.
$wine "$exe" add "$key" /v 'Naé' /d 'café Ü' /f >/dev/null || failures=$((failures + 1))
$wine "$exe" add "$key" /v 'Euro' /d 'prix 5€' /f >/dev/null || failures=$((failures + 1))
$wine "$exe" add "$key" /v 'Count' /t REG_DWORD /d 0x2A /f >/dev/null || failures=$((failures + 1))
# The prefix's OEM code page, in which reg.exe writes to a pipe.
page=$($wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v OEMCP |
       tr -d '\r' | awk '$1 == "OEMCP" { print $3 }')
$wine reg query "$key" /v 'Naé' > "$work/query" 2>&1
printf '    Naé    REG_SZ    café Ü\n' | iconv -f UTF-8 -t "CP$page" > "$work/want"
value_line "$work/query" > "$work/got"
check "reg query reads quarnel-reg's text (code page $page)" "$work/want" "$work/got"
$wine reg query "$key" /v Count > "$work/query" 2>&1
printf '    Count    REG_DWORD    0x2a\n' > "$work/want"
value_line "$work/query" > "$work/got"
check "reg query reads quarnel-reg's number" "$work/want" "$work/got"
# The console's code page has no euro sign: the export shows every character.
$wine reg export "$key" 'C:\quarnel-roundtrip.reg' /y >/dev/null 2>&1
exported="${WINEPREFIX:-$HOME/.wine}/drive_c/quarnel-roundtrip.reg"
iconv -f UTF-16 -t UTF-8 "$exported" | tr -d '\r' | grep -a '^"' > "$work/got"
rm -f "$exported"
printf '"Count"=dword:0000002a\n"Euro"="prix 5€"\n"Naé"="café Ü"\n' > "$work/want"
sort "$work/got" -o "$work/got"
check "reg export holds quarnel-reg's values as Unicode" "$work/want" "$work/got"

# reg.exe writes, quarnel-reg.exe reads and prints Windows-1252.
$wine reg add "$key" /v 'Zé' /d 'naïve €' /f >/dev/null 2>&1 || failures=$((failures + 1))
$wine "$exe" query "$key" /v 'Zé' > "$work/query" 2>&1
printf '    Zé    REG_SZ    naïve €\n' | iconv -f UTF-8 -t CP1252 > "$work/want"
value_line "$work/query" > "$work/got"
check "quarnel-reg reads reg's text in Windows-1252" "$work/want" "$work/got"

[ "$failures" -eq 0 ]
