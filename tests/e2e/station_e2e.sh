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

. "$(dirname "$0")/../support/x_station.sh"
make_work_folder nerivo-e2e

fail() {
    echo "e2e: FAILED: $*"
    echo "---- simulator"; tail -n 40 "$work/sim.log" 2>/dev/null || true
    echo "---- station (stdout and stderr)"; tail -n 40 "$work/station.log" 2>/dev/null || true
    exit 1
}

count() { grep -c -- "$1" "$2" 2>/dev/null || true; }
at_least() { [ "$(count "$1" "$2")" -ge "$3" ]; }

require_x_tools
start_xvfb

"$NERIVO_SIM" --com-dir "$work/com" --usbl-period 0.4 >"$work/sim.log" 2>&1 &
sim_pid=$!
wait_for 10 test -e "$work/com/com5" || fail "the simulator made no links"

start_station "$NERIVO" "$work/com" "$work/station.log"

press 1009                           # Connect to WinFrog
press 1013                           # Connect to AUV
type_field 1018 0                    # Xmit Period: every new fix
press 1003                           # Start Nav Packets

wait_for 15 at_least "vehicle <- nav ok" "$work/sim.log" 3 || fail "no nav records reached the vehicle"

press 1021                           # Request Status
wait_for 10 at_least "vehicle -> status" "$work/sim.log" 1 || fail "no status record after request status"

press 1022                           # Abort Mission: a Yes/No box, Yes is the default
wait_for 5 sh -c "xdotool search --name '^Abort Mission$' >/dev/null" || fail "no Yes/No box"
xdotool key Return
wait_for 10 at_least "vehicle <- command 3" "$work/sim.log" 1 || fail "the abort command did not arrive"

stop_station_on_esc
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
