#!/usr/bin/env bash
# One demonstration flight on loopback, every step checked from the outputs:
# volax-rtiexec, xplm-host flying a route with VOLAX.xpl installed into an
# X-Plane folder (fresh preferences, so VOLAX writes volax.ini and joins at
# enable, creating the execution), a volax-fed monitor writing a KML track,
# synthetic traffic (volax-fed fly) that VOLAX draws and puts on TCAS, then a
# detonation at the ownship and a StartResume; then the same on DIS (a multicast
# group on loopback). Prints a short narrative; exit status 0 only if every step
# was seen.
#
#   flight.sh --bin BUILD/bin --out FOLDER
#
# With VOLAX_HOST_BIN=build-win/bin VOLAX_HOST_RUNNER=wine the Windows host and
# the Windows VOLAX.xpl (installed beside the Linux one) fly in a federation of
# this build's server; with VOLAX_FED_BIN=build-win/bin VOLAX_FED_RUNNER=wine
# the peers are the Windows volax-fed.exe.
# FOLDER receives Log.txt, trace.txt, monitor.txt, track.kml, traffic.txt,
# rtiexec.log, the X-Plane folder and the programs' other output; it is
# emptied first.
set -uo pipefail

. "$(dirname "$0")/volax-lib.sh"
parse_run_args flight.sh '' "$@" || exit 2
for f in volax-rtiexec xplm-host VOLAX.xpl volax-fed; do
  [[ -e $BIN/$f ]] || { echo "flight.sh: $BIN/$f is missing (build it first)" >&2; exit 2; }
done
setup_run flight.sh || exit 2
trap 'exit 130' INT TERM

TRACE=$OUT/trace.txt MON=$OUT/monitor.txt KML=$OUT/track.kml

echo "VOLAX demonstration flight (outputs in $OUT)"

# 1. The RTI server.
if start_rtiexec "$OUT/rtiexec.log"; then
  step_ok "RTI server volax-rtiexec listening on $VOLAX_RTI"
else
  step_fail "RTI server volax-rtiexec did not start (see rtiexec.log)"; exit 1
fi

# 2. X-Plane (headless host) with VOLAX, flying a route in real time. VOLAX is
# installed into an X-Plane folder as a user would (cmake --install), so its
# traffic models are where it looks for them.
if cmake --install "$(dirname "$BIN")" --prefix "$OUT/X-Plane" >"$OUT/install.txt" 2>&1 &&
   { [[ -z ${VOLAX_HOST_BIN:-} ]] || cmake --install "$(dirname "$VOLAX_HOST_BIN")" --prefix "$OUT/X-Plane" >>"$OUT/install.txt" 2>&1; } &&
   [[ -f $OUT/X-Plane/Resources/plugins/VOLAX/volaxmodels.ini ]]; then
  export VOLAX_XPLANE=$OUT/X-Plane
else
  step_fail "cmake --install into $OUT/X-Plane failed (see install.txt)"; exit 1
fi
write_route "$OUT/route.txt"
# VOLAX joins at enable, before X-Plane loads the aircraft; the fresh volax.ini
# says AUTOCREATE 1, so the ownship is created when the aircraft is loaded.
# Entity types by aircraft model name; the host flies the Cessna 172SP.
VOLAXEXP_INI='cessna_172 1 2 225 1 1 1 0'
start_host "$TRACE" "$OUT/host-output" "$OUT/prefs" "$OUT/host-stdout.txt" \
  --realtime --duration 60 --route "$OUT/route.txt" --traffic "$OUT/traffic.txt"
# A host under Wine may take a while to start on a busy machine.
if wait_for "$TRACE" '^JOIN SUCCESS$' "$([[ -n ${VOLAX_HOST_RUNNER:-} ]] && echo 60 || echo 15)"; then
  step_ok "VOLAX joined federation XP_Federation as X-Plane (JOIN SUCCESS in trace.txt)"
else
  step_fail "VOLAX did not join (no JOIN SUCCESS in trace.txt; see host-stdout.txt)"; exit 1
fi
check "volax.ini written with the defaults in a fresh preferences folder" \
  bash -c "grep -qx 'FEDFILE XP_Federation.fed' '$OUT/prefs/volax.ini' && grep -qx 'AUTOCREATE 1' '$OUT/prefs/volax.ini'"
