#!/bin/sh
# Makes the Wine prefix the Windows tests run in. Wine's first start takes about 20 s, so the
# build does it once and keeps the prefix; STAMP marks it done.
#
#   wine_prefix.sh PREFIX WINE LINKS "11 12 ..." STAMP [DISPLAY_DRIVER]
#
# The COM ports named are pointed at LINKS/comN (where the tests' socat pairs appear), through
# Wine's own port table, which its device manager honours over the host's serial devices. The
# null display driver (the default) lets the tests make plain windows with no display at all;
# x11 shows them on $DISPLAY.
set -eu
prefix=$1
wine=$2
links=$3
ports=$4
stamp=$5
driver=${6:-null}
server="$(dirname "$wine")/wineserver"

# winemenubuilder would put the prefix's menu entries into this machine's own menus.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$links"
rm -f "$stamp"

# Nothing of Wine's may keep this build step's output open after it ends.
"$wine" wineboot -i </dev/null >/dev/null 2>&1

reg="$prefix/nerivo-tests.reg"
{
    printf 'REGEDIT4\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]\r\n"Graphics"="%s"\r\n\r\n' "$driver"
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
    for n in $ports; do
        printf '"COM%s"="%s/com%s"\r\n' "$n" "$links" "$n"
    done
} >"$reg"
"$wine" regedit /S "Z:$(printf '%s' "$reg" | tr / '\\')" </dev/null >/dev/null 2>&1
# The registry reaches the disk when the server ends; the next start applies it.
"$server" -w
touch "$stamp"
