#!/usr/bin/env bash
# The test suites of the Windows build, run under Wine: ctest starts each
# test through the toolchain's emulator (wine). Called by windows-stage.sh
# inside its wineserver, with build-win configured with the tests.
#
#   windows-tests.sh BUILD_WIN_DIR
set -euo pipefail
WIN=$1
JOBS=${JOBS:-$(nproc)}
fail() { echo "windows tests: $*" >&2; exit 1; }

# Every suite that builds for Windows (rti_tcp_tests against the Windows
# volax-rtiexec.exe, without its socket unit and fault tests). Not here: the
# traffic, coordinate oracle and display suites (GeographicLib, Linux only)
# and the e2e scripts (POSIX processes and signals; the stage flies the
# Windows programs itself).
SUITES=(coord_tests test_dis framework_tests framework_rti_tests rti_tests rti_internal_tests
        test_host test_host_program test_plugin_config test_plugin_units test_plugin_traffic
        test_plugin_lifecycle test_plugin_federation tools_logic_test tools_session_test rti_tcp_tests)
echo "== build the Windows test suites"
cmake --build "$WIN" -j"$JOBS" --target "${SUITES[@]}"

echo "== the Windows test suites under Wine"
# One program first, alone: Wine starts its own services with the first one,
# and several first programs at once can wait on each other for minutes.
timeout 300 wine "$WIN/bin/test_plugin_config.exe" --gtest_list_tests >/dev/null 2>&1 ||
  fail "Wine cannot run test_plugin_config.exe"
LOG=$WIN/ctest-windows.txt
# Suites not listed above have no binary: ctest names them <target>_NOT_BUILT.
STATUS=0
# Twice as many at once as there are cores: a test under Wine waits more than it computes.
(cd "$WIN" && ctest -j"$((JOBS * 2))" --timeout 120 -E '_NOT_BUILT$' --output-on-failure) >"$LOG" 2>&1 || STATUS=$?
SUMMARY=$(grep -E '^[0-9]+% tests passed' "$LOG" || true)
[[ -n $SUMMARY ]] || fail "ctest ran no tests (see $LOG)"
RUN=$(sed -nE 's/.* out of ([0-9]+)$/\1/p' <<<"$SUMMARY")
SKIPPED=$(grep -cE '\*\*\*Skipped' "$LOG" || true)
FAILED=$(sed -nE 's/.*, ([0-9]+) tests failed.*/\1/p' <<<"$SUMMARY")
echo "  $RUN tests under Wine: $((RUN - SKIPPED - FAILED)) passed, $SKIPPED skipped, $FAILED failed"
grep -E '\*\*\*Skipped' "$LOG" | sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+).*/    skipped: \1/' || true
if [[ $STATUS != 0 || $FAILED != 0 ]]; then
  sed -n '/The following tests FAILED/,$p' "$LOG" >&2
  # Wine now and then fails a process it starts or ends (seen: a test that
  # printed PASSED and never exited). Such a test runs once more; one that
  # failed an assertion or stopped inside a test does not.
  FIRST=$WIN/ctest-windows-first.log
  cp "$WIN/Testing/Temporary/LastTest.log" "$FIRST"
  NAMES=$(sed -nE '/The following tests FAILED/,$ s/^\s+[0-9]+ - (.*) \([^)]*\)$/\1/p' "$LOG")
  [[ -n $NAMES ]] || fail "ctest failed with no failed test named (see $LOG)"
  while IFS= read -r name; do
    OUTPUT=$(awk -v t="$name" '$0 ~ /^[0-9]+\/[0-9]+ Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); on = ($0 == t); next }
                               on && /^<end of output>$/ { on = 0 } on' "$FIRST")
    if grep -qF '[  FAILED  ]' <<<"$OUTPUT" ||
       { grep -qF '[ RUN      ]' <<<"$OUTPUT" && ! grep -qF '[  PASSED  ]' <<<"$OUTPUT"; }; then
      tail -40 <<<"$OUTPUT" >&2
      fail "$name failed under Wine (see $LOG)"
    fi
  done <<<"$NAMES"
  echo "  Wine failed the process of $(wc -l <<<"$NAMES") test(s) outside any test; once more:"
  sed 's/^/    /' <<<"$NAMES"
  (cd "$WIN" && ctest --rerun-failed --timeout 120 --output-on-failure) >"$WIN/ctest-windows-rerun.txt" 2>&1 ||
    fail "failed again under Wine (see $WIN/ctest-windows-rerun.txt; the first run's output is in $FIRST)"
  echo "  passed on the second run (the first run's output is in $FIRST)"
fi