check "the execution was created from XP_Federation.fed" \
  grep -q '^Creating federation with fedfile XP_Federation.fed$' "$TRACE"
wait_for "$TRACE" '^Creating ownship\.\.\.$' 5
check "VOLAX created its ownship when the aircraft was loaded (AUTOCREATE 1)" grep -qx 'Creating ownship...' "$TRACE"
check "the entity type came from volaxexp.ini (cessna_172)" \
  grep -qx 'Set AC# 0 to Entitytype (1, 2, 225, 1, 1, 1, 0)' "$TRACE"

# 3. A monitor federate following every physical entity, with a KML track.
start_monitor "$MON" --all --track "$KML"
if wait_for "$MON" '^JOINED ' 10; then
  step_ok "monitor joined as volax-monitor"
else
  step_fail "monitor did not join: $(head -1 "${MON%.txt}.err")"; exit 1
fi
if wait_for "$MON" '^DISCOVER name=' 10; then
  NAME=$(first_match "$MON" '^DISCOVER name=' 's/^DISCOVER name=([^ ]*).*/\1/')
  step_ok "monitor discovered the ownship as $NAME"
else
  step_fail "monitor discovered no aircraft"; exit 1
fi
UPD="^UPDATE name=$NAME .* lat=-?[0-9]"
if wait_for "$MON" "$UPD" 10 && wait_for "$MON" "^UPDATE name=$NAME .*id=1:2:0 type=1:2:225:1:1:1:0 force=3 " 10; then
  step_ok "identity reflected: $(first_match "$MON" "^UPDATE name=$NAME .*id=1:2:0" 's/.*(id=[^ ]* type=[^ ]* force=[^ ]*).*/\1/')"
else
  step_fail "no complete UPDATE (position, id 1:2:0, type 1:2:225:1:1:1:0, force 3) for $NAME"
fi
check "marking and damage state reflected (the tail number, NoDamage)" \
  wait_for "$MON" "^UPDATE name=$NAME .* damage=NoDamage marking=PH-VLX$" 5
sleep 3
N=$(count_lines "$MON" "$UPD")
POS=$(grep -E "$UPD" "$MON" | sed -E 's/.*(lat=[^ ]* lon=[^ ]*).*/\1/' | sort -u | wc -l)
LAST=$(grep -E "$UPD" "$MON" | tail -1 | sed -E 's/.*(lat=[^ ]* lon=[^ ]* h=[^ ]* msl=[^ ]* gs=[^ ]* hdg=[^ ]*).*/\1/')
if (( N >= 3 && POS >= 3 )); then
  step_ok "positions flowing: $N updates, $POS distinct positions; last $LAST"
else
  step_fail "positions not flowing: $N updates, $POS distinct positions"
fi
check "track.kml is rewritten while the monitor runs" \
  bash -c "grep -q '<description>name=$NAME ' '$KML' && tail -1 '$KML' | grep -qx '</kml>'"
GS=$(grep -E "$UPD" "$MON" | tail -1 | sed -E 's/.* gs=([0-9.]+).*/\1/')
check "ground speed plausible for the route (${GS} m/s, flown at 70-80 m/s)" \
  awk -v g="$GS" 'BEGIN { exit !(g > 60 && g < 90) }'

# 3b. Traffic: three synthetic aircraft circling Zurich and a truck driving
# to and fro; VOLAX draws all four and puts the aircraft on TCAS.
TRAFFIC=$OUT/traffic.txt
"${FED_CMD[@]}" fly --around 47.4582,8.5555,650 --radius 3000 --count 3 --marking DEMO --rate 5 \
  --algorithm 4 --speed 90 >"$OUT/fly-air.txt" 2>"$OUT/fly-air.err" &
FLY_AIR_PID=$!; track_pid "$FLY_AIR_PID"
"${FED_CMD[@]}" fly --around 47.4500,8.5600,0 --radius 600 --count 1 --type 1:1:225:1:1:0:0 --path line \
  --marking TRUCK --rate 2 --algorithm 2 --name volax-truck >"$OUT/fly-truck.txt" 2>"$OUT/fly-truck.err" &
FLY_TRUCK_PID=$!; track_pid "$FLY_TRUCK_PID"
if wait_for "$OUT/fly-air.txt" '^REGISTERED .*marking=DEMO3' 10 && wait_for "$OUT/fly-truck.txt" '^REGISTERED ' 10; then
  step_ok "volax-fed fly registered 3 aircraft (DEMO1-3) and a ground vehicle (TRUCK1)"
