#!/bin/sh
# End to end: nerivo.exe under Wine on a virtual X display, driven from the keyboard, its COM 1
# (navigation) and COM 5 (vehicle) led through socat to pseudo-terminals this script plays
# the navigation package and the vehicle on. Connect both links (the buttons' colours read
# from the screen), relay one fix (checked byte for byte at the vehicle), request status and
# answer it (the fields read back through the clipboard), abort after Yes, open the About box
# from the system menu and from a right-click on the window's background, leave with Esc. The
# track window opens from the system menu before the fix and shows both tracks' first points
# once the fix and the status have come; Ctrl+T brings it forward, and it takes its own keys.
#
#   station_window_e2e.sh PREFIX NERIVO_EXE LINKS
#
# PREFIX is a Wine prefix with the x11 display driver whose COM 1 and 5 lead to LINKS/com1 and
# LINKS/com5 (tests/wine/wine_prefix.sh).
set -eu

prefix=$1
nerivo_exe=$2
links=$3

. "$(dirname "$0")/../support/x_station.sh"
make_work_folder nerivo-wine-e2e
socat_pids=""
trap 'for pid in $socat_pids; do kill "$pid" 2>/dev/null || true; done; end_programs_and_work_folder' EXIT

fail() {
    echo "wine e2e: FAILED: $*"
    echo "---- status log"; cat "$work"/logs/*-status.log 2>/dev/null || true
    echo "---- bytes at the vehicle"; od -An -tx1 "$work/vehicle.bin" 2>/dev/null || true
    exit 1
}

require_x_tools
for tool in xclip xwd socat; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/bootstrap installs it)"
done
start_xvfb

# The far ends: what the station writes to COM 5 collects in vehicle.bin.
for pair in "1 navigation" "5 vehicle"; do
    set -- $pair
    rm -f "$links/com$1"
    socat "PTY,raw,echo=0,link=$links/com$1" "PTY,raw,echo=0,link=$work/$2" </dev/null \
        >/dev/null 2>&1 &
    socat_pids="$socat_pids $!"
    wait_for 10 test -e "$links/com$1" -a -e "$work/$2" || fail "no socat pair for COM $1"
done
cat "$work/vehicle" >"$work/vehicle.bin" &
socat_pids="$socat_pids $!"

size() { wc -c <"$work/vehicle.bin"; }
has_bytes() { [ "$(size)" -ge "$1" ]; }
bytes() { od -An -v -tx1 -j "$1" -N "$2" "$work/vehicle.bin" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
logged() { grep -qF -- "$1" "$work"/logs/*-status.log; }

# Pixels of the window (or of window $2) in a colour, counted from a dump of the screen (32-bit
# pixels, least significant byte first: blue, green, red); counted() counts another colour in
# the same dump.
pixels() {
    xwd -silent -id "${2:-$wid}" >"$work/window.xwd"
    field() { od -An -tu4 --endian=big -j $(($1 * 4)) -N 4 "$work/window.xwd" | tr -d ' '; }
    [ "$(field 11)" = 32 ] && [ "$(field 7)" = 0 ] || fail "unexpected screen dump format"
    od -An -v -tx1 -w4 -j $(($(field 0) + $(field 19) * 12)) "$work/window.xwd" >"$work/window.txt"
    counted "$1"
}
counted() { grep -c "^ $1" "$work/window.txt" || true; }
RED="41 41 ff"     # RGB(255, 65, 65): not connected, relay off
GREEN="14 ff 14"   # RGB(20, 255, 20): connected, relay on
USBL="bd 60 15"    # the USBL track, RGB(21, 96, 189)
VEHICLE="0a 60 e0" # the vehicle track, RGB(224, 96, 10)

# Copies a field's text as the operator would: Tab into it (which selects it), Ctrl+C. Not in
# a subshell: go_to keeps track of the focus.
copy_field() {
    go_to "$1"
    xdotool key shift+Tab Tab ctrl+c
    sleep 0.1
}
clipboard() { xclip -o -selection clipboard; }

start_wine_station "$prefix" "$nerivo_exe" "$work/station.out" \
    --log-dir "Z:$(printf '%s' "$work/logs" | tr / '\\')"
wait_for 20 logged "Nerivo Started...ready" || fail "no status log file from --log-dir"
[ "$(pixels "$GREEN")" -eq 0 ] && [ "$(pixels "$RED")" -gt 0 ] || fail "the state buttons are not red"

press 1009 # Connect to WinFrog
press 1013 # Connect to AUV
wait_for 10 logged "AUV responding...Connected" || fail "the vehicle link did not connect"
logged "WinFrog responding...Connected" || fail "the navigation link did not connect"
# Two connect buttons green, the relay's button red.
both_green() { [ "$(pixels "$GREEN")" -gt "$(pixels "$RED")" ] && [ "$(pixels "$RED")" -gt 0 ]; }
wait_for 5 both_green || fail "the connect buttons are not green: $(pixels "$GREEN") green, $(pixels "$RED") red"

# The track window from the system menu: the entry before About. No points yet, so what it
# shows in the tracks' colours is the legend.
xdotool key alt+space
sleep 0.3
xdotool key Up Up Return
track=$(timeout 10 xdotool search --sync --onlyvisible --name '^Track plot - Nerivo$' | head -n 1) ||
    fail "no track window from the system menu"
track_pixels() { echo "$(pixels "$USBL" "$track") $(counted "$VEHICLE")"; }
legend_shown() {
    set -- $(track_pixels)
    usbl_legend=$1 vehicle_legend=$2
    [ "$1" -gt 0 ] && [ "$2" -gt 0 ]
}
wait_for 5 legend_shown || fail "the track window shows no legend"
# Out of the way of the right-click below. With no window manager Wine activates no window
# on X's focus, but a click does, as on a desktop.
xdotool windowmove --sync "$track" 620 0
eval "$(xdotool getwindowgeometry --shell "$wid")"
background_x=$((WIDTH * 241 / 549)) background_y=$((HEIGHT * 60 / 221)) # between the groups
activate_station() {
    xdotool mousemove --window "$wid" "$background_x" "$background_y" click 1
    xdotool windowfocus --sync "$wid"
}
activate_station

# A fix goes out as its exact nav record, then "Done".
type_field 1018 0 # Xmit Period: every new fix
press 1003        # Start Nav Packets
wait_for 5 logged "Start transmitting Nav packets" || fail "the relay did not start"
before=$(date +%s)
printf '%s\r\n' '$NVPOS,170422.76,5030.0027,N,00145.0001,W,1.4,221.9,262.1,1.09,0.36,262.42' \
    >"$work/navigation"
wait_for 5 has_bytes 53 || fail "no nav record reached the vehicle"
after=$(date +%s)
[ "$(bytes 0 8)" = "01 00 00 00 10 00 00 00" ] || fail "nav record header starts $(bytes 0 8)"
[ "$(bytes 16 8)" = "00 00 00 00 00 00 00 00" ] || fail "nav record type and param $(bytes 16 8)"
[ "$(bytes 28 16)" = "c3 16 70 47 0c 00 4a 42 0e 00 e0 bf c3 35 83 43" ] ||
    fail "nav record fix $(bytes 28 16)"
[ "$(bytes 48 5)" = "44 6f 6e 65 00" ] || fail "no Done\\0 after the record: $(bytes 48 5)"
# Time stamp (seconds, milliseconds) and both checksums, as the vehicle checks them.
od -An -v -tu1 -N 48 "$work/vehicle.bin" | awk -v before="$before" -v after="$after" '
    function xor8(a, b,   r, bit) {
        for (bit = 1; bit < 256; bit *= 2)
            if (int(a / bit) % 2 != int(b / bit) % 2) r += bit
        return r + 0
    }
    function checksum(n,   i, r, c, sum) {
        r = 55665
        for (i = 0; i < n; i++) {
            c = xor8(byte[i], int(r / 256))
            r = ((c + r) * 52845 + 22719) % 65536
            sum += c
        }
        return sum
    }
    function u32(at) { return byte[at] + 256 * (byte[at + 1] + 256 * (byte[at + 2] + 256 * byte[at + 3])) }
    { for (i = 1; i <= NF; i++) byte[n++] = $i }
    END {
        if (u32(8) < before || u32(8) > after || u32(12) > 999) { print "time stamp " u32(8) " s " u32(12) " ms"; exit 1 }
        if (u32(24) != checksum(24)) { print "header checksum " u32(24) ", expected " checksum(24); exit 1 }
        if (u32(44) != checksum(44)) { print "record checksum " u32(44) ", expected " checksum(44); exit 1 }
    }' >"$work/check" || fail "nav record: $(cat "$work/check")"

# Request Status sends the command; the vehicle's answer fills the fields.
press 1021
wait_for 5 has_bytes 86 || fail "no command after Request Status"
[ "$(bytes 53 4)" = "01 00 00 00" ] && [ "$(bytes 69 8)" = "02 00 00 00 00 00 00 00" ] ||
    fail "Request Status sent $(bytes 53 33)"
printf "$(printf '\\%03o' 0x01 0 0 0 0x24 0 0 0 0x99 0x38 0x18 0x6b 0x62 0x01 0 0 0x01 0 0 0 0 0 0 0 \
    0x7c 0x0d 0 0 0x15 0 0x4a 0x42 0xdf 0 0xe0 0xbf 0xb6 0x30 0x80 0x3e 0x37 0x83 0x31 0x40 \
    0x0b 0x50 0x70 0x42 0xc4 0x89 0xc9 0x41 0xe5 0x78 0xf8 0x41 0x01 0 0 0 0 0 0 0 0xb9 0x1e 0 0)" \
    >"$work/vehicle"
depth_shown() { copy_field 1004 && [ "$(clipboard)" = 2.77 ]; }
wait_for 5 depth_shown || fail "the status record did not reach the fields"
for expected in "1008 50.500080" "1004 2.77" "1005 Diving" "1020 No"; do
    set -- $expected
    copy_field "$1"
    shown=$(clipboard)
    [ "$shown" = "$2" ] || fail "field $1 shows '$shown', expected '$2'"
done
# The fix and the status are the tracks' first points, marked in their colours.
points_shown() {
    set -- $(track_pixels)
    [ "$1" -gt "$usbl_legend" ] && [ "$2" -gt "$vehicle_legend" ]
}
wait_for 5 points_shown || fail "the track window shows no points: $(track_pixels), legend" \
    "$usbl_legend $vehicle_legend (USBL, vehicle)"

# Abort Mission asks first; Yes (the default) sends the abort command.
press 1022
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Abort Mission$' | head -n 1) ||
    fail "no Yes/No box"
xdotool windowfocus --sync "$box" key Return
wait_for 5 has_bytes 119 || fail "no abort command after Yes"
[ "$(bytes 102 8)" = "02 00 00 00 03 00 00 00" ] || fail "Abort sent $(bytes 86 33)"
xdotool windowfocus --sync "$wid"

# The About box, from the system menu: its last entry.
xdotool key alt+space
sleep 0.3
xdotool key Up Return
about=$(timeout 10 xdotool search --sync --onlyvisible --name '^About Nerivo$' | head -n 1) ||
    fail "no About box from the system menu"
xdotool windowfocus --sync "$about" key Return
xdotool windowfocus --sync "$wid"

# And from the window's own context menu: a right-click between the two groups (dialog units
# 241, 60 of 549 x 221), its one entry taken from the keyboard. The closed box stays on screen
# a while (no window manager): the new one is another window.
xdotool mousemove --window "$wid" "$background_x" "$background_y" click 3
sleep 0.3
xdotool key Down Return
new_about() {
    again=$(xdotool search --onlyvisible --name '^About Nerivo$' | grep -vx "$about" | head -n 1)
    [ -n "$again" ]
}
wait_for 10 new_about || fail "no About box from a right-click on the window's background"
xdotool windowfocus --sync "$again" key Return
xdotool windowfocus --sync "$wid"

# Ctrl+T brings the track window forward: the keypad's + then zooms it.
xwd -silent -id "$track" >"$work/track-before.xwd"
xdotool key ctrl+t
sleep 0.2
xdotool key KP_Add
zoomed() { xwd -silent -id "$track" >"$work/track.xwd" && ! cmp -s "$work/track.xwd" "$work/track-before.xwd"; }
wait_for 5 zoomed || fail "Ctrl+T and + did not zoom the track window"
activate_station

stop_station_on_esc
wait "$station_pid" || fail "the station exited with status $?"
station_pid=""
echo "wine e2e: passed: both links green, the nav record byte for byte, status shown, abort sent," \
    "both tracks' points shown, About shown from the system menu and the context menu," \
    "the track window zoomed after Ctrl+T"
