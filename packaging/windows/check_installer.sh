#!/bin/sh
# Checks the Windows installer the way an administrator would use it, in a fresh Wine prefix:
# a silent install (/S) puts nerivo.exe under Program Files\Nerivo with a Start menu entry for
# all users and a whole Add/Remove Programs entry; the installed program runs; while the
# installed station runs, a silent uninstall and a silent install both refuse, with a non-zero
# exit code and nothing changed; once it has ended, a silent uninstall leaves nothing behind.
#
#   check_installer.sh SETUP_EXE VERSION
set -eu
setup=$1
version=$2
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

fail() {
    echo "check-installer: FAILED: $*" >&2
    exit 1
}
[ -f "$setup" ] || fail "no $setup (run scripts/package)"

prefix=$(mktemp -d "${TMPDIR:-/tmp}/nerivo-wine.XXXXXX")
cleanup() {
    WINEPREFIX="$prefix" "$server" -k 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT
# No window and no display needed; winemenubuilder would copy the Start menu entry into this
# machine's own menus.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
"$wine" wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot"
# The station's window on Wine's null display driver: it runs, and needs no display.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1 ||
    fail "reg add"

drive=$prefix/drive_c
folder="$drive/Program Files/Nerivo"
entry="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Nerivo.lnk"
key='[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Nerivo]'

# The registry reaches its files when the server ends.
uninstall_entry() {
    "$server" -w
    key=$key awk 'index($0, ENVIRON["key"]) == 1 { found = 1 } found && $0 == "" { exit } found' \
        "$prefix/system.reg"
}

setup_silently() {
    "$wine" "$(printf 'Z:%s' "$(realpath "$setup")" | tr / '\\')" /S </dev/null >/dev/null 2>&1
}
uninstall_silently() { "$wine" 'C:\Program Files\Nerivo\uninstall.exe' /S </dev/null >/dev/null 2>&1; }

setup_silently || fail "the silent install failed ($?)"
uninstall_entry >"$prefix/entry.txt"
for file in nerivo.exe uninstall.exe README.txt LICENCE.txt; do
    [ -f "$folder/$file" ] || fail "Program Files\\Nerivo\\$file was not installed"
done
[ -f "$entry" ] || fail "no Start menu entry for all users"
for value in '"DisplayName"="Nerivo"' "\"DisplayVersion\"=\"$version\"" '"Publisher"="' \
    '"DisplayIcon"="\"C:\\Program Files\\Nerivo\\nerivo.exe\",0"' \
    '"UninstallString"="\"C:\\Program Files\\Nerivo\\uninstall.exe\""' '"EstimatedSize"=dword:'; do
    grep -qF -- "$value" "$prefix/entry.txt" || fail "Add/Remove Programs entry lacks $value"
done
kb=$((0x$(sed -n 's/^"EstimatedSize"=dword://p' "$prefix/entry.txt")))
bytes=$(cat "$folder"/* | wc -c)
[ "$kb" -ge $((bytes / 1024)) ] && [ "$kb" -le $((bytes / 1024 + 8)) ] ||
    fail "EstimatedSize is $kb kB, the files are $bytes bytes"

shown=$("$wine" 'C:\Program Files\Nerivo\nerivo.exe' --version </dev/null 2>&1) ||
    fail "the installed nerivo.exe --version failed"
[ "$shown" = "nerivo $version" ] || fail "the installed nerivo.exe --version prints '$shown'"

# What an install is: the files with their sizes, times and sums, the Start menu entry, the
# Add/Remove Programs entry.
install_state() {
    uninstall_entry
    ls -l --time-style=+%s "$folder" "$entry"
    cksum "$folder"/*
}
installed=$(install_state)

"$wine" 'C:\Program Files\Nerivo\nerivo.exe' --log-dir 'C:\station-logs' </dev/null >/dev/null 2>&1 &
station=$!
n=0
until grep -qs "Nerivo Started...ready" "$drive"/station-logs/*-status.log; do
    [ $((n += 1)) -lt 200 ] || fail "the installed station did not start"
    sleep 0.05
done
uninstall_silently && fail "the silent uninstall exited 0 while the station runs"
setup_silently && fail "the silent install over it exited 0 while the station runs"
# Closed as the operator would close it (the close message); with nothing of Wine's left
# running, nothing may have changed.
"$wine" taskkill /IM nerivo.exe </dev/null >/dev/null 2>&1 || fail "taskkill"
wait "$station" || fail "the station exited with status $? when closed"
[ "$(install_state)" = "$installed" ] || fail "the refused uninstall or install changed the install"

uninstall_silently || fail "the silent uninstall failed ($?)"
# uninstall.exe starts the uninstaller proper and returns at once: the entry is gone once that
# has ended.
[ -z "$(uninstall_entry)" ] || fail "the Add/Remove Programs entry is still there"
[ ! -e "$folder" ] || fail "Program Files\\Nerivo is still there: $(ls "$folder")"
[ ! -e "$entry" ] || fail "the Start menu entry is still there"
grep -rlF Nerivo "$prefix"/*.reg && fail "the registry still names Nerivo"
echo "-- $(basename "$setup") ($(wc -c <"$setup") bytes): installed silently, ran" \
    "nerivo.exe --version, refused to uninstall or install over the running station, then" \
    "uninstalled silently, nothing left: all passed"
