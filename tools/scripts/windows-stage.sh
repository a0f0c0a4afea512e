#!/usr/bin/env bash
# The Windows stage of test.sh: cross-builds the plugin and the host into
# build-win (mingw-w64), checks what VOLAX.xpl imports and exports, then under
# Wine flies the Windows host with the Windows plugin: alone on the in-process
# RTI, refusing the TLS it was built without, and in a federation of the Linux
# build's volax-rtiexec with the Windows volax-fed (tools/scripts/flight.sh: a
# peer joining, traffic, a hit, a date set; then the same over DIS). The
# Windows volax-rtiexec serves a short federation of its own, and both Windows
# tools answer --help and bad arguments as the Linux ones do.
#
#   windows-stage.sh ROOT LINUX_BUILD_DIR
set -euo pipefail
ROOT=$1
LINUX_BIN=$2/bin
WIN=$ROOT/build-win
JOBS=${JOBS:-$(nproc)}
fail() { echo "windows stage: $*" >&2; exit 1; }

echo "== configure build-win (mingw-w64)"
cmake -S "$ROOT" -B "$WIN" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLAX_BUILD_TESTS=OFF -DVOLAX_BUILD_BENCH=OFF >/dev/null
echo "== build build-win"
cmake --build "$WIN" -j"$JOBS" --target VOLAX xplm-host

echo "== VOLAX.xpl needs only XPLM_64.dll and Windows' own DLLs, and exports only its entry points"
DUMP=$(x86_64-w64-mingw32-objdump -p "$WIN/bin/VOLAX.xpl")
SYSTEM_DLLS='^(XPLM_64|KERNEL32|msvcrt|WS2_32|bcrypt|ADVAPI32|USER32)\.dll$'
DLLS=$(sed -nE 's/^\s*DLL Name: (.*)$/\1/p' <<<"$DUMP")
BAD=$(grep -viE "$SYSTEM_DLLS" <<<"$DLLS" || true)
[[ -z $BAD ]] || fail "VOLAX.xpl imports from $(echo $BAD)"
grep -qx XPLM_64.dll <<<"$DLLS" || fail "VOLAX.xpl does not import from XPLM_64.dll"
EXPORTS=$(sed -nE '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]+\] (.*)$/\1/p' <<<"$DUMP" | sort | tr '\n' ' ')
WANT="VOLAXMenuSelect VOLAXTick VOLAXWidgetHandler XPluginDisable XPluginEnable XPluginReceiveMessage XPluginStart XPluginStop planesAvailable "
[[ $EXPORTS == "$WANT" ]] || fail "VOLAX.xpl exports: $EXPORTS"
echo "  ok    imports: $(echo $DLLS); exports: $EXPORTS"

# One wineserver for the whole stage, in its own session so that nothing of
# the stage's process group outlives it; stopped on the way out.
export WINEPREFIX=${VOLAX_WINEPREFIX:-$WIN/wineprefix} WINEDEBUG=-all
command -v wine >/dev/null || fail "wine is not installed"
setsid wineserver -p </dev/null >/dev/null 2>&1 &
trap 'wineserver -k 2>/dev/null || true' EXIT
if ! timeout 300 wine "$WIN/bin/xplm-host.exe" --help >"$WIN/wine-start.txt" 2>&1 ||
   ! grep -q '^Usage: xplm-host' "$WIN/wine-start.txt"; then
  fail "Wine cannot run xplm-host.exe (WINEPREFIX=$WINEPREFIX): $(tail -3 "$WIN/wine-start.txt")"
fi

echo "== the Windows host with the Windows plugin, in-process RTI"
OUT=$WIN/flight-alone
rm -rf "$OUT" && mkdir -p "$OUT"
(cd "$OUT" && VOLAX_RTI=inprocess VOLAX_TRACE=trace.txt VOLAX_FED_PATH="$WIN/bin" \
   timeout 300 wine "$WIN/bin/xplm-host.exe" --duration 5 --output . "$WIN/bin/VOLAX.xpl") >"$OUT/host.txt" 2>&1 ||
  fail "xplm-host.exe failed (see $OUT/host.txt)"
grep -qx 'JOIN SUCCESS' "$OUT/trace.txt" || fail "VOLAX did not join in-process (see $OUT)"
grep -q 'Resigning federation' "$OUT/host.txt" || fail "VOLAX did not resign (see $OUT/host.txt)"
echo "  ok    VOLAX joined and resigned in xplm-host.exe"

