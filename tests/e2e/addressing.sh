#!/usr/bin/env bash
# Two X-Plane hosts in one federation: the monitor tells them apart (two
# aircraft, two KML tracks), a detonation aimed at one removes only that
# aircraft's wing, and a StartResume addressed to one application sets only
# that simulator's date.
#
#   addressing.sh --bin BUILD/bin --out FOLDER
set -uo pipefail
. "$(dirname "$0")/../../tools/scripts/volax-lib.sh"
parse_run_args addressing.sh '' "$@" || exit 2
setup_run addressing.sh || exit 2
FED="$BIN/volax-fed"

start_rtiexec "$OUT/rtiexec.log" || { step_fail "server did not start"; exit 1; }
echo '1 menu VOLAX Create Ownship' >"$OUT/scenario.txt"
printf '%s\n' 'start 47.4582 8.5555 600 280' 'leg - 70 0 0 60' >"$OUT/route-a.txt"
printf '%s\n' 'start 46.2381 6.1090 800 50' 'leg - 60 0 0 60' >"$OUT/route-b.txt"

# A: the defaults (site 1, application 2). B: application 3, joins without creating.
start_host "$OUT/a-trace.txt" "$OUT/a-output" "$OUT/a-prefs" "$OUT/a-stdout.txt" \
  --realtime --duration 30 --route "$OUT/route-a.txt" --scenario "$OUT/scenario.txt"
A_PID=$HOST_PID
wait_for "$OUT/a-trace.txt" '^JOIN SUCCESS$' 10 || { step_fail "host A did not join"; exit 1; }
VOLAX_INI=$(printf '%s\n' 'FEDERATE X-Plane-B' 'APPLICATIONID 3' 'CREATE 0')
start_host "$OUT/b-trace.txt" "$OUT/b-output" "$OUT/b-prefs" "$OUT/b-stdout.txt" \
  --realtime --duration 30 --route "$OUT/route-b.txt" --scenario "$OUT/scenario.txt"
B_PID=$HOST_PID
unset VOLAX_INI
wait_for "$OUT/b-trace.txt" '^JOIN SUCCESS$' 10 || { step_fail "host B did not join"; exit 1; }

start_monitor "$OUT/monitor.txt" --track "$OUT/track.kml"
MON=$OUT/monitor.txt
wait_for "$MON" '^UPDATE .*id=1:2:0 .*lat=[0-9]' 10 && wait_for "$MON" '^UPDATE .*id=1:3:0 .*lat=[0-9]' 10
A_NAME=$(first_match "$MON" '^UPDATE .*id=1:2:0 ' 's/^UPDATE name=([^ ]*).*/\1/')
B_NAME=$(first_match "$MON" '^UPDATE .*id=1:3:0 ' 's/^UPDATE name=([^ ]*).*/\1/')
check "monitor tells the two aircraft apart (A=$A_NAME, B=$B_NAME)" \
  test -n "$A_NAME" -a -n "$B_NAME" -a "$A_NAME" != "$B_NAME"
B_LAT=$(grep -E "^UPDATE name=$B_NAME .*lat=" "$MON" | tail -1 | sed -E 's/.* lat=([^ ]*) .*/\1/')
check "B is reported near Geneva (lat $B_LAT)" awk -v l="$B_LAT" 'BEGIN { exit !(l > 46.2 && l < 46.3) }'

"$FED" detonate --target "$B_NAME" --relative 10,0,0 >"$OUT/detonate.txt" 2>&1
check "detonation aimed at B removes B's wing" wait_for "$OUT/b-trace.txt" '^Removing Left Wing\.\.\.$' 5
# A ticks on its own schedule: wait until it has seen the detonation.
check "A saw the target name" wait_for "$OUT/a-trace.txt" "^Target : $B_NAME, myName : $A_NAME\$" 5
check "A did not crash" bash -c "! grep -q '^Crashing ownship' '$OUT/a-trace.txt'"

"$FED" start-resume --receiver '1:3:*' --time 2006-03-01T06:00:00Z >"$OUT/start-resume.txt" 2>&1
check "StartResume for application 3 sets B's date (March 1 = day 59, 21600 s)" \
  wait_for "$OUT/b-trace.txt" '^Setting day and second: 59  21600\.000000$' 5
check "A ignores it" bash -c "! grep -q '^Setting day' '$OUT/a-trace.txt'"

stop_pid "$B_PID" INT 10
check "monitor sees only B leave" bash -c "
  grep -q '^REMOVE name=$B_NAME ' '$MON' && ! grep -q '^REMOVE name=$A_NAME ' '$MON'"
stop_pid "$A_PID" INT 10
wait_for "$MON" "^REMOVE name=$A_NAME " 5
stop_pid "$MONITOR_PID" INT 10
check "track.kml holds one Placemark per aircraft" \
  test "$(grep -c '<Placemark>' "$OUT/track.kml")" -eq 2
check "monitor summary counts both" grep -q '^END aircraft=2 ' "$MON"

stop_pid "$RTI_PID" TERM 5
if (( VOLAX_FAILURES )); then echo "$VOLAX_FAILURES check(s) failed; outputs in $OUT"; exit 1; fi
echo "all checks passed"
