#!/bin/sh
# The real station keeping its logs in files: started on a virtual X display with --com-dir,
# which must win over NERIVO_COM_DIR (that one names an empty folder), --log-dir and both
# times; driven from the keyboard until the relay has sent a few nav records; then killed
# with SIGKILL.
# Every line logged before the kill must be in the files, whole and dated.
#
#   log_files_e2e.sh NERIVO NERIVO_SIM
set -eu

NERIVO=$1
NERIVO_SIM=$2

. "$(dirname "$0")/../support/x_station.sh"
make_work_folder nerivo-logfiles

fail() {
    echo "log files: FAILED: $*"
    for file in "$work"/logs/today/* "$work/station.log"; do
        [ -f "$file" ] && { echo "---- $file"; tail -n 20 "$file"; }
    done
    exit 1
}

lines() { wc -l <"$1" 2>/dev/null || echo 0; }

require_x_tools
start_xvfb

"$NERIVO_SIM" --com-dir "$work/com" --usbl-period 0.4 >"$work/sim.log" 2>&1 &
sim_pid=$!
wait_for 10 test -e "$work/com/com5" || fail "the simulator made no links"

mkdir "$work/empty"
start_station "$NERIVO" "$work/empty" "$work/station.log" \
    --com-dir "$work/com" --log-dir "$work/logs/today" --status-timeout 30 --stale-after 90

press 1009                           # Connect to WinFrog
press 1013                           # Connect to AUV
type_field 1018 0                    # Xmit Period: every new fix
press 1003                           # Start Nav Packets

status_file=$(ls "$work"/logs/today/nerivo-*-status.log) || fail "no status log file"
nav_file=${status_file%-status.log}-nav.log
wait_for 15 sh -c "[ \$(wc -l <'$nav_file') -ge 3 ]" || fail "fewer than 3 lines in the nav log file"
kill -KILL "$station_pid"
wait "$station_pid" 2>/dev/null || true
station_pid=""

[ "$(ls "$work/logs/today" | wc -l)" -eq 3 ] || fail "not exactly three files: $(ls "$work/logs/today")"
track_file=${status_file%-status.log}-track.csv
[ -f "$track_file" ] || fail "no track file beside the logs"

# Whole lines only, each dated: date, time and offset, then the line as the window shows it.
dated='^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2} '
for file in "$status_file" "$nav_file"; do
    [ "$(tail -c 1 "$file" | od -An -c | tr -d ' ')" = '\n' ] || fail "$file ends inside a line"
    if grep -Evq "$dated" "$file"; then fail "an undated line in $file"; fi
done
if grep -Evq "$dated"'\[[0-9]{3} [0-9]{2}:[0-9]{2}:[0-9]{2}\] ' "$status_file"; then
    fail "a status line without its stamp"
fi

# The first line is dated with the time the files are named after.
start=$(basename "$status_file" -status.log | sed 's/^nerivo-//; s/T\(..\)-\(..\)-\(..\)$/T\1:\2:\3/')
[ "$(head -n 1 "$status_file" | cut -c 1-19)" = "$start" ] || fail "the first line is not dated $start"

# COM 1 and COM 5 resolved in the option's folder: the links connected. (A read that starts
# inside a sentence may be logged in between.)
messages=$(cut -c 42- "$status_file" | grep -v '^received too few tokens' | head -n 4)
expected="Nerivo Started...ready
WinFrog responding...Connected
AUV responding...Connected
Start transmitting Nav packets"
[ "$messages" = "$expected" ] || fail "status lines: $messages"

# Each nav record is dumped, then logged: the kill may fall between the two, no more.
built=$(grep -c '^packet_size = 48$' "$work/station.log" || true)
logged=$(lines "$nav_file")
[ "$logged" -eq "$built" ] || [ "$logged" -eq $((built - 1)) ] ||
    fail "$built nav records built, $logged in the nav log file"

# The track: its header, whole rows of eight columns, and a usbl row for every fix relayed.
[ "$(head -n 1 "$track_file")" = "utc,source,latitude,longitude,depth_m,heading_deg,drift_m,drift_bearing_deg" ] ||
    fail "the track file's header: $(head -n 1 "$track_file")"
[ "$(tail -c 1 "$track_file" | od -An -c | tr -d ' ')" = '\n' ] || fail "$track_file ends inside a line"
row='^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}Z,(usbl|vehicle),[^,]*,[^,]*,[^,]*,[^,]*,[^,]*,[^,]*$'
if tail -n +2 "$track_file" | grep -Evq "$row"; then fail "a track row out of shape in $track_file"; fi
fixes=$(grep -c ',usbl,' "$track_file" || true)
[ "$fixes" -ge "$logged" ] || fail "$logged nav records logged, $fixes fixes in the track file"

echo "log files: passed: $(lines "$status_file") status and $logged nav lines kept through SIGKILL"
