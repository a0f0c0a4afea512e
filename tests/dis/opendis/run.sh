#!/usr/bin/env bash
# Installs open-dis from the lock file (npm ci) and checks our DIS codec against it.
# Usage: run.sh PATH/TO/dis_codec_tool. Exits 77 (skipped) without node and npm.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  echo "node or npm missing: open-dis check skipped"
  exit 77
fi
if [[ ! -d "$here/node_modules/open-dis" ]]; then
  (cd "$here" && npm ci --no-audit --no-fund --silent) || { echo "npm ci failed: open-dis check skipped"; exit 77; }
fi
for version in 6 7; do node "$here/check.js" "$1" "$version"; done
