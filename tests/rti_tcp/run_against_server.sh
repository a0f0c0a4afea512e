#!/usr/bin/env bash
# Runs a federate test binary against a volax-rtiexec server on a free loopback
# port: start the server, export VOLAX_RTI, run the tests, stop the server.
# Fails when the tests fail or the server does not exit cleanly.
#   run_against_server.sh <volax-rtiexec> <test-binary> [test args...]
set -u
RTIEXEC=$1
TESTBIN=$2
shift 2

work=$(mktemp -d)
"$RTIEXEC" --listen 127.0.0.1:0 >"$work/out" 2>"$work/log" &
pid=$!
cleanup() {
    if kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid" 2>/dev/null; fi
    rm -rf "$work"
}
trap cleanup EXIT

addr=
for _ in $(seq 200); do
    addr=$(sed -n 's/^volax-rtiexec listening on //p' "$work/out")
    [[ -n "$addr" ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
if [[ -z "$addr" ]]; then
    echo "volax-rtiexec did not start:" >&2
    cat "$work/log" >&2
    exit 1
fi

VOLAX_RTI=$addr "$TESTBIN" "$@"
rc=$?

kill -TERM "$pid"
# A server that ignores SIGTERM is killed after 5 s and counts as a failure.
( sleep 5; kill -KILL "$pid" ) </dev/null >/dev/null 2>&1 &
watchdog=$!
wait "$pid"
status=$?
kill "$watchdog" 2>/dev/null
wait "$watchdog" 2>/dev/null
if [[ "$status" -ne 0 ]]; then
    echo "volax-rtiexec exited with status $status" >&2
    rc=1
fi
if [[ $rc -ne 0 ]]; then
    echo "---- volax-rtiexec log ----" >&2
    cat "$work/log" >&2
fi
exit $rc
