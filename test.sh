#!/usr/bin/env bash
# Builds VOLAX and runs every test: a normal build and its tests, a build of the
# plugin and tools against a staged external RTI, the same tests under
# AddressSanitizer + UndefinedBehaviorSanitizer, then a short fuzz run when clang
# can build libFuzzer targets, then the Windows stage (cross-built, run under
# Wine: tools/scripts/windows-stage.sh). Exits non-zero on the first failure.
#
#   ./test.sh            everything
#   ./test.sh --quick    the normal build's tests only
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}
QUICK=0
[[ "${1:-}" == "--quick" ]] && QUICK=1

source "$ROOT/tools/scripts/ensure-packages.sh"
ensure_packages test.sh

run_suite() { # build-dir, extra cmake args...
  local dir=$1; shift
  echo "== configure $dir"
  cmake -S "$ROOT" -B "$ROOT/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  echo "== build $dir"
  cmake --build "$ROOT/$dir" -j"$JOBS"
  echo "== test $dir"
  (cd "$ROOT/$dir" && ctest --output-on-failure -j"$JOBS" --timeout 600)
}

run_suite build

if ((QUICK)); then exit 0; fi

# The product must build unchanged against another vendor's RTI: stage our RTI
# as an external installation (headers in include/RTI13, no test hooks) and
# build the plugin and the peer tools against it.
echo "== build against an external RTI installation (-DRTI_ROOT)"
STAGE=$ROOT/build/rti-root-stage
rm -rf "$STAGE" && mkdir -p "$STAGE/include/RTI13" "$STAGE/lib"
cp rti/include/RTI.hh rti/include/baseTypes.hh rti/include/RTItypes.hh rti/include/RTIambServices.hh \
   rti/include/federateAmbServices.hh rti/include/fedtime.hh "$STAGE/include/RTI13/"
cp -P build/lib/libRTI-NG.so* "$STAGE/lib/"
cmake -S "$ROOT" -B "$ROOT/build-extrti" -DRTI_ROOT="$STAGE" -DVOLAX_BUILD_TESTS=OFF -DVOLAX_BUILD_BENCH=OFF >/dev/null
cmake --build "$ROOT/build-extrti" -j"$JOBS" --target VOLAX volax-fed

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
run_suite build-asan -DVOLAX_SANITIZE=ON -DVOLAX_BUILD_BENCH=OFF

if command -v clang++ >/dev/null && [[ -x tests/fuzz/run.sh ]]; then
  echo "== fuzz"
  tests/fuzz/run.sh "$ROOT/build-fuzz"
fi

# Windows: the plugin and host cross-built with mingw-w64 and flown under Wine.
ensure_packages "test.sh (Windows stage)" "${VOLAX_WINDOWS_PACKAGES[@]}"
unset ASAN_OPTIONS UBSAN_OPTIONS
tools/scripts/windows-stage.sh "$ROOT" "$ROOT/build"
echo "== all tests passed"
