#!/bin/sh
# The real station at work but idle for the operator: under Xvfb against the real simulator,
# both links connected from the keyboard and the relay on with period 0, so a sentence comes
# every second and a nav record goes out for each. Over SECONDS it reports the CPU time the
# station used (utime + stime in /proc/PID/stat, taken at both ends of the span) and, at the
# end, its peak resident memory (VmHWM). The station's standard output (the nav record dump)
# goes to a file, as it would in the field. NERIVO may be nerivo.exe: it then runs under Wine,
# in a fresh prefix whose COM 1 and 5 lead through socat to the simulator's links (socat
# locks them as the Linux station would, so the simulator serves it), and its resident memory
# is the working set Windows would report plus Wine's own. With bench/win32's
# nerivo-figures.exe, the window is ended with Esc and the program's own figures are shown.
#
#   idle_station.sh NERIVO NERIVO_SIM [SECONDS [RUNS]]     defaults: 60 s, 1 run
set -eu

NERIVO=$1
NERIVO_SIM=$2
SECONDS_IDLE=${3:-60}
RUNS=${4:-1}

work=$(mktemp -d "${TMPDIR:-/tmp}/nerivo-idle.XXXXXX")
xvfb_pid="" sim_pid="" station_pid="" wine_prefix=""
bridge_pids=""
stop_run() {
    for pid in $station_pid $bridge_pids $sim_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    station_pid="" bridge_pids="" sim_pid=""
}
cleanup() {
    stop_run
    [ -z "$wine_prefix" ] || WINEPREFIX="$wine_prefix" "$WINE_SERVER" -k 2>/dev/null || true
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
    echo "idle: FAILED: $*"
    tail -n 20 "$work/sim.log" 2>/dev/null || true
    exit 1
}

. "$(dirname "$0")/../tests/support/x_station.sh"

nav_received() { grep -c "vehicle <- nav ok" "$work/sim.log" 2>/dev/null || true; }
has_nav() { [ "$(nav_received)" -ge 1 ]; }

# utime + stime in clock ticks; the name in parentheses may hold blanks, so cut after it.
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
status_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

require_x_tools
start_xvfb
case $NERIVO in
*.exe)
    sh "$(dirname "$0")/../tests/wine/wine_prefix.sh" "$work/prefix" "$WINE" "$work/wine-com" \
        "1 5" "$work/prefix/ready" x11
    ;;
esac

ticks_per_second=$(getconf CLK_TCK)
cpu_list="" hwm_list=""
echo "the station under Xvfb against the simulator, relay on (period 0), ${SECONDS_IDLE} s per run"
run=1
while [ "$run" -le "$RUNS" ]; do
    rm -rf "$work/com" "$work/sim.log"
    "$NERIVO_SIM" --com-dir "$work/com" >"$work/sim.log" 2>&1 &
    sim_pid=$!
    wait_for 10 test -e "$work/com/com5" || fail "the simulator made no links"

    case $NERIVO in
    *.exe)
        for n in 1 5; do
            socat "FILE:$work/com/com$n,raw,echo=0,flock-ex-nb" \
                "PTY,raw,echo=0,link=$work/wine-com/com$n" </dev/null >/dev/null 2>&1 &
            bridge_pids="$bridge_pids $!"
            wait_for 10 test -e "$work/wine-com/com$n" || fail "no socat link for COM $n"
        done
        start_wine_station "$work/prefix" "$NERIVO" "$work/station.log"
        ;;
    *) start_station "$NERIVO" "$work/com" "$work/station.log" ;;
    esac
    press 1009        # Connect to WinFrog
    press 1013        # Connect to AUV
    type_field 1018 0 # Xmit Period: every new fix
    press 1003        # Start Nav Packets
    wait_for 10 has_nav || fail "no nav record reached the vehicle"

    cpu_start=$(cpu_ticks "$station_pid")
    nav_start=$(nav_received)
    rss_start_kb=$(status_kb "$station_pid" VmRSS)
    sleep "$SECONDS_IDLE"
    cpu_end=$(cpu_ticks "$station_pid")
    nav_end=$(nav_received)
    hwm_kb=$(status_kb "$station_pid" VmHWM)
    rss_kb=$(status_kb "$station_pid" VmRSS)
    kill -0 "$station_pid" 2>/dev/null || fail "the station ended during the run"

    cpu_s=$(awk -v t="$((cpu_end - cpu_start))" -v hz="$ticks_per_second" 'BEGIN { printf "%.2f", t / hz }')
    sent=$((nav_end - nav_start))
    printf '  run %d: CPU %s s in %s s (%s %% of one core), VmHWM %s kB, VmRSS %s kB (%s kB at the start), nav records received %d\n' \
        "$run" "$cpu_s" "$SECONDS_IDLE" \
        "$(awk -v c="$cpu_s" -v s="$SECONDS_IDLE" 'BEGIN { printf "%.2f", 100 * c / s }')" \
        "$hwm_kb" "$rss_kb" "$rss_start_kb" "$sent"
    [ "$sent" -ge $((SECONDS_IDLE / 2)) ] || fail "the relay sent only $sent records in ${SECONDS_IDLE} s"
    cpu_list="$cpu_list $cpu_s" hwm_list="$hwm_list $hwm_kb"
    # A figure program under Wine writes its figures as its window ends.
    case $NERIVO in
    *.exe)
        stop_station_on_esc
        grep '^figure ' "$work/station.log" | sed 's/^/  /' || true
        ;;
    esac
    stop_run
    run=$((run + 1))
done

# shellcheck disable=SC2086
echo "figure idle_station cpu_s $(median $cpu_list) vmhwm_kb $(median $hwm_list) seconds $SECONDS_IDLE (median of $RUNS)"