echo "== a Windows build has no TLS, and says so when VOLAX_RTI_TLS_CA asks for it"
OUT=$WIN/flight-tls
rm -rf "$OUT" && mkdir -p "$OUT"
(cd "$OUT" && VOLAX_RTI=127.0.0.1:9 VOLAX_RTI_TLS_CA=ca.pem VOLAX_TRACE=trace.txt VOLAX_FED_PATH="$WIN/bin" \
   timeout 300 wine "$WIN/bin/xplm-host.exe" --duration 2 --output . "$WIN/bin/VOLAX.xpl") >"$OUT/host.txt" 2>&1 ||
  fail "xplm-host.exe failed (see $OUT/host.txt)"
grep -q 'VOLAX_RTI_TLS_CA: this build has no TLS' "$OUT/trace.txt" ||
  fail "no \"this build has no TLS\" in $OUT/trace.txt"
! grep -qx 'JOIN SUCCESS' "$OUT/trace.txt" || fail "VOLAX joined without the TLS it was asked for (see $OUT)"
echo "  ok    VOLAX_RTI_TLS_CA refused: this build has no TLS"

echo "== build the Windows volax-rtiexec and volax-fed"
cmake --build "$WIN" -j"$JOBS" --target volax-rtiexec volax-fed
for exe in volax-rtiexec volax-fed; do
  BAD=$(x86_64-w64-mingw32-objdump -p "$WIN/bin/$exe.exe" | sed -nE 's/^\s*DLL Name: (.*)$/\1/p' | grep -viE "$SYSTEM_DLLS" || true)
  [[ -z $BAD ]] || fail "$exe.exe imports from $(echo $BAD)"
done

echo "== the Windows tools answer --help and bad arguments as the Linux ones do"
# same_cli TOOL ARGS...: the same standard output, standard error and exit
# status from the Linux TOOL and TOOL.exe under Wine, but for the lines that
# say how to stop the server (signals on Linux, console keys on Windows).
same_cli() {
  local tool=$1 dir=$WIN/cli lin=0 win=0 f; shift
  mkdir -p "$dir"
  "$LINUX_BIN/$tool" "$@" >"$dir/lin.out" 2>"$dir/lin.err" || lin=$?
  timeout 120 wine "$WIN/bin/$tool.exe" "$@" >"$dir/win.out" 2>"$dir/win.err" || win=$?
  [[ $lin == "$win" ]] || fail "$tool $*: exit status $win on Windows, $lin on Linux"
  for f in out err; do
    diff <(grep -vE '^(SIGUSR1|SIGINT|Ctrl-)' "$dir/lin.$f") <(grep -vE '^(SIGUSR1|SIGINT|Ctrl-)' "$dir/win.$f") \
      >"$dir/diff.txt" || fail "$tool $*: the Windows std$f differs: $(head -5 "$dir/diff.txt")"
  done
  echo "  ok    $tool $*: exit status $win, same text"
}
same_cli volax-fed --help
same_cli volax-fed fly --help
same_cli volax-fed monitor --bogus
same_cli volax-fed start-resume --time 2005-02-30T00:00:00Z
same_cli volax-rtiexec --help
same_cli volax-rtiexec --bogus
grep -qx 'Ctrl-Break logs one status line per federation (federates, objects, unowned).' "$WIN/cli/win.err" ||
  fail "volax-rtiexec.exe --help does not say that Ctrl-Break logs the status"
STATUS=0
timeout 120 wine "$WIN/bin/volax-rtiexec.exe" --tls-only >"$WIN/cli/tls.txt" 2>&1 || STATUS=$?
[[ $STATUS == 2 ]] && grep -qx 'volax-rtiexec: --tls-only: this build has no TLS (configured with VOLAX_RTI_TLS=OFF)' \
  "$WIN/cli/tls.txt" || fail "volax-rtiexec.exe --tls-only: status $STATUS, $(cat "$WIN/cli/tls.txt")"
echo "  ok    volax-rtiexec.exe --tls-only: exit status 2, this build has no TLS"