else
  step_fail "volax-fed fly did not register its entities: $(head -1 "$OUT/fly-air.err") $(head -1 "$OUT/fly-truck.err")"
fi
# traffic.txt starts every simulated second with "t=S instances=N tcas=M".
last_count() { grep -E '^t=[0-9]+ instances=' "$TRAFFIC" 2>/dev/null | tail -1; }
SEEN=0
for _ in $(seq 20); do
  LAST=$(last_count); S=$(sed -E 's/^t=([0-9]+).*/\1/' <<<"$LAST")
  if [[ -n $LAST ]] && (( $(grep -cE "^t=$S instance=.*volax_aircraft\.obj" "$TRAFFIC") >= 3 &&
       $(grep -cE "^t=$S instance=.*volax_ground_vehicle\.obj" "$TRAFFIC") >= 1 &&
       $(grep -E "^t=$S tcas " "$TRAFFIC" | grep -c ' flight=DEMO') == 3 )); then SEEN=1; break; fi
  sleep 0.5
done
if (( SEEN )); then
  step_ok "VOLAX draws them: second $S of traffic.txt has 3 aircraft and a ground vehicle instance ($LAST)"
  step_ok "the aircraft are on TCAS:$(grep -E "^t=$S tcas " "$TRAFFIC" | sed -E 's/.*( slot=[0-9]+ modeS=[0-9A-F]+ flight=[A-Z0-9]+).*/\1/' | tr -d '\n')"
else
  step_fail "VOLAX did not draw 3 aircraft and a ground vehicle with the aircraft on TCAS (see traffic.txt)"
fi
check "the truck is drawn but not TCAS traffic" bash -c "! grep -q ' flight=TRUCK' '$TRAFFIC'"
if wait_for "$MON" "^UPDATE .*type=1:2:225:1:1:0:0 " 10 && wait_for "$MON" "^UPDATE .*type=1:1:225:1:1:0:0 " 10; then
  step_ok "monitor follows the synthetic traffic too ($(grep -c '^DISCOVER ' "$MON") entities discovered)"
else
  step_fail "monitor did not see the synthetic aircraft and the truck"
fi
# They leave: fly deletes its entities on the way out, VOLAX removes them.
BEFORE=$(wc -l <"$TRAFFIC")
stop_pid "$FLY_AIR_PID" INT 10; FLY_AIR_STATUS=$?
stop_pid "$FLY_TRUCK_PID" INT 10; FLY_TRUCK_STATUS=$?
check "volax-fed fly ended cleanly (exit status $FLY_AIR_STATUS, $FLY_TRUCK_STATUS)" \
  test "$FLY_AIR_STATUS$FLY_TRUCK_STATUS" = 00
GONE=
for _ in $(seq 20); do
  GONE=$(tail -n +$((BEFORE + 1)) "$TRAFFIC" | grep -Em1 '^t=[0-9]+ instances=0 tcas=0$') && break
  sleep 0.5
done
if [[ -n $GONE ]]; then
  step_ok "the synthetic traffic left cleanly: $GONE"
else
  step_fail "synthetic traffic still drawn after volax-fed fly ended: $(last_count)"
fi

# 4. A detonation 50 m from the ownship.
if "${FED_CMD[@]}" detonate --target "$NAME" --relative 30,40,0 >"$OUT/detonate.txt" 2>&1; then
  step_ok "detonate sent: $(head -1 "$OUT/detonate.txt")"
else
  step_fail "detonate failed: $(head -1 "$OUT/detonate.txt")"
fi
if wait_for "$TRACE" '^Removing Left Wing\.\.\.$' 5; then
  step_ok "VOLAX hit test: $(grep -m1 '^Relative distance square' "$TRACE"); left wing removed"
else
  step_fail "VOLAX did not remove the left wing (no 'Removing Left Wing...' in trace.txt)"
fi
check "the hit ownship is published as Destroyed" wait_for "$MON" "^UPDATE name=$NAME .* damage=Destroyed marking=PH-VLX$" 5

