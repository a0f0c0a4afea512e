#!/usr/bin/env bash
# The Windows stage of test.sh: cross-builds the plugin and the host into
# build-win (mingw-w64), checks what VOLAX.xpl imports and exports, then under
# Wine flies the Windows host with the Windows plugin: alone on the in-process
# RTI, refusing the TLS it was built without, and in a federation of the Linux
# build's volax-rtiexec and volax-fed (tools/scripts/flight.sh: a peer joining,
# traffic, a hit, a date set; then the same over DIS). Before the flights, the
# test suites that build for Windows run under Wine (windows-tests.sh).
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
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOLAX_BUILD_TESTS=ON -DVOLAX_BUILD_BENCH=OFF >/dev/null
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

"$ROOT/tools/scripts/windows-tests.sh" "$WIN"

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

echo "== mixed federation: Linux volax-rtiexec and volax-fed, the Windows host and plugin"
VOLAX_HOST_BIN=$WIN/bin VOLAX_HOST_RUNNER=wine "$ROOT/tools/scripts/flight.sh" --bin "$LINUX_BIN" --out "$WIN/flight-mixed"

echo "== the fat plugin zip (lin_x64 and win_x64)"
ZIP=$("$ROOT/tools/scripts/package.sh" "$2" "$WIN" "$WIN/VOLAX.zip")
LIST=$(cmake -E tar tf "$ZIP")
for f in Resources/plugins/VOLAX/lin_x64/VOLAX.xpl Resources/plugins/VOLAX/win_x64/VOLAX.xpl \
         Resources/plugins/VOLAX/volaxmodels.ini XP_Federation.fed; do
  grep -qx "$f" <<<"$LIST" || fail "$ZIP lacks $f"
done
echo "  ok    $ZIP holds both plugins, the models and the FED file"
