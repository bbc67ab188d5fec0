#!/bin/sh
# End to end: the vehicle's and the navigation package's adapters pulled and plugged back in
# while the relay runs. The real station and the real simulator on a virtual X display: the
# simulator ends (its devices go), and starts again under the same COM numbers; the station
# says the links were lost, takes them back by itself, and relays to the new vehicle.
#
#   adapter_e2e.sh NERIVO NERIVO_SIM
set -eu

NERIVO=$1
NERIVO_SIM=$2

. "$(dirname "$0")/../support/x_station.sh"
make_work_folder nerivo-adapter

fail() {
    echo "adapter e2e: FAILED: $*"
    echo "---- status log"; cat "$work"/logs/*-status.log 2>/dev/null || true
    echo "---- simulator"; tail -n 20 "$work/sim.log" 2>/dev/null || true
    echo "---- station (stdout and stderr)"; tail -n 20 "$work/station.log" 2>/dev/null || true
    exit 1
}

count() { cat "$2" 2>/dev/null | grep -c -- "$1" || true; }
at_least() { [ "$(count "$1" "$2")" -ge "$3" ]; }
logged() { at_least "$1" "$(ls "$work"/logs/*-status.log)" "${2:-1}"; }

require_x_tools
start_xvfb

start_sim() {
    "$NERIVO_SIM" --com-dir "$work/com" --usbl-period 0.4 >"$work/sim.log" 2>&1 &
    sim_pid=$!
    wait_for 10 test -e "$work/com/com5" || fail "the simulator made no links"
}

start_sim
start_station "$NERIVO" "$work/com" "$work/station.log" --log-dir "$work/logs"
press 1009                           # Connect to WinFrog
press 1013                           # Connect to AUV
type_field 1018 0                    # Xmit Period: every new fix
press 1003                           # Start Nav Packets
wait_for 15 at_least "vehicle <- nav ok" "$work/sim.log" 2 || fail "no nav records reached the vehicle"

kill -TERM "$sim_pid"                # both adapters pulled
wait "$sim_pid" || true
wait_for 10 logged "AUV link lost" || fail "the lost vehicle link was not told"
wait_for 10 logged "WinFrog link lost" || fail "the lost navigation link was not told"
sleep 1.5                            # tried again, quietly, while nothing is there
lines=$(wc -l < "$(ls "$work"/logs/*-status.log)")

mv "$work/sim.log" "$work/first-sim.log"
start_sim                            # plugged back in
wait_for 10 logged "AUV link back...Connected" || fail "the vehicle link did not come back"
wait_for 10 logged "WinFrog link back...Connected" || fail "the navigation link did not come back"
wait_for 10 logged "Start transmitting Nav packets" 2 || fail "the relay did not start again"
wait_for 15 at_least "vehicle <- nav ok" "$work/sim.log" 2 || fail "no nav records reached the new vehicle"
now=$(wc -l < "$(ls "$work"/logs/*-status.log)")
[ "$now" -le $((lines + 4)) ] || fail "more than the lines of the return while the links were away"

stop_station_on_esc
echo "adapter e2e: passed: both links lost, back by themselves, the relay running again"
