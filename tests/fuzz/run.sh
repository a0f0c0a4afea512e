#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer + ASan + UBSan) and runs each
# briefly. Usage: tests/fuzz/run.sh [build-dir] [seconds-per-target]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build-fuzz}
SECONDS_PER_TARGET=${2:-${FUZZ_SECONDS:-20}}
SAN="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
if ! clang++ -fsanitize=fuzzer,address "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
  echo "== fuzz: clang cannot build libFuzzer targets here (libclang-rt missing?); skipped"
  exit 0
fi
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOLAX_FUZZ=ON -DVOLAX_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$SAN" -DCMAKE_CXX_FLAGS="$SAN" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target volax_fuzzers
shopt -s nullglob
ran=0
for f in "$BUILD"/bin/fuzz_*; do
  [[ -x "$f" ]] || continue
  name=$(basename "$f")
  corpus="$BUILD/corpus/$name"
  mkdir -p "$corpus"
  seeds="$ROOT/tests/fuzz/seeds/$name"
  echo "== fuzz $name for ${SECONDS_PER_TARGET}s"
  dirs=("$corpus")
  [[ -d "$seeds" ]] && dirs+=("$seeds")
  "$f" -max_total_time="$SECONDS_PER_TARGET" -seed=1 -print_final_stats=0 -artifact_prefix="$BUILD/" "${dirs[@]}" 2>"$BUILD/$name.log" \
    || { tail -50 "$BUILD/$name.log"; exit 1; }
  ran=$((ran+1))
done
echo "== fuzz: $ran targets ran without a finding"
