# shellcheck shell=sh
# Shared by the scripts that run the real station on a virtual X display and drive it from
# the keyboard (the end-to-end tests, the idle figure, the session capture). Sourced; the
# script defines fail(), and its $work folder comes from make_work_folder or its own.

# make_work_folder NAME: a fresh folder in $work; when the script ends, the station, the
# simulator and Xvfb it started here are ended and the folder removed.
make_work_folder() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/$1.XXXXXX")
    xvfb_pid="" sim_pid="" station_pid="" wine_prefix=""
    trap end_programs_and_work_folder EXIT
}
end_programs_and_work_folder() {
    for pid in $station_pid $sim_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
    done
    [ -z "$wine_prefix" ] || WINEPREFIX="$wine_prefix" "$WINE_SERVER" -k 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}

# wait_for SECONDS COMMAND...: polls every 50 ms until COMMAND succeeds.
wait_for() {
    limit=$(($1 * 20))
    shift
    n=0
    until "$@" 2>/dev/null; do
        n=$((n + 1))
        [ "$n" -lt "$limit" ] || return 1
        sleep 0.05
    done
}

require_x_tools() {
    for tool in Xvfb xdotool; do
        command -v "$tool" >/dev/null || fail "$tool is missing (scripts/bootstrap installs it)"
    done
}

# A display of our own: Xvfb writes its number once it is ready. Sets xvfb_pid, DISPLAY.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    wait_for 10 test -s "$work/display" || fail "Xvfb did not start"
    DISPLAY=":$(cat "$work/display")"
    export DISPLAY
}

# start_station NERIVO COM_DIR LOG [OPTION...]: runs the station on the links in COM_DIR, its
# output to LOG, and gives its window the keyboard. Sets station_pid.
start_station() {
    nerivo=$1 com_dir=$2 output=$3
    shift 3
    NERIVO_COM_DIR="$com_dir" QT_QPA_PLATFORM=xcb "$nerivo" "$@" >"$output" 2>&1 &
    station_pid=$!
    focus_station_window
}

# start_wine_station PREFIX NERIVO_EXE LOG [OPTION...]: the Windows station under Wine, in a
# prefix made with the x11 display driver (tests/wine/wine_prefix.sh), whose COM ports lead
# where the test wants them; otherwise as start_station. Sets station_pid and wine_prefix.
WINE=/usr/lib/wine/wine64
WINE_SERVER=/usr/lib/wine/wineserver
start_wine_station() {
    wine_prefix=$1 exe=$2 output=$3
    shift 3
    WINEPREFIX="$wine_prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
        "$WINE" "$exe" "$@" >"$output" 2>&1 &
    station_pid=$!
    focus_station_window
    # Wine takes the focus a moment after X gives it: keys before that are lost.
    sleep 0.5
}

# Finds the station's window and gives it the keyboard. Sets wid.
focus_station_window() {
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name '^Nerivo$' | head -n 1) || true
    [ -n "$wid" ] || fail "no station window"
    # No window manager here: the window gets the keyboard only once something focuses it.
    xdotool windowfocus --sync "$wid"
    tab_position=0 # the focus starts on Exit
}

# The controls the operator reaches with Tab, in layout order (the GPS controls are hidden).
TAB_ORDER="1 1003 1004 1005 1006 1007 1008 1010 1012 1009 1013 1014 1016 1002 1017 1018 1019
1020 1021 1022 1023"
tab_position=0

# go_to ID: Tab forward to the control with this id.
go_to() {
    target=""
    i=0
    for id in $TAB_ORDER; do
        [ "$id" = "$1" ] && target=$i
        i=$((i + 1))
    done
    [ -n "$target" ] || fail "control $1 is not in the tab order"
    steps=$(((target - tab_position + i) % i))
    [ "$steps" -eq 0 ] || xdotool key --delay 20 --repeat "$steps" Tab
    tab_position=$target
}

# press ID: the button with this id, with the space bar.
press() {
    go_to "$1"
    xdotool key space
}

# type_field ID TEXT: replaces the text of a field.
type_field() {
    go_to "$1"
    xdotool key ctrl+a BackSpace
    [ -z "$2" ] || xdotool type --delay 20 "$2"
}

# stop_station_on_esc: Esc ends the station; fails if it does not.
stop_station_on_esc() {
    xdotool key Escape
    wait_for 10 sh -c "! kill -0 $station_pid" || fail "the station did not end on Esc"
}
