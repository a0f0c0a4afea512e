#!/usr/bin/env bash
# volax-fed's failure paths from the outside: bad arguments, no server, an
# unknown federation. Each must end with one "volax-fed: ..." line on stderr and
# a non-zero status; --fed creates a missing federation; the senders work
# without any subscriber.
#
#   cli.sh --bin BUILD/bin --out FOLDER
set -uo pipefail
. "$(dirname "$0")/../../tools/scripts/volax-lib.sh"
parse_run_args cli.sh '' "$@" || exit 2
setup_run cli.sh || exit 2
FED="$BIN/volax-fed"

# expect STATUS ERE description -- command...: status, exactly one stderr line matching ERE.
expect() {
  local want=$1 re=$2 what=$3; shift 4
  timeout 20 "$@" >"$OUT/out.txt" 2>"$OUT/err.txt"
  local got=$?
  local lines; lines=$(wc -l <"$OUT/err.txt")
  if [[ $got -eq $want && $lines -eq 1 ]] && grep -Eq -- "$re" "$OUT/err.txt"; then
    step_ok "$what: $(cat "$OUT/err.txt")"
  else
    step_fail "$what: status $got (want $want), stderr: $(head -3 "$OUT/err.txt")"
  fi
}

expect 2 '^volax-fed: no command given' "no command" -- "$FED"
expect 2 '^volax-fed: unknown command' "unknown command" -- "$FED" hover
expect 2 '^volax-fed: unknown option --bogus' "unknown option" -- "$FED" monitor --bogus
expect 2 '^volax-fed: --receiver: ' "bad receiver" -- "$FED" start-resume --receiver 1:2
expect 2 '^volax-fed: --time: ' "bad time" -- "$FED" start-resume --time 2005-02-30T00:00:00Z
expect 2 '^volax-fed: --time: .*1970' "time before 1970" -- "$FED" start-resume --time 1969-12-31T23:59:59Z
expect 2 '^volax-fed: nothing to aim at' "detonate without aim" -- "$FED" detonate --result 1
expect 2 '^volax-fed: --relative needs --target' "relative without target" -- "$FED" detonate --relative 1,2,3 --at 1,2,3
expect 2 '^volax-fed: --at: latitude' "latitude out of range" -- "$FED" detonate --at 91,0,0
expect 2 '^volax-fed: --result: ' "result code out of range" -- "$FED" detonate --gc 1,2,3 --result 256
expect 2 '^volax-fed: --munition: ' "munition type malformed" -- "$FED" detonate --gc 1,2,3 --munition 2:1:225
expect 2 '^volax-fed: --every: ' "bad --every" -- "$FED" monitor --every 0
expect 2 '^volax-fed: --around is needed' "fly without a centre" -- "$FED" fly --count 3
expect 2 '^volax-fed: --type: ' "fly with a short type" -- "$FED" fly --around 47,8,500 --type 1:2:225
expect 2 '^volax-fed: --algorithm: ' "fly with algorithm 0" -- "$FED" fly --around 47,8,500 --algorithm 0
expect 2 '^volax-fed: --count: ' "fly too many" -- "$FED" fly --around 47,8,500 --count 5001
expect 2 '^volax-fed: --path: ' "fly a spiral" -- "$FED" fly --around 47,8,500 --path spiral
expect 2 '^volax-fed: --rate: ' "fly at 0 Hz" -- "$FED" fly --around 47,8,500 --rate 0
check "--help lists the commands" bash -c "'$FED' --help | grep -q start-resume"
check "monitor --help lists --track" bash -c "'$FED' monitor --help | grep -q -- --track"
check "fly --help lists --algorithm" bash -c "'$FED' fly --help | grep -q -- --algorithm"
check "monitor --help lists --all" bash -c "'$FED' monitor --help | grep -q -- --all"

# No server at all: a closed port.
expect 1 "^volax-fed: cannot join federation 'XP_Federation': ." "no server" -- env VOLAX_RTI=127.0.0.1:1 "$FED" monitor --duration 1

start_rtiexec "$OUT/rtiexec.log" || { step_fail "server did not start"; exit 1; }
expect 1 "^volax-fed: cannot join federation 'Nowhere': ." "unknown federation" -- \
  "$FED" detonate --federation Nowhere --target x --relative 0,0,0
expect 1 "^volax-fed: cannot join federation 'Bad': ." "unreadable FED file" -- \
  "$FED" monitor --federation Bad --fed /nonexistent.fed --duration 1

# --fed creates the execution; the senders then work without a subscriber.
"$FED" monitor --federation Mine --fed XP_Federation.fed --duration 8 --track "$OUT/empty.kml" >"$OUT/mon.txt" 2>"$OUT/mon.err" &
MON=$!; track_pid "$MON"
check "monitor created federation Mine from the FED file" wait_for "$OUT/mon.txt" '^JOINED federation=Mine federate=volax-monitor$' 10
check "detonate at a geodetic location" "$FED" detonate --federation Mine --at 47.5,8.5,1000 --result 5
check "start-resume with wildcards" "$FED" start-resume --federation Mine --receiver '1:*:*' --time 2010-06-01T00:00:00Z
"$FED" start-resume --federation Mine --receiver '*:2:7' --time 2005-01-01T12:30:00Z --request-id 42 >"$OUT/sr.txt" 2>&1
check "start-resume reports the exact clock value" \
  grep -Eq '^SENT StartResume receiver=\*:2:7 originator=0:0:0 request=42 time=2005-01-01T12:30:00Z hours=306828 past=0x' "$OUT/sr.txt"
