#!/bin/sh
# End to end: the vehicle's position from the real station to a real gpsd over UDP. The
# simulator answers Request Status with a status record and keeps its bytes in its capture;
# the station, started with --nmea-out, sends it on; gpsd must report that position in a TPV,
# latitude and longitude to 1e-6 degrees and altMSL as minus the depth. Started with
# --target-out and --mmsi too, a second gpsd must show the vehicle as an AIS target (type 18
# with the record's position and heading, type 24 with its name), and no position of its own.
#
# As root, the station gets a hosts file and resolv.conf of its own (a mount namespace):
# localhost is ::1 and then 127.0.0.1, as on Debian, and the name server never answers. Its
# window must come up at once all the same, and the position reach gpsd through localhost.
#
#   nmea_gpsd_e2e.sh NERIVO NERIVO_SIM
set -eu

NERIVO=$1 NERIVO_SIM=$2 PATH=$PATH:/usr/sbin

. "$(dirname "$0")/../support/x_station.sh"
make_work_folder nerivo-nmea
gpsd_pid="" gpspipe_pid="" name_server_pid=""
trap 'kill $gpspipe_pid $gpsd_pid $name_server_pid 2>/dev/null || true; end_programs_and_work_folder' EXIT

fail() {
    echo "nmea e2e: FAILED: $*"
    tail -n 20 "$work/sim.log" "$work/station.log" "$work/gpsd.log" "$work/tpv.json" || true
    exit 1
}

require_x_tools
command -v gpsd >/dev/null && command -v gpspipe >/dev/null ||
    fail "gpsd or gpspipe is missing (scripts/bootstrap installs them)"
# Ports the system has just handed out, so free.
free_port() { perl -MIO::Socket::INET -e "print IO::Socket::INET->new(LocalAddr => '127.0.0.1:0', $1)->sockport"; }
gpsd_port=$(free_port "Proto => 'tcp', Listen => 1")
nmea_port=$(free_port "Proto => 'udp'")

gpsd -N -n -S "$gpsd_port" "udp://127.0.0.1:$nmea_port" >"$work/gpsd.log" 2>&1 &
gpsd_pid=$!
wait_for 10 sh -c "timeout 1 gpspipe -w -n 1 127.0.0.1:$gpsd_port >/dev/null" || fail "gpsd did not start"
gpspipe -w "127.0.0.1:$gpsd_port" >"$work/tpv.json" 2>&1 &
gpspipe_pid=$!
# A second gpsd reads the target output: it must show the vehicle as an AIS target with its
# name, never as its own position.
ais_gpsd_port=$(free_port "Proto => 'tcp', Listen => 1")
target_port=$(free_port "Proto => 'udp'")
gpsd -N -n -S "$ais_gpsd_port" "udp://127.0.0.1:$target_port" >"$work/gpsd-ais.log" 2>&1 &
gpsd_pid="$gpsd_pid $!"
wait_for 10 sh -c "timeout 1 gpspipe -w -n 1 127.0.0.1:$ais_gpsd_port >/dev/null" ||
    fail "the second gpsd did not start"
gpspipe -w "127.0.0.1:$ais_gpsd_port" >"$work/ais.json" 2>&1 &
gpspipe_pid="$gpspipe_pid $!"

station=$NERIVO
set -- --nmea-out "udp:127.0.0.1:$nmea_port"
target_args="--target-out udp:127.0.0.1:$target_port --mmsi 987654321 --target-name AUV"
set -- "$@" $target_args
if [ "$(id -u)" = 0 ] && unshare -m true 2>/dev/null; then
    # The silent name server: a socket on port 53 of a loopback address, never read.
    address=127.0.0.$((2 + $$ % 250))
    perl -MIO::Socket::INET -e '$s = IO::Socket::INET->new(LocalAddr => "$ARGV[0]:53",
        Proto => "udp") or die "$!\n"; print "up\n"; close STDOUT; sleep 300' "$address" \
        >"$work/name-server" 2>&1 &
    name_server_pid=$!
    wait_for 5 grep -q up "$work/name-server" || fail "no name server on $address"
    printf 'nameserver %s\noptions timeout:10 attempts:1\n' "$address" >"$work/resolv.conf"
    printf '::1 localhost\n127.0.0.1 localhost\n' >"$work/hosts"
    station=unshare # and plotter.example asked of the silent name server alone
    set -- -m sh -c 'mount --bind "$0/hosts" /etc/hosts && mount --bind "$0/resolv.conf" \
        /etc/resolv.conf && exec "$@"' "$work" "$NERIVO" --nmea-out "udp:localhost:$nmea_port" \
        --nmea-out udp:plotter.example:10110 $target_args
