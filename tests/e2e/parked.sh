#!/usr/bin/env bash
# A parked aircraft sends nothing new by itself: the heartbeat must keep it in the
# monitor's picture, with its marking, without a position change.
#
#   parked.sh --bin BUILD/bin --out FOLDER
set -uo pipefail
. "$(dirname "$0")/../../tools/scripts/volax-lib.sh"
parse_run_args parked.sh '' "$@" || exit 2
setup_run parked.sh || exit 2

start_rtiexec "$OUT/rtiexec.log" || { step_fail "server did not start"; exit 1; }
echo '1 menu VOLAX Create Ownship' >"$OUT/scenario.txt"
printf '%s\n' 'start 47.4582 8.5555 600 280' 'leg - 0 0 0 60' >"$OUT/route.txt"
VOLAX_INI=$(printf '%s\n' 'HEARTBEAT 2' 'MARKING PARKED-1')
start_host "$OUT/trace.txt" "$OUT/output" "$OUT/prefs" "$OUT/host.txt" \
  --realtime --duration 25 --route "$OUT/route.txt" --scenario "$OUT/scenario.txt"
HOST=$HOST_PID
unset VOLAX_INI
wait_for "$OUT/trace.txt" '^JOIN SUCCESS$' 10 || { step_fail "host did not join"; exit 1; }

start_monitor "$OUT/monitor.txt"
MON=$OUT/monitor.txt
UPD='^UPDATE name=[^ ]* .* lat=[0-9].* damage=NoDamage marking=PARKED-1$'
check "monitor shows the parked ownship with its marking" wait_for "$MON" "$UPD" 10
FIRST=$(grep -cE "$UPD" "$MON")
sleep 7
LAST=$(grep -cE "$UPD" "$MON")
check "a heartbeat every 2 s re-sends it ($((LAST - FIRST)) updates in 7 s)" test $((LAST - FIRST)) -ge 3
PLACES=$(grep -E "$UPD" "$MON" | sed -E 's/.* (lat=[^ ]* lon=[^ ]*) .*/\1/' | sort -u | wc -l)
check "it has not moved ($PLACES distinct position)" test "$PLACES" -eq 1

stop_pid "$MONITOR_PID" INT 10
stop_pid "$HOST" INT 10
stop_pid "$RTI_PID" TERM 5
if (( VOLAX_FAILURES )); then echo "$VOLAX_FAILURES check(s) failed; outputs in $OUT"; exit 1; fi
echo "all checks passed"
