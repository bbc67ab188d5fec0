#!/bin/sh
# The Unix side of the Windows tests' COM pairs under Wine: socat joins two pseudo-terminals
# and links them where the test prefix's COM ports point (LINKS/comN).
#
#   com_pair.sh start LINKS A B DONE   starts socat between COM A and COM B
#   com_pair.sh stop LINKS A DONE      ends that socat, as when a cable is pulled
#   com_pair.sh clean LINKS            ends every socat a test left behind
#
# DONE is created once the work is done: a Windows program under Wine cannot wait for a Unix
# process, but it can wait for a file.
set -u
command=$1
links=$2

# A process that has ended may linger unreaped in a container: count it as gone.
alive() {
    kill -0 "$1" 2>/dev/null || return 1
    state=$(sed -n 's/^[0-9]* (.*) \([A-Z]\).*/\1/p' "/proc/$1/stat" 2>/dev/null)
    [ "$state" != Z ]
}

stop_pair() {
    pid_file=$1
    pid=$(cat "$pid_file" 2>/dev/null) || return 0
    rm -f "$pid_file"
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null
    tries=0
    while alive "$pid" && [ "$tries" -lt 300 ]; do
        tries=$((tries + 1))
        sleep 0.01
    done
}

case $command in
start)
    a=$3 b=$4 done=$5
    stop_pair "$links/pair$a.pid"
    rm -f "$links/com$a" "$links/com$b"
    socat pty,raw,echo=0,link="$links/com$a" pty,raw,echo=0,link="$links/com$b" \
        </dev/null >/dev/null 2>&1 &
    echo $! >"$links/pair$a.pid"
    tries=0
    while { [ ! -e "$links/com$a" ] || [ ! -e "$links/com$b" ]; } && [ "$tries" -lt 300 ]; do
        tries=$((tries + 1))
        sleep 0.01
    done
    touch "$done"
    ;;
stop)
    a=$3 done=$4
    stop_pair "$links/pair$a.pid"
    touch "$done"
    ;;
clean)
    mkdir -p "$links"
    for pid_file in "$links"/pair*.pid; do
        [ -e "$pid_file" ] && stop_pair "$pid_file"
    done
    rm -f "$links"/done-*
    command -v socat >/dev/null || { echo "socat is missing (scripts/bootstrap installs it)" >&2; exit 1; }
    ;;
*)
    echo "usage: $0 start|stop|clean LINKS ..." >&2
    exit 2
    ;;
esac
