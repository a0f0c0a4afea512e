# Shell helpers for running a VOLAX federation on loopback: the RTI server,
# the headless host with the plugin, and the volax-fed peers. Sourced by
# demo.sh and the end-to-end tests; expects BIN (folder of the built programs)
# and OUT (folder for every output file) to be set.

VOLAX_PIDS=()
VOLAX_SOURCE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# Makes XP_Federation.fed findable by relative name (beside the programs, else
# the source tree's fed/) through VOLAX_FED_PATH, for the plugin and the peers.
find_fed_file() {
  local dir
  for dir in "$BIN" "$VOLAX_SOURCE_DIR/fed"; do
    if [[ -f $dir/XP_Federation.fed ]]; then
      export VOLAX_FED_PATH="$dir${VOLAX_FED_PATH:+:$VOLAX_FED_PATH}"
      return 0
    fi
  done
  return 1
}

# Reads "--bin DIR --out DIR [WORD]" into BIN, OUT and RUN_WORD; WORD must
# match the extended pattern WORDS (empty: no word allowed).
#   parse_run_args NAME WORDS "$@"
parse_run_args() {
  local name=$1 words=$2; shift 2
  BIN= OUT= RUN_WORD=
  while (( $# )); do
    case $1 in
      --bin) BIN=${2:-}; shift; shift || true ;;
      --out) OUT=${2:-}; shift; shift || true ;;
      *)
        if [[ -n $words && -z $RUN_WORD && $1 =~ ^($words)$ ]]; then RUN_WORD=$1; shift
        else echo "$name: unknown argument $1" >&2; return 2; fi ;;
    esac
  done
  if [[ -z $BIN || -z $OUT || ( -n $words && -z $RUN_WORD ) ]]; then
    echo "usage: $name --bin DIR --out DIR${words:+ $words}" >&2
    return 2
  fi
}