# 4b. A second detonation at the position the monitor last reported, as a
# geodetic point: VOLAX's absolute test measures it against its own position.
AT=$(grep -E "$UPD" "$MON" | tail -1 | sed -E 's/.* lat=([^ ]*) lon=([^ ]*) h=([^ ]*) .*/\1,\2,\3/')
if "${FED_CMD[@]}" detonate --at "$AT" --result 5 >"$OUT/detonate2.txt" 2>&1 &&
   wait_for "$TRACE" '^Absolute distance square: ' 5; then
  D2=$(grep -m1 '^Absolute distance square: ' "$TRACE" | sed -E 's/.*: //')
  check "detonation at $AT measured $(awk -v d="$D2" 'BEGIN { printf "%.0f", sqrt(d) }') m from the ownship" \
    awk -v d="$D2" 'BEGIN { exit !(d < 40000) }'
else
  step_fail "detonation at $AT not measured by VOLAX: $(head -1 "$OUT/detonate2.txt")"
fi

# 5. A StartResume setting 1 January 2005, 12:30 UTC.
if "${FED_CMD[@]}" start-resume --time 2005-01-01T12:30:00Z >"$OUT/start-resume.txt" 2>&1; then
  step_ok "start-resume sent: $(head -1 "$OUT/start-resume.txt")"
else
  step_fail "start-resume failed: $(head -1 "$OUT/start-resume.txt")"
fi
if wait_for "$TRACE" '^Setting day and second: 0  45000\.000000$' 5; then
  step_ok "VOLAX set the date: day 0 (January 1), 45000 s (12:30:00 UTC)"
else
  step_fail "VOLAX did not set day 0, 45000 s ($(grep -m1 '^Setting day' "$TRACE" || echo 'no Setting day line'))"
fi

# 6. Shut down: the host resigns on SIGINT, the monitor sees the ownship go.
stop_pid "$HOST_PID" INT 15; HOST_STATUS=$?
check "host ended cleanly (exit status $HOST_STATUS)" test "$HOST_STATUS" -eq 0
check "VOLAX resigned (VOLAX plugin RESIGN in trace.txt)" grep -qx 'VOLAX plugin RESIGN' "$TRACE"
if wait_for "$MON" "^REMOVE name=$NAME " 10; then
  step_ok "monitor saw $NAME removed"
else
  step_fail "monitor did not see $NAME removed"