echo "== the Windows volax-rtiexec: a Windows monitor and a Linux fly meet through it, then Ctrl-C stops it"
OUT=$WIN/rtiexec-smoke
rm -rf "$OUT" && mkdir -p "$OUT"
wine "$WIN/bin/volax-rtiexec.exe" --listen 127.0.0.1:0 >"$OUT/rtiexec.log" 2>&1 &
RTI_PID=$!
for _ in $(seq 600); do grep -q '^volax-rtiexec listening on ' "$OUT/rtiexec.log" && break; sleep 0.1; done
PORT=$(sed -nE 's/^volax-rtiexec listening on 127\.0\.0\.1:([0-9]+)$/\1/p' "$OUT/rtiexec.log")
[[ -n $PORT ]] || fail "volax-rtiexec.exe did not start (see $OUT/rtiexec.log)"
# The FED file found through a Windows folder list (';' between folders, ':'
# after the drive letter) on the prefix's C: drive.
mkdir -p "$WINEPREFIX/drive_c/volax-stage" && cp "$ROOT/fed/XP_Federation.fed" "$WINEPREFIX/drive_c/volax-stage/"
(cd "$OUT" && VOLAX_RTI=127.0.0.1:$PORT VOLAX_FED_PATH='C:\nowhere;C:\volax-stage' timeout 120 \
   wine "$WIN/bin/volax-fed.exe" monitor --fed XP_Federation.fed --duration 8) >"$OUT/monitor.txt" 2>"$OUT/monitor.err" &
MON_PID=$!
for _ in $(seq 600); do grep -q '^JOINED ' "$OUT/monitor.txt" && break; sleep 0.1; done
VOLAX_RTI=127.0.0.1:$PORT timeout 60 "$LINUX_BIN/volax-fed" fly --around 47.45,8.55,600 --duration 2 --rate 2 \
  --marking SMOKE >"$OUT/fly.txt" 2>&1 || fail "Linux volax-fed fly through volax-rtiexec.exe failed (see $OUT/fly.txt)"
wait "$MON_PID" || fail "volax-fed.exe monitor through volax-rtiexec.exe failed (see $OUT/monitor.err)"
grep -q '^UPDATE .*marking=SMOKE1$' "$OUT/monitor.txt" && grep -q '^REMOVE ' "$OUT/monitor.txt" ||
  fail "volax-fed.exe monitor did not see the Linux fly's aircraft come and go (see $OUT/monitor.txt)"
STATUS=0
VOLAX_RTI=127.0.0.1:$PORT VOLAX_RTI_TLS_CA=ca.pem timeout 120 wine "$WIN/bin/volax-fed.exe" monitor --duration 1 \
  >"$OUT/tls.txt" 2>&1 || STATUS=$?
[[ $STATUS == 1 ]] && grep -q '^volax-fed: cannot join .*VOLAX_RTI_TLS_CA: this build has no TLS' "$OUT/tls.txt" ||
  fail "volax-fed.exe with VOLAX_RTI_TLS_CA: status $STATUS, $(cat "$OUT/tls.txt")"
kill -INT "$RTI_PID"
for _ in $(seq 100); do kill -0 "$RTI_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$RTI_PID" 2>/dev/null && kill -KILL "$RTI_PID"
STATUS=0
wait "$RTI_PID" || STATUS=$?
[[ $STATUS == 0 ]] && grep -q "federate 'volax-monitor' .* resigned" "$OUT/rtiexec.log" &&
  grep -qx 'volax-rtiexec: stopped' "$OUT/rtiexec.log" ||
  fail "volax-rtiexec.exe did not serve and stop cleanly (status $STATUS, see $OUT/rtiexec.log)"
echo "  ok    volax-rtiexec.exe served both, logged the resigns and stopped on Ctrl-C (status 0);" \
  "volax-fed.exe refused VOLAX_RTI_TLS_CA: this build has no TLS"

echo "== mixed federation: Linux volax-rtiexec, the Windows volax-fed, the Windows host and plugin"
VOLAX_HOST_BIN=$WIN/bin VOLAX_HOST_RUNNER=wine VOLAX_FED_BIN=$WIN/bin VOLAX_FED_RUNNER=wine \
  "$ROOT/tools/scripts/flight.sh" --bin "$LINUX_BIN" --out "$WIN/flight-mixed"

echo "== the fat plugin zip (lin_x64 and win_x64)"
ZIP=$("$ROOT/tools/scripts/package.sh" "$2" "$WIN" "$WIN/VOLAX.zip")
LIST=$(cmake -E tar tf "$ZIP")
for f in Resources/plugins/VOLAX/lin_x64/VOLAX.xpl Resources/plugins/VOLAX/win_x64/VOLAX.xpl \
         Resources/plugins/VOLAX/volaxmodels.ini XP_Federation.fed; do
  grep -qx "$f" <<<"$LIST" || fail "$ZIP lacks $f"
done
echo "  ok    $ZIP holds both plugins, the models and the FED file"
