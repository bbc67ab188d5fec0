#!/bin/sh
# Runs a Windows test program under Wine, in the test build's prefix.
#
#   wine_run.sh PREFIX WINE PROGRAM [ARGS...]
set -eu
export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=$2
shift 2
server="$(dirname "$wine")/wineserver"

# Wine's server and its background programs keep the standard output of whoever started them
# until they end, seconds later, and ctest waits for that output to close. Started here, with
# nothing of ours to keep, they cost the first test a second and the others nothing.
if "$server" -p30 </dev/null >/dev/null 2>&1; then
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
fi
exec "$wine" "$@"