fi
stop_pid "$MONITOR_PID" INT 10; MON_STATUS=$?
check "monitor ended cleanly (exit status $MON_STATUS)" test "$MON_STATUS" -eq 0
check "monitor reported no errors" test ! -s "${MON%.txt}.err"
OFF=$(awk -v own="<description>name=$NAME " 'index($0, "<description>") { mine = index($0, own) == 1 }
  /<coordinates>/{c=1;next} /<\/coordinates>/{c=0}
  c && mine { split($0, p, ","); if ((p[1]-8.5555)^2 + (p[2]-47.4582)^2 > 0.01 || p[3] < 500 || p[3] > 1000) n++ }
  END { print n+0 }' "$KML" 2>/dev/null)
check "every point of the ownship's track lies on the route near Zurich, 500-1000 m high ($OFF off)" \
  test "${OFF:-1}" -eq 0
check "track.kml shows every track: the ownship, DEMO1-3 and TRUCK1" \
  bash -c "for m in DEMO1 DEMO2 DEMO3 TRUCK1; do grep -q \"<name>\$m \" '$KML' || exit 1; done"
POINTS=$(awk '/<coordinates>/{c=1;next} /<\/coordinates>/{c=0} c' "$KML" 2>/dev/null | wc -l)
check "track.kml holds the track of $NAME ($POINTS points)" \
  bash -c "grep -q '<description>name=$NAME ' '$KML' && (( $POINTS >= 3 ))"
check "the placemark is named by the marking and the damage state" grep -q '<name>PH-VLX \[Destroyed\]</name>' "$KML"
stop_pid "$RTI_PID" TERM 10; RTI_STATUS=$?
check "RTI server stopped cleanly (exit status $RTI_STATUS)" test "$RTI_STATUS" -eq 0
cp "$OUT/host-output/Log.txt" "$OUT/Log.txt" 2>/dev/null
check "host Log.txt kept" test -s "$OUT/Log.txt"

# 7. The same flight on DIS: VOLAX with NETWORK DIS on a multicast group of the
# loopback interface (nothing leaves the machine), the peers speaking DIS too.
DIS_GROUP=239.255.86.1:$((30000 + $$ % 20000))@127.0.0.1
DTRACE=$OUT/dis-trace.txt DMON=$OUT/dis-monitor.txt DTRAFFIC=$OUT/dis-traffic.txt
start_monitor "$DMON" --dis "$DIS_GROUP" --all
VOLAX_INI=$(printf 'NETWORK DIS\nDISADDRESS %s\nDISEXERCISE 1\n' "$DIS_GROUP") \
start_host "$DTRACE" "$OUT/dis-host-output" "$OUT/dis-prefs" "$OUT/dis-host-stdout.txt" \
  --realtime --duration 60 --route "$OUT/route.txt" --traffic "$DTRAFFIC"
if wait_for "$DMON" '^UPDATE name=dis:1:2:1 .*type=1:2:225:1:1:1:0 force=3 .*marking=PH-VLX$' 15; then
  step_ok "DIS: monitor hears the ownship's Entity State PDUs: $(first_match "$DMON" '^UPDATE name=dis:1:2:1 ' 's/.*(id=[^ ]* type=[^ ]* force=[^ ]* lat=[^ ]* lon=[^ ]* h=[^ ]* msl=[^ ]*).*/\1/')"
else
  step_fail "DIS: monitor heard no Entity State PDU of the ownship (see dis-trace.txt)"
fi
"${FED_CMD[@]}" fly --dis "$DIS_GROUP" --around 47.4582,8.5555,650 --radius 3000 --count 2 --marking DISF \
  --rate 5 --speed 90 --duration 12 >"$OUT/dis-fly.txt" 2>"$OUT/dis-fly.err" &
DFLY_PID=$!; track_pid "$DFLY_PID"
SEEN=0
for _ in $(seq 20); do
  S=$(grep -E '^t=[0-9]+ instances=' "$DTRAFFIC" 2>/dev/null | tail -1 | sed -E 's/^t=([0-9]+).*/\1/')
  if [[ -n $S ]] && (( $(grep -E "^t=$S tcas " "$DTRAFFIC" | grep -c ' flight=DISF') == 2 &&
       $(grep -cE "^t=$S instance=.*volax_aircraft\.obj" "$DTRAFFIC") >= 2 )); then SEEN=1; break; fi
  sleep 0.5
done
if (( SEEN )); then
  step_ok "DIS: fly --dis traffic drawn and on TCAS (second $S of dis-traffic.txt: DISF1, DISF2)"
else
  step_fail "DIS: fly --dis traffic not drawn with both aircraft on TCAS (see dis-traffic.txt)"
fi
if "${FED_CMD[@]}" detonate --dis "$DIS_GROUP" --target 1:2:1 --relative 30,40,0 >"$OUT/dis-detonate.txt" 2>&1 &&
   wait_for "$DTRACE" '^Removing Left Wing\.\.\.$' 5; then
  step_ok "DIS: a Detonation PDU 50 m from the ownship removed the left wing"
else
  step_fail "DIS: the Detonation PDU did not remove the wing: $(head -1 "$OUT/dis-detonate.txt")"
fi
check "DIS: the hit ownship's appearance says Destroyed" \
  wait_for "$DMON" '^UPDATE name=dis:1:2:1 .* damage=Destroyed marking=PH-VLX$' 8
if "${FED_CMD[@]}" start-resume --dis "$DIS_GROUP" --time 2005-06-01T06:00:00Z >"$OUT/dis-start-resume.txt" 2>&1 &&
   wait_for "$DTRACE" '^Setting day and second: 151  21600\.000000$' 5; then
  step_ok "DIS: a Start/Resume PDU set the clock: day 151 (June 1), 21600 s (06:00:00 UTC)"
else
  step_fail "DIS: the Start/Resume PDU did not set day 151, 21600 s: $(head -1 "$OUT/dis-start-resume.txt")"
fi
stop_pid "$DFLY_PID" INT 15
stop_pid "$HOST_PID" INT 15; HOST_STATUS=$?
check "DIS: host ended cleanly (exit status $HOST_STATUS)" test "$HOST_STATUS" -eq 0
stop_pid "$MONITOR_PID" INT 10; MON_STATUS=$?
check "DIS: monitor ended cleanly (exit status $MON_STATUS)" test "$MON_STATUS" -eq 0

if (( VOLAX_FAILURES )); then
  echo "$VOLAX_FAILURES step(s) FAILED; outputs in $OUT"
  exit 1
fi
echo "all steps seen; outputs in $OUT"
