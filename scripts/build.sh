#!/usr/bin/env bash
# Configures and builds into build/ (or the directory given as $BUILD_DIR).
# Extra arguments go to cmake's configure step, e.g. -DZENLO_SANITIZE=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${BUILD_DIR:-build}"
build_type="${BUILD_TYPE:-RelWithDebInfo}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="$build_type" "$@" >/dev/null
cmake --build "$build_dir" -j"${JOBS:-2}"
