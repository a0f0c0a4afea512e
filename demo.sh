#!/usr/bin/env bash
# VOLAX demonstration: builds what is missing, then flies one checked flight on
# loopback (RTI server, headless X-Plane host with VOLAX.xpl, a monitor writing
# a KML track, a detonation at the ownship, a StartResume) and prints what
# happened. Outputs go to demo-out/. Exit status 0 only if every step was seen.
#
#   ./demo.sh                 build into build/ (if needed) and run
#   BUILD_DIR=dir ./demo.sh   use another build folder
#   DEMO_OUT=dir ./demo.sh    put the outputs elsewhere
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)
BUILD_DIR=${BUILD_DIR:-build}
DEMO_OUT=${DEMO_OUT:-demo-out}
JOBS=${JOBS:-$(nproc)}

source "$ROOT/tools/scripts/ensure-packages.sh"
ensure_packages demo.sh

if [[ ! -f $BUILD_DIR/CMakeCache.txt ]]; then
  echo "== configuring $BUILD_DIR"
  mkdir -p "$BUILD_DIR"
  if ! cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$BUILD_DIR/demo-configure.log" 2>&1; then
    cat "$BUILD_DIR/demo-configure.log" >&2
    exit 1
  fi
fi
echo "== building the programs the demonstration runs"
if ! cmake --build "$BUILD_DIR" -j"$JOBS" --target volax-rtiexec xplm-host VOLAX volax-fed >"$BUILD_DIR/demo-build.log" 2>&1; then
  tail -30 "$BUILD_DIR/demo-build.log" >&2
  echo "demo.sh: build failed (full log: $BUILD_DIR/demo-build.log)" >&2
  exit 1
fi

exec "$ROOT/tools/scripts/flight.sh" --bin "$BUILD_DIR/bin" --out "$DEMO_OUT"
