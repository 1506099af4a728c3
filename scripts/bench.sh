#!/usr/bin/env bash
# Builds (release with debug info) and runs every benchmark in bench/, one after another.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
for b in "${BUILD_DIR:-build}"/bin/bench_*; do
  echo "== $(basename "$b")"
  "$b"
done
