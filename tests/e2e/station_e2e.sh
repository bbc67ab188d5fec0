#!/bin/sh
# End to end: the real station against the real simulator, on a virtual X display, driven
# from the keyboard only. Connect both links, set a transmit period, start the relay, let
# nav records reach the vehicle, request status, abort (answering the Yes/No box with the
# keyboard), leave with Esc; then check both programs' output.
#
#   station_e2e.sh NERIVO NERIVO_SIM
set -eu

NERIVO=$1
NERIVO_SIM=$2

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "e2e: $tool is missing (scripts/bootstrap)"; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/nerivo-e2e.XXXXXX")
xvfb_pid="" sim_pid="" station_pid=""
cleanup() {
    for pid in $station_pid $sim_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "e2e: FAILED: $*"
    echo "---- simulator"; tail -n 40 "$work/sim.log" 2>/dev/null || true
    echo "---- station (stdout and stderr)"; tail -n 40 "$work/station.log" 2>/dev/null || true
    exit 1
}

# wait_for SECONDS COMMAND...: polls every 50 ms until COMMAND succeeds.
wait_for() {
    limit=$(( $1 * 20 )); shift
    n=0
    until "$@" 2>/dev/null; do
        n=$((n + 1))
        [ "$n" -lt "$limit" ] || return 1
        sleep 0.05
    done
}

count() { grep -c -- "$1" "$2" 2>/dev/null || true; }
at_least() { [ "$(count "$1" "$2")" -ge "$3" ]; }

# A display of our own; Xvfb writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
DISPLAY=":$(cat "$work/display")"
export DISPLAY

"$NERIVO_SIM" --com-dir "$work/com" --usbl-period 0.4 >"$work/sim.log" 2>&1 &
sim_pid=$!
wait_for 10 test -e "$work/com/com5" || fail "the simulator made no links"

NERIVO_COM_DIR="$work/com" QT_QPA_PLATFORM=xcb "$NERIVO" >"$work/station.log" 2>&1 &
station_pid=$!
wid=$(xdotool search --sync --name '^Nerivo$' | head -n 1)
[ -n "$wid" ] || fail "no station window"
# No window manager here: the window gets the keyboard only once something focuses it.
xdotool windowfocus --sync "$wid"

# Tab order of the controls the operator can reach (layout order, hidden GPS controls left
# out). The focus starts on Exit.
TAB_ORDER="1 1003 1004 1005 1006 1007 1008 1010 1012 1009 1013 1014 1016 1002 1017 1018 1019
1020 1021 1022 1023"
position=0
index_of() {
    i=0
    for id in $TAB_ORDER; do
        [ "$id" = "$1" ] && { echo "$i"; return; }
        i=$((i + 1))
    done
    fail "control $1 is not in the tab order"
}
go_to() {
    target=$(index_of "$1")
    total=$(echo $TAB_ORDER | wc -w)
    steps=$(( (target - position + total) % total ))
    [ "$steps" -eq 0 ] || xdotool key --delay 20 --repeat "$steps" Tab
    position=$target
}
press() { go_to "$1"; xdotool key space; }

press 1009                           # Connect to WinFrog
press 1013                           # Connect to AUV
go_to 1018                           # Xmit Period: 0, every new fix
xdotool key ctrl+a BackSpace 0
press 1003                           # Start Nav Packets

wait_for 15 at_least "vehicle <- nav ok" "$work/sim.log" 3 || fail "no nav records reached the vehicle"

press 1021                           # Request Status
wait_for 10 at_least "vehicle -> status" "$work/sim.log" 1 || fail "no status record after request status"

press 1022                           # Abort Mission: a Yes/No box, Yes is the default
wait_for 5 sh -c "xdotool search --name '^Abort Mission$' >/dev/null" || fail "no Yes/No box"
xdotool key Return
wait_for 10 at_least "vehicle <- command 3" "$work/sim.log" 1 || fail "the abort command did not arrive"

xdotool key Escape                   # ends the station
wait_for 10 sh -c "! kill -0 $station_pid" || fail "the station did not end on Esc"
wait "$station_pid" || fail "the station exited with status $?"
station_pid=""

# Every nav record the station built (and dumped) must have reached the vehicle whole.
built=$(count "^packet_size = 48$" "$work/station.log")
wait_for 5 sh -c "[ \"\$(grep -c 'vehicle <- nav ok' '$work/sim.log')\" -ge $built ]" ||
    fail "the station built $built nav records, the vehicle got fewer"
kill -TERM "$sim_pid"
wait "$sim_pid" || fail "the simulator exited with status $?"
sim_pid=""

received=$(count "vehicle <- nav ok" "$work/sim.log")
[ "$built" -ge 3 ] || fail "only $built nav records built"
[ "$received" -eq "$built" ] || fail "the station built $built nav records, the vehicle got $received"
at_least "vehicle <- command 0 (request status" "$work/sim.log" 1 || fail "request status not received"
grep -q "summary: .* bad 0," "$work/sim.log" || fail "the vehicle received bad records"
if grep -q "Problem decoding header" "$work/station.log"; then fail "a nav record did not decode"; fi
if grep -q " vehicle !! " "$work/sim.log"; then fail "the vehicle reported a fault"; fi

echo "e2e: passed: $built nav records built and received good, request status and abort delivered"
