#!/usr/bin/env bash
# Fault scenarios across processes, on loopback:
#   server  - the RTI server is killed mid-flight: the plugin logs, the host
#             keeps flying; after a restart on the same port the menu's
#             Resign then Join... joins again and the ownship is published anew.
#   peers   - a killed monitor leaves the plugin running (a new monitor still
#             finds the ownship); a killed host makes the monitor see the
#             ownship removed.
#
#   faults.sh --bin BUILD/bin --out FOLDER (server|peers)
set -uo pipefail

. "$(dirname "$0")/../../tools/scripts/volax-lib.sh"
parse_run_args faults.sh 'server|peers' "$@" || exit 2
CASE=$RUN_WORD
setup_run faults.sh || exit 2
TRACE=$OUT/trace.txt

alive() { kill -0 "$1" 2>/dev/null; }

# host_survives SECONDS WHAT: SECONDS later the host still runs and ticks the plugin.
host_survives() {
  local ticks; ticks=$(count_lines "$TRACE" '^#+ TICK')
  sleep "$1"
  check "host keeps running $2" alive "$HOST_PID"
  check "the plugin keeps ticking $2" test "$(count_lines "$TRACE" '^#+ TICK')" -gt "$ticks"
}

start_rtiexec "$OUT/rtiexec.log" || { step_fail "server did not start"; exit 1; }
PORT=$RTI_PORT

if [[ $CASE == server ]]; then
  # After the restart (the host paces to the wall clock): one Resign - the
  # server resigned VOLAX when the link went, so it completes - then Join...
  printf '%s\n' '1 menu VOLAX Create Ownship' '14 menu VOLAX Resign' '16 menu VOLAX Join...' >"$OUT/scenario.txt"
  DURATION=22
else
  echo '1 menu VOLAX Create Ownship' >"$OUT/scenario.txt"
  DURATION=30
fi
start_host "$TRACE" "$OUT/host-output" "$OUT/prefs" "$OUT/host-stdout.txt" \
  --realtime --duration "$DURATION" --scenario "$OUT/scenario.txt"
wait_for "$TRACE" '^JOIN SUCCESS$' 10 || { step_fail "VOLAX did not join"; exit 1; }
start_monitor "$OUT/monitor1.txt"
check "monitor finds the ownship" wait_for "$OUT/monitor1.txt" '^DISCOVER name=' 5

case $CASE in
server)
  stop_pid "$RTI_PID" KILL 5
  host_survives 2 "after the server died"
  check "the plugin logged the RTI failure in its trace" grep -q '^QVHLAManager::tick() : ' "$TRACE"
  wait_exit "$MONITOR_PID" 5; MS=$?
  check "the monitor ends with an error after losing the RTI (status $MS)" test "$MS" -ne 0 -a "$MS" -ne 124
  check "monitor said so in one line: $(head -1 "$OUT/monitor1.err")" grep -q '^volax-fed: ' "$OUT/monitor1.err"

  start_rtiexec "$OUT/rtiexec.log" "$PORT" || { step_fail "server did not restart on port $PORT"; exit 1; }
  step_ok "server restarted on port $PORT"
  if wait_for "$TRACE" '^VOLAX plugin MENU VOLAXJoin$' 25; then
    step_ok "scenario selected Resign and Join..."
  else
    step_fail "the scenario's Join... never ran"
  fi
  if wait_for "$TRACE" '^JOIN SUCCESS$' 1 && (( $(count_lines "$TRACE" '^JOIN SUCCESS$') == 2 )); then
    step_ok "VOLAX joined again (second JOIN SUCCESS)"
  else
    step_fail "VOLAX did not join again ($(count_lines "$TRACE" '^JOIN SUCCESS$') JOIN SUCCESS lines)"
  fi
  check "the one Resign completed (no resign failure in Log.txt)" \
    bash -c '! grep -q "VOLAX failed to resign federation!" "$1"' _ "$OUT/host-output/Log.txt"
  start_monitor "$OUT/monitor2.txt"
  check "a new monitor finds the new ownship" wait_for "$OUT/monitor2.txt" '^UPDATE name=.* lat=-?[0-9]' 5
  wait_exit "$HOST_PID" 15; HS=$?
  check "host ended by its duration with status 0 ($HS)" test "$HS" -eq 0
  ;;
peers)
  stop_pid "$MONITOR_PID" KILL 5
  host_survives 1.5 "after a killed monitor"
  start_monitor "$OUT/monitor2.txt"
  M2=$MONITOR_PID
  # Two more with reduced output, watching the same aircraft.
  start_monitor "$OUT/every3.txt" --every 3 --name every3; M3=$MONITOR_PID
  start_monitor "$OUT/quiet.txt" --quiet --name quiet; M4=$MONITOR_PID
  MONITOR_PID=$M2
  if wait_for "$OUT/monitor2.txt" '^UPDATE name=.* lat=-?[0-9]' 5; then
    step_ok "a new monitor gets the ownship's current values"
  else
    step_fail "a new monitor got no values from the ownship"
  fi
  NAME=$(first_match "$OUT/monitor2.txt" '^DISCOVER name=' 's/^DISCOVER name=([^ ]*).*/\1/')
  sleep 2  # a few updates for the reduced-output monitors
  stop_pid "$HOST_PID" KILL 5
  check "monitor sees $NAME removed when the host is killed" wait_for "$OUT/monitor2.txt" "^REMOVE name=$NAME " 5
  stop_pid "$MONITOR_PID" INT 5; MS=$?
  check "monitor ends cleanly on SIGINT ($MS)" test "$MS" -eq 0
  check "monitor printed its summary" grep -q '^END aircraft=1 ' "$OUT/monitor2.txt"
  stop_pid "$M3" INT 5; stop_pid "$M4" INT 5
  U3=$(sed -nE 's/^END aircraft=1 updates=([0-9]+)$/\1/p' "$OUT/every3.txt")
  check "--every 3 printed every third of ${U3:-?} updates" \
    test -n "$U3" -a "$(count_lines "$OUT/every3.txt" '^UPDATE ')" -eq $(( (${U3:-0} + 2) / 3 ))
  check "--quiet printed no UPDATE but the discovery and the removal" bash -c "
    ! grep -q '^UPDATE ' '$OUT/quiet.txt' && grep -q '^DISCOVER name=$NAME ' '$OUT/quiet.txt' &&
    grep -q '^REMOVE name=$NAME ' '$OUT/quiet.txt' && grep -Eq '^END aircraft=1 updates=[1-9]' '$OUT/quiet.txt'"
  ;;
esac

stop_pid "$RTI_PID" TERM 5
if (( VOLAX_FAILURES )); then echo "$VOLAX_FAILURES check(s) failed; outputs in $OUT"; exit 1; fi
echo "all checks passed"