stop_pid "$MON" INT 10; MS=$?
check "monitor ends on SIGINT with status 0 ($MS)" test "$MS" -eq 0
check "monitor wrote an (empty) KML document" grep -q '</kml>' "$OUT/empty.kml"
check "no temporary KML file left" bash -c "! ls '$OUT'/empty.kml.tmp.* 2>/dev/null"

# volax-fed fly: an aircraft and a ground vehicle; monitor --all follows both,
# the default monitor only the aircraft; fly deletes its entities on the way out.
"$FED" monitor --federation Traffic --fed XP_Federation.fed --all --duration 8 --track "$OUT/all.kml" >"$OUT/all.txt" 2>&1 &
ALL=$!; track_pid "$ALL"
"$FED" monitor --federation Traffic --fed XP_Federation.fed --duration 8 >"$OUT/air.txt" 2>&1 &
AIR=$!; track_pid "$AIR"
wait_for "$OUT/all.txt" '^JOINED ' 10 && wait_for "$OUT/air.txt" '^JOINED ' 10
check "fly registers an aircraft" "$FED" fly --federation Traffic --fed XP_Federation.fed --around 47.45,8.55,600 --duration 2 --rate 2 --marking AIR
check "fly registers a ground vehicle" "$FED" fly --federation Traffic --fed XP_Federation.fed --around 47.45,8.56,0 --type 1:1:225:1:1:0:0 \
  --path line --duration 2 --marking CAR --name volax-car
check "monitor --all saw both leave" bash -c \
  "for i in \$(seq 50); do (( \$(grep -c '^REMOVE ' '$OUT/all.txt') >= 2 )) && exit 0; sleep 0.1; done; exit 1"
stop_pid "$ALL" INT 10
stop_pid "$AIR" INT 10
check "monitor --all followed the aircraft and the vehicle" \
  bash -c "grep -q 'type=1:2:225:1:1:0:0 .*marking=AIR1\$' '$OUT/all.txt' && grep -q 'type=1:1:225:1:1:0:0 .*marking=CAR1\$' '$OUT/all.txt'"
check "monitor --all tracks both in KML" bash -c "grep -q 'AIR1' '$OUT/all.kml' && grep -q 'CAR1' '$OUT/all.kml'"
check "the default monitor follows the aircraft only" \
  bash -c "grep -q 'marking=AIR1\$' '$OUT/air.txt' && ! grep -q 'marking=CAR1' '$OUT/air.txt'"

# A server with a federation key: without the key volax-fed hears why; with it, it joins.
stop_pid "$RTI_PID" TERM 5
head -c 32 /dev/urandom | base64 >"$OUT/fed.key"
start_rtiexec "$OUT/rtiexec-keyed.log" 0 --key-file "$OUT/fed.key" || { step_fail "keyed server did not start"; exit 1; }
expect 1 "^volax-fed: cannot join federation 'Keyed': .*the RTI server refused the federation key" "no federation key" -- \
  "$FED" monitor --federation Keyed --fed XP_Federation.fed --duration 1
check "the federation key lets volax-fed in" env VOLAX_RTI_KEY_FILE="$OUT/fed.key" \
  timeout 20 "$FED" monitor --federation Keyed --fed XP_Federation.fed --duration 1

# TLS only: volax-fed gets in with the CA that signed the server's certificate, not with another.
stop_pid "$RTI_PID" TERM 5
for ca in ca otherca; do
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 -subj "/CN=$ca" \
    -keyout "$OUT/$ca.key" -out "$OUT/$ca.pem" 2>/dev/null
done
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=rti \
  -keyout "$OUT/rti.key" -out "$OUT/rti.csr" 2>/dev/null
echo "subjectAltName=IP:127.0.0.1" >"$OUT/san.cnf"
openssl x509 -req -in "$OUT/rti.csr" -CA "$OUT/ca.pem" -CAkey "$OUT/ca.key" -CAcreateserial -days 1 \
  -extfile "$OUT/san.cnf" -out "$OUT/rti.pem" 2>/dev/null
start_rtiexec "$OUT/rtiexec-tls.log" 0 --key-file "$OUT/fed.key" --tls-cert "$OUT/rti.pem" --tls-key "$OUT/rti.key" \
  --tls-only || { step_fail "TLS server did not start"; exit 1; }
expect 1 "^volax-fed: cannot join federation 'Keyed': .*TLS with RTI server 127.0.0.1:$RTI_PORT failed: certificate verify failed" \
  "a CA that did not sign the server's certificate" -- \
  env VOLAX_RTI_KEY_FILE="$OUT/fed.key" VOLAX_RTI_TLS_CA="$OUT/otherca.pem" \
  "$FED" monitor --federation Keyed --fed XP_Federation.fed --duration 1
check "the key and the right CA let volax-fed in over TLS" env VOLAX_RTI_KEY_FILE="$OUT/fed.key" \
  VOLAX_RTI_TLS_CA="$OUT/ca.pem" timeout 20 "$FED" monitor --federation Keyed --fed XP_Federation.fed --duration 1
check "the server logged the federate over TLS" grep -q "over TLS joined" "$OUT/rtiexec-tls.log"

if (( VOLAX_FAILURES )); then echo "$VOLAX_FAILURES check(s) failed; outputs in $OUT"; exit 1; fi
echo "all checks passed"