# The common start of every run: BIN and OUT absolute, OUT emptied, the FED
# file findable, every program started here stopped on exit, and the RTI
# transport chosen by the run itself, never inherited.
#   setup_run NAME
setup_run() {
  local name=$1
  BIN=$(cd "$BIN" && pwd) || return 2
  mkdir -p "$OUT" && OUT=$(cd "$OUT" && pwd) || return 2
  rm -rf "${OUT:?}"/*
  find_fed_file || { echo "$name: XP_Federation.fed not found beside the programs or in fed/" >&2; return 2; }
  trap stop_all EXIT
  unset VOLAX_RTI
  # The peers: this build's volax-fed, or with VOLAX_FED_BIN (a Windows
  # build's bin/) its volax-fed.exe under VOLAX_FED_RUNNER (wine).
  local fedbin=${VOLAX_FED_BIN:-$BIN} fed=volax-fed
  [[ -e $fedbin/volax-fed.exe ]] && fed=volax-fed.exe
  FED_CMD=(${VOLAX_FED_RUNNER:-} "$fedbin/$fed")
}

# Prints one narrative step: "  ok  text" or "  FAIL text" (and counts failures).
VOLAX_FAILURES=0
step_ok()   { printf '  ok    %s\n' "$*"; }
step_fail() { printf '  FAIL  %s\n' "$*"; VOLAX_FAILURES=$((VOLAX_FAILURES + 1)); }
# check "description" command...: runs the command quietly and reports.
check() {
  local what=$1; shift
  if "$@" >/dev/null 2>&1; then step_ok "$what"; return 0; fi
  step_fail "$what"; return 1
}

# wait_for FILE ERE SECONDS: until a line of FILE matches (0) or time runs out (1).
wait_for() {
  local file=$1 re=$2 limit=$3 t=0
  while (( t < limit * 10 )); do
    [[ -f $file ]] && grep -Eq -- "$re" "$file" && return 0
    sleep 0.1; t=$((t + 1))
  done
  return 1
}

# count_lines FILE ERE: number of matching lines (0 when the file is missing).
count_lines() {
  if [[ -f $1 ]]; then grep -Ec -- "$2" "$1"; else echo 0; fi
  return 0
}

# first_match FILE ERE SEDEXPR: the first matching line, rewritten by sed -E.
first_match() { [[ -f $1 ]] && grep -Em1 -- "$2" "$1" | sed -E "$3"; }

track_pid() { VOLAX_PIDS+=("$1"); }

# stop_pid PID [SIGNAL] [SECONDS]: signal, wait, then SIGKILL. Returns the exit status.
# (stderr is dropped so the shell's "Killed" job notice stays out of the narrative.)
stop_pid() {
  local pid=$1 sig=${2:-TERM} limit=${3:-10} t=0
  kill -0 "$pid" 2>/dev/null || { wait "$pid"; return $?; }
  kill -"$sig" "$pid"
  while kill -0 "$pid" && (( t < limit * 10 )); do sleep 0.1; t=$((t + 1)); done
  if kill -0 "$pid"; then kill -KILL "$pid"; fi
  wait "$pid"
} 2>/dev/null

# wait_exit PID SECONDS: waits for the process to end by itself; its status, or 124 on timeout.
wait_exit() {
  local pid=$1 limit=$2 t=0
  while kill -0 "$pid" 2>/dev/null && (( t < limit * 10 )); do sleep 0.1; t=$((t + 1)); done
  if kill -0 "$pid" 2>/dev/null; then return 124; fi
  wait "$pid"
} 2>/dev/null

# Ends every process started here that still runs (for an EXIT trap), newest
# first, so that federates leave before the server goes.
stop_all() {
  local i
  for (( i = ${#VOLAX_PIDS[@]} - 1; i >= 0; i-- )); do
    stop_pid "${VOLAX_PIDS[i]}" TERM 5 || true
  done
  VOLAX_PIDS=()
}

# start_rtiexec LOG [PORT [OPTION...]]: starts the server on loopback (port 0: any
# free one) and sets RTI_PID, RTI_PORT and VOLAX_RTI. Returns 1 if it does not come up.
start_rtiexec() {
  local log=$1 port=${2:-0}
  shift $(( $# < 2 ? $# : 2 ))
  local re='volax-rtiexec listening on 127\.0\.0\.1:[0-9]+'
  [[ $port != 0 ]] && re="volax-rtiexec listening on 127\\.0\\.0\\.1:$port"
  # Only this start's line counts when the log is appended to.
  local before; before=$(count_lines "$log" "$re")
  "$BIN/volax-rtiexec" --listen "127.0.0.1:$port" "$@" >>"$log" 2>&1 &
  RTI_PID=$!
  track_pid "$RTI_PID"
  local t=0
  while (( t < 100 )); do
    if (( $(count_lines "$log" "$re") > before )); then
      RTI_PORT=$(grep -Eo "$re" "$log" | tail -1 | sed -E 's/.*:([0-9]+)$/\1/')
      export VOLAX_RTI="127.0.0.1:$RTI_PORT"
      return 0
    fi
    kill -0 "$RTI_PID" 2>/dev/null || return 1
    sleep 0.1; t=$((t + 1))
  done
  return 1
}

# start_host TRACE LOGDIR PREFSDIR STDOUT ARGS...: runs xplm-host with VOLAX.xpl in
# OUT, a fresh preferences folder, the plugin trace in TRACE and Log.txt in
# LOGDIR; sets HOST_PID. The caller's TZ stays: the plugin sets X-Plane's clock in UTC.
# With VOLAXEXP_INI (VOLAX_INI) set, its text becomes the preferences'
# volaxexp.ini (volax.ini); otherwise the plugin starts with a fresh folder.
start_host() {
  local trace=$1 logdir=$2 prefs=$3 stdout=$4; shift 4
  rm -rf "$prefs"; mkdir -p "$prefs" "$logdir"
  [[ -n ${VOLAXEXP_INI:-} ]] && printf '%s\n' "$VOLAXEXP_INI" >"$prefs/volaxexp.ini"
  [[ -n ${VOLAX_INI:-} ]] && printf '%s\n' "$VOLAX_INI" >"$prefs/volax.ini"
  # With VOLAX_XPLANE (an X-Plane folder VOLAX was installed into), the host
  # runs the installed plugin in that folder, where its traffic models are.
  # With VOLAX_HOST_BIN (a Windows build's bin/), its xplm-host.exe and
  # VOLAX.xpl run under VOLAX_HOST_RUNNER (wine) beside this build's programs.
  local hostbin=${VOLAX_HOST_BIN:-$BIN} host=xplm-host arch=lin_x64
  [[ -e $hostbin/xplm-host.exe ]] && host=xplm-host.exe arch=win_x64
  local plugin=$hostbin/VOLAX.xpl xplane=()
  if [[ -n ${VOLAX_XPLANE:-} ]]; then
    plugin=$VOLAX_XPLANE/Resources/plugins/VOLAX/$arch/VOLAX.xpl
    xplane=(--xplane "$VOLAX_XPLANE")
  fi
  (cd "$OUT" && VOLAX_TRACE="$trace" exec ${VOLAX_HOST_RUNNER:-} "$hostbin/$host" --prefs "$prefs" --output "$logdir" "${xplane[@]}" "$@" "$plugin") >"$stdout" 2>&1 &
  HOST_PID=$!
  track_pid "$HOST_PID"
}

# start_monitor OUTFILE ARGS...: volax-fed monitor writing OUTFILE (stderr to
# OUTFILE's .err); sets MONITOR_PID.
start_monitor() {
  local file=$1; shift
  "${FED_CMD[@]}" monitor "$@" >"$file" 2>"${file%.txt}.err" &
  MONITOR_PID=$!
  track_pid "$MONITOR_PID"
}

# A route for the demonstration flight: a climbing turn out of Zurich.
write_route() {
  cat >"$1" <<'ROUTE'
# start <lat> <lon> <elevation m> <heading>
start 47.4582 8.5555 600 280
# leg <heading|-> <speed m/s> <climb m/s> <turn deg/s> <duration s>
leg - 70 5 0 8
leg - 75 4 3 20
leg - 80 0 0 60
ROUTE
}
