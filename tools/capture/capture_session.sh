#!/bin/sh
# Captures a session for the replay tests: the real station against the real simulator on a
# virtual X display, driven from the keyboard by a script of operator actions. The result
# is a session file (tools/sim/session_file.h): what the simulator's two peers wrote, with
# their times, the operator's actions at the moments they were made, and a tick every 500 ms.
#
#   capture_session.sh NERIVO NERIVO_SIM ACTIONS OUT [SIMULATOR OPTION]...
#
# ACTIONS holds the simulator's options and one action a line, with its time in ms after
# the simulator started:
#   sim --usbl-period 1 --seed 7    options for nerivo-sim (those on the command line follow)
#   1500 click connect_winfrog      any of connect_winfrog, connect_auv, toggle_relay,
#   4000 click abort_mission yes    request_status, abort_mission yes|no, start_survey yes|no
#   2000 field 1018 2               types the new text of a field
#   9000 end                        leaves the station; the session ends here
# Lines starting with # are comments.
#
# What a peer wrote before the station opened its line went nowhere (the simulator drops
# what waits on a line nobody holds), so it is left out of the session. The session can be
# cut shorter by hand afterwards; keep the start line.
set -eu

[ $# -ge 4 ] || { sed -n '2,23p' "$0"; exit 2; }
NERIVO=$1
NERIVO_SIM=$2
ACTIONS=$3
OUT=$4
shift 4

. "$(dirname "$0")/../../tests/support/x_station.sh"
make_work_folder nerivo-capture

fail() {
    echo "capture: FAILED: $*" >&2
    tail -n 20 "$work/sim.log" >&2 2>/dev/null || true
    exit 1
}

now_ms() { date +%s%3N; }

require_x_tools
start_xvfb

sim_options=$(sed -n 's/^sim //p' "$ACTIONS")
# shellcheck disable=SC2086
"$NERIVO_SIM" --com-dir "$work/com" --capture "$work/sim.session" $sim_options "$@" \
    >"$work/sim.log" 2>&1 &
sim_pid=$!
wait_for 10 test -e "$work/com/com5" || fail "the simulator made no links"
start=$(sed -n 's/^start \([0-9]*\)$/\1/p' "$work/sim.session")
[ -n "$start" ] || fail "the capture has no start line"

start_station "$NERIVO" "$work/com" "$work/station.log"

button_of() {
    case $1 in
        connect_winfrog) echo 1009 ;;
        connect_auv) echo 1013 ;;
        toggle_relay) echo 1003 ;;
        request_status) echo 1021 ;;
        abort_mission) echo 1022 ;;
        start_survey) echo 1023 ;;
        *) fail "no button $1" ;;
    esac
}
title_of() {
    case $1 in
        abort_mission) echo "Abort Mission" ;;
        start_survey) echo "Start Survey" ;;
        *) echo "" ;;
    esac
}

: >"$work/actions"
end_ms=""
while read -r at verb rest; do
    case $at in ''|'#'*|sim) continue ;; esac
    while [ $(( $(now_ms) - start )) -lt "$at" ]; do
        sleep 0.01
    done
    case $verb in
        click)
            # shellcheck disable=SC2086
            set -- $rest # the button's name, then any answer
            go_to "$(button_of "$1")"
            title=$(title_of "$1")
            echo "$(( $(now_ms) - start )) click $rest" >>"$work/actions"
            xdotool key space
            if [ -n "$title" ]; then
                wait_for 5 sh -c "xdotool search --name '^$title\$' >/dev/null" ||
                    fail "no $title box"
                case ${2:-} in
                    yes) xdotool key Return ;;
                    no) xdotool key Escape ;;
                    *) fail "$1 wants yes or no" ;;
                esac
            fi
            ;;
        field)
            id=${rest%% *}
            text=${rest#"$id"}
            text=${text# }
            echo "$(( $(now_ms) - start )) field $id $text" >>"$work/actions"
            type_field "$id" "$text"
            ;;
        end)
            end_ms=$(( $(now_ms) - start ))
            break
            ;;
        *) fail "unknown action $verb" ;;
    esac
done <"$ACTIONS"
[ -n "$end_ms" ] || fail "the actions have no end"

stop_station_on_esc
station_pid=""
kill -TERM "$sim_pid"
wait "$sim_pid" || true
sim_pid=""

# Merge: the capture, the actions and the ticks, in time order; at the same time, in the
# order they were written. Bytes from before the station opened a line are dropped.
awk -v end_ms="$end_ms" -v actions="$work/actions" '
    function put(t, group, line) { if (t <= end_ms) printf "%d\t%d\t%07d\t%s\n", t, group, n++, line }
    BEGIN {
        while ((getline line < actions) > 0) {
            split(line, f, " ")
            if (f[3] == "connect_winfrog" && usbl_open == "") usbl_open = f[1]
            if (f[3] == "connect_auv" && vehicle_open == "") vehicle_open = f[1]
            if (first == "") first = f[1]
            put(f[1], 1, line)
        }
        close(actions)
        for (t = first - first % 500 + 250; t <= end_ms; t += 500) put(t, 2, t " tick")
    }
    /^start / { print "#"; print "# nerivo-sim capture, operator actions from the script, a tick every 500 ms"; print; next }
    /^# [0-9]+ / { put($2, 0, $0); next }
    /^#/ { print; next }
    $2 == "usbl" && (usbl_open == "" || $1 < usbl_open) { next }
    $2 == "vehicle" && (vehicle_open == "" || $1 < vehicle_open) { next }
    { put($1, 0, $0) }
' "$work/sim.session" >"$work/merged"
{
    grep -v '	' "$work/merged" | sed "s|$work|WORK|g"
    grep '	' "$work/merged" | sort -t '	' -k1,1n -k3,3 | cut -f4-
} >"$OUT"
echo "capture: wrote $OUT ($(grep -c '^[0-9]' "$OUT") events up to $end_ms ms)"
