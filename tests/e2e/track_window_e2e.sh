#!/bin/sh
# End to end: the track as the real station keeps and shows it. Peers on both links put the
# vehicle steadily 50 m north of its USBL fix. The track window, opened with Ctrl+T before any
# point came, must show both tracks once the links are connected (so the ticks repaint it),
# and the track file must give the vehicle's positions a drift of 50 m at 000°.
#
#   track_window_e2e.sh NERIVO TRACK_PEERS
set -eu

NERIVO=$1
TRACK_PEERS=$2

. "$(dirname "$0")/../support/x_station.sh"
make_work_folder nerivo-track

fail() {
    echo "track e2e: FAILED: $*"
    for file in "$work"/logs/*-track.csv "$work"/logs/*-status.log "$work/station.log"; do
        [ -f "$file" ] && { echo "---- $file"; tail -n 15 "$file"; }
    done
    exit 1
}

require_x_tools
command -v xwd >/dev/null || fail "xwd is missing (scripts/bootstrap installs it)"
start_xvfb

# Ended with the other programs, as the simulator would be.
"$TRACK_PEERS" "$work/com" >"$work/peers.log" 2>&1 &
sim_pid=$!
wait_for 10 test -e "$work/com/com5" || fail "the peers made no links"

start_station "$NERIVO" "$work/com" "$work/station.log" --log-dir "$work/logs"

xdotool key ctrl+t
track=$(timeout 10 xdotool search --sync --onlyvisible --name '^Track' | head -n 1) || true
[ -n "$track" ] || fail "Ctrl+T opened no window titled Track..."

# Pixels of the track window in a colour (32-bit pixels, least significant byte first: blue,
# green, red).
pixels() {
    xwd -silent -id "$track" >"$work/track.xwd"
    field() { od -An -tu4 --endian=big -j $(($1 * 4)) -N 4 "$work/track.xwd" | tr -d ' '; }
    [ "$(field 11)" = 32 ] && [ "$(field 7)" = 0 ] || fail "unexpected screen dump format"
    od -An -v -tx1 -w4 -j $(($(field 0) + $(field 19) * 12)) "$work/track.xwd" | grep -c "^ $1" || true
}
USBL="bd 60 15"    # 0x1560BD
VEHICLE="0a 60 e0" # 0xE0600A
# Before any point, only the legend's swatches are in the track colours. A latest point's
# mark alone adds some forty pixels.
legend_shown() { [ "$(pixels "$USBL")" -gt 0 ] && [ "$(pixels "$VEHICLE")" -gt 0 ]; }
wait_for 5 legend_shown || fail "the track window shows no legend"
usbl_legend=$(pixels "$USBL") vehicle_legend=$(pixels "$VEHICLE")

xdotool windowfocus --sync "$wid"
press 1009 # Connect to WinFrog
press 1013 # Connect to AUV

track_file=$(ls "$work"/logs/*-track.csv) || fail "no track file"
with_drift() { grep ',vehicle,' "$track_file" | awk -F, '$7 != ""' | wc -l; }
enough_drift() { [ "$(with_drift)" -ge 3 ]; }
wait_for 10 enough_drift || fail "fewer than 3 vehicle positions with a drift"
both_shown() {
    [ "$(pixels "$USBL")" -gt $((usbl_legend + 30)) ] &&
        [ "$(pixels "$VEHICLE")" -gt $((vehicle_legend + 30)) ]
}
wait_for 3 both_shown || fail "the track window does not show both tracks"

# Every drift known: 50 m at 000°, to the float the status record carries.
off=$(grep ',vehicle,' "$track_file" | awk -F, '$7 != "" {
    bearing = $8 > 180 ? 360 - $8 : $8
    if ($7 < 49.5 || $7 > 50.5 || bearing > 0.5) print
}')
[ -z "$off" ] || fail "drift not 50 m at 000°: $off"

stop_station_on_esc
wait "$station_pid" || fail "the station exited with status $?"
station_pid=""
echo "track e2e: passed: $(with_drift) vehicle positions 50 m north of their fixes, both tracks shown"
