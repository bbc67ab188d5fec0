#!/bin/sh
# End to end: links that stop taking data never hold the window. The real station on a
# virtual X display, against the real simulator sending status five times a second, with an
# NMEA target on a serial line nobody reads. Every Request Status must reach the status log
# within 100 ms and nav records keep their period; then the vehicle stops reading too, and
# an abort must be told as not sent after 5 s while the window keeps answering. The station
# must end on Esc with status 0.
#
#   stalled_links_e2e.sh NERIVO NERIVO_SIM
set -eu

NERIVO=$1
NERIVO_SIM=$2
PRESSES=10 # about a second apart: ten keep the whole run under 30 s

. "$(dirname "$0")/../support/x_station.sh"
make_work_folder nerivo-stalled
plotter_pid=""
# A stopped simulator would never see its SIGTERM.
trap 'kill -CONT $sim_pid 2>/dev/null; kill $plotter_pid 2>/dev/null; end_programs_and_work_folder' EXIT

fail() {
    echo "stalled e2e: FAILED: $*"
    echo "---- status log"; cat "$work"/logs/*-status.log 2>/dev/null || true
    echo "---- simulator"; tail -n 20 "$work/sim.log" 2>/dev/null || true
    exit 1
}

require_x_tools
# Debian's own Python (gpsd-clients brings it): a version manager's shim takes seconds to start.
PYTHON=/usr/bin/python3
[ -x "$PYTHON" ] || fail "$PYTHON is missing (scripts/bootstrap brings it with gpsd-clients)"

# `hold LINK`: a pty whose master nobody reads, its slave as LINK, its line full from the
# start. `fill DEVICE`: fills the line behind DEVICE; the kernel finds more room a moment
# after the first EAGAIN, so it is full only once a pass writes nothing. `press LOG N
# [APART]`: Space N times, APART seconds apart (about one, varied so the presses do not keep
# in step with a tick), printing how long (ms) each took to add "Requesting status from AUV"
# to LOG; in one process, through xdotool's library, as a fork here can take 100 ms.
cat >"$work/helper.py" <<'EOF'
import ctypes, os, sys, time, tty
def fill(fd):
    os.set_blocking(fd, False)
    while True:
        taken = 0
        for size in (4096, 64, 1):
            try:
                while True:
                    taken += os.write(fd, bytes(size))
            except BlockingIOError:
                pass
        if not taken:
            return
        time.sleep(0.05)
def requests():
    with open(sys.argv[2], "rb") as log:
        return log.read().count(b"Requesting status from AUV")
def press(times, apart):
    xdo = ctypes.CDLL("libxdo.so.3")
    xdo.xdo_new.restype = ctypes.c_void_p
    xdo.xdo_send_keysequence_window.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_char_p, ctypes.c_uint]
    keyboard = xdo.xdo_new(None)
    for i in range(times):
        before, pressed = requests(), time.monotonic()
        xdo.xdo_send_keysequence_window(keyboard, 0, b"space", 12000)
        while requests() == before and time.monotonic() - pressed < 5:
            time.sleep(0.001)
        print(round((time.monotonic() - pressed) * 1000), end=" ", flush=True)
        time.sleep(max(0, pressed + apart[i % len(apart)] - time.monotonic()))
if sys.argv[1] == "hold":
    master, slave = os.openpty()
    tty.setraw(slave)
    fill(slave)
    os.symlink(os.ttyname(slave), sys.argv[2])
    time.sleep(3600)
elif sys.argv[1] == "fill":
    fill(os.open(sys.argv[2], os.O_WRONLY | os.O_NOCTTY))
else:
    press(int(sys.argv[3]), [float(sys.argv[4])] if sys.argv[4:] else [0.75, 0.85, 0.95, 1.05])
EOF

ms() { echo $(($(date +%s%N) / 1000000)); }
logged() { grep -q -- "$1" "$status_file"; }
worst() { echo "$1" | tr -s ' ' '\n' | sort -n | tail -n 1; }
# prompt LATENCIES N: each within 100 ms, but N may take up to 300 ms. With builds running
# the station can wait that long for a core now and then; a held window misses by far more.
prompt() {
    late=0
    for t in $1; do
        [ "$t" -le 300 ] || return 1
        [ "$t" -le 100 ] || late=$((late + 1))
    done
    [ "$late" -le "$2" ]
}

start_xvfb
"$NERIVO_SIM" --com-dir "$work/com" --usbl-period 0.4 --status-period 0.2 >"$work/sim.log" 2>&1 &
sim_pid=$!
wait_for 10 test -e "$work/com/com5" || fail "the simulator made no links"
"$PYTHON" "$work/helper.py" hold "$work/com/com3" &
plotter_pid=$!
wait_for 10 test -e "$work/com/com3" || fail "no stalled plotter line"

start_station "$NERIVO" "$work/com" "$work/station.log" --log-dir "$work/logs" --nmea-out com:3
status_file=$(ls "$work"/logs/*-status.log) || fail "no status log file"
press 1009                           # Connect to WinFrog
press 1013                           # Connect to AUV
type_field 1018 1                    # Xmit Period 1
press 1003                           # Start Nav Packets
wait_for 10 logged "Start transmitting Nav packets" || fail "the relay did not start"
go_to 1021                           # Request Status

took=$("$PYTHON" "$work/helper.py" press "$status_file" "$PRESSES")
slowest=$(worst "$took")
echo "Request Status to the status log, ms: $took(worst $slowest)"
# The simulator stamps each record it gets (UTC, hh:mm:ss.mmm); the last gap runs to now.
gaps=$({ grep "vehicle <- nav ok" "$work/sim.log"; date -u +%H:%M:%S.%N; } | awk '
    { split($1, t, ":"); s = t[1] * 3600 + t[2] * 60 + t[3] }
    NR > 1 { gap = s - last; if (gap < 0) gap += 86400; printf "%.2f ", gap }
    { last = s }')
echo "nav record gaps at the vehicle, s: $gaps"

[ "$(echo "$took" | wc -w)" -eq "$PRESSES" ] || fail "the presses were not all made"
prompt "$took" 2 || fail "Request Status was slow to reach the status log"
[ "$(echo "$gaps" | wc -w)" -ge $((PRESSES - 3)) ] || fail "too few nav records reached the vehicle"
for gap in $gaps; do
    awk "BEGIN { exit !($gap <= 1.6) }" || fail "a $gap s gap between nav records"
done

# Filling the vehicle's line takes a second open of it, which only root gets past the
# station's exclusive hold.
if [ "$(id -u)" -eq 0 ]; then
    kill -STOP "$sim_pid"            # the vehicle stops reading
    "$PYTHON" "$work/helper.py" fill "$work/com/com5"
    press 1022                       # Abort Mission: a Yes/No box, Yes is the default
    wait_for 5 sh -c "xdotool search --name '^Abort Mission$' >/dev/null" || fail "no Yes/No box"
    asked=$(ms)
    xdotool key Return
    wait_for 5 logged 'Sending "Abort" message to AUV' || fail "the abort was not sent"
    go_to 1021
    # Twice, close together: the first must not hold the window for the second.
    took=$("$PYTHON" "$work/helper.py" press "$status_file" 2 0.2)
    echo "Request Status with the vehicle link stalled, ms: $took"
    prompt "$took" 1 || fail "Request Status was slow with the vehicle link stalled"
    wait_for 10 logged "Abort not sent: the AUV link takes no data" ||
        fail "the abort was not told as not sent"
    after=$(($(ms) - asked))
    echo "Abort told as not sent after $after ms"
    if [ "$after" -lt 4500 ] || [ "$after" -gt 8000 ]; then fail "abort told after $after ms"; fi
    wait_for 5 logged "Status request not sent: the AUV link takes no data" ||
        fail "the status request was not told as not sent"

    kill -CONT "$sim_pid"            # reading again: what was given up must never arrive
    requested=$(grep -c "vehicle <- command 0" "$work/sim.log" || true)
    xdotool key space
    wait_for 10 sh -c "[ \$(grep -c 'vehicle <- command 0' '$work/sim.log') -gt $requested ]" ||
        fail "no status request reached the vehicle once it read again"
    if grep -q "vehicle <- command 3" "$work/sim.log"; then fail "the given-up abort arrived"; fi
    stalled="abort told as not sent after $after ms"
else
    stalled="the stalled vehicle link skipped: filling it needs root"
fi

stop_station_on_esc
wait "$station_pid" || fail "the station exited with status $?"
station_pid=""
echo "stalled e2e: passed: worst Request Status $slowest ms; $stalled"