else
    echo "nmea e2e: not root: no hosts file and silent name server of the station's own"
fi
start_xvfb
"$NERIVO_SIM" --com-dir "$work/com" --capture "$work/capture" >"$work/sim.log" 2>&1 &
sim_pid=$!
wait_for 10 test -e "$work/com/com5" || fail "the simulator made no links"
started=$(date +%s%N)
start_station "$station" "$work/com" "$work/station.log" "$@"
shown_ms=$((($(date +%s%N) - started) / 1000000))
[ "$shown_ms" -lt 5000 ] || fail "the window came up after $shown_ms ms"
press 1013 # Connect to AUV
press 1021 # Request Status
if [ "$station" = unshare ]; then
    # Status 1 goes to ::1, where nobody listens; only the next is refused there.
    wait_for 10 grep -Eq '^[0-9]+ vehicle( [0-9a-f]{2}){68}$' "$work/capture" || fail "no status"
    sleep 1 && press 1021 # two ticks on: status 1 has gone out
fi
wait_for 10 grep -q '"class":"TPV".*"lat"' "$work/tpv.json" || fail "gpsd reported no position"
wait_for 10 grep -q '"type":24,.*"shipname":"AUV"' "$work/ais.json" ||
    fail "the target's gpsd reported no AIS name"
stop_station_on_esc

# The last record as the vehicle sent it (the capture's bytes in hex, header first) against
# gpsd's last position: float latitude, longitude and depth at 28, 32 and 40.
perl -e '
    open my $capture, "<", $ARGV[0] or die;
    my $record = (grep { /^\d+ vehicle( [0-9a-f]{2}){68}$/ } <$capture>)[-1];
    die "no status record in the capture\n" unless $record;
    my @bytes = (split " ", $record)[2 .. 69];
    my ($lat, $lon, undef, $depth) = unpack "f<4", pack "H*", join "", @bytes[28 .. 43];
    open my $tpv, "<", $ARGV[1] or die;
    my ($fix) = reverse grep { /"class":"TPV".*"lat"/ } <$tpv>;
    my %got = $fix =~ /"(lat|lon|altMSL)":(-?[0-9.]+)/g;
    printf "record lat %.7f lon %.7f depth %.2f; gpsd %s", $lat, $lon, $depth, $fix;
    exit !(abs($got{lat} - $lat) <= 1e-6 && abs($got{lon} - $lon) <= 1e-6 &&
           abs($got{altMSL} + $depth) <= 0.005);
' "$work/capture" "$work/tpv.json" || fail "gpsd's position is not the record's"
# The last position report against the last record: lat and lon in 1/600000 degree, whole
# degrees of heading; and no position of the target's gpsd's own.
perl -e '
    open my $capture, "<", $ARGV[0] or die;
    my $record = (grep { /^\d+ vehicle( [0-9a-f]{2}){68}$/ } <$capture>)[-1];
    my @bytes = (split " ", $record)[2 .. 69];
    my ($lat, $lon, $heading) = unpack "f<3", pack "H*", join "", @bytes[28 .. 39];
    open my $ais, "<", $ARGV[1] or die;
    my @lines = <$ais>;
    exit 1 if grep { /"class":"TPV"/ } @lines;
    my ($report) = reverse grep { /"type":18,.*"mmsi":987654321,/ } @lines;
    my %got = $report =~ /"(lat|lon|heading)":(-?[0-9.]+)/g;
    printf "record lat %.7f lon %.7f heading %.2f; gpsd %s", $lat, $lon, $heading, $report;
    my $turn = abs($got{heading} - $heading) % 360; # 359.7 goes as 0
    exit !(abs($got{lat} / 600000 - $lat) <= 2e-6 && abs($got{lon} / 600000 - $lon) <= 2e-6 &&
           ($turn <= 1 || $turn >= 359));
' "$work/capture" "$work/ais.json" || fail "the AIS target is not the record's, or gpsd took it as its own"
echo "nmea e2e: passed: gpsd reported the vehicle's position and its AIS target, as sent by the station" \
    "(its window up after $shown_ms ms)"
