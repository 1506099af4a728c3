#!/usr/bin/env bash
# Installs what is missing, builds, creates a demo database when there is none
# and starts the program from its own directory (where data.mdb and config.ini live).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd "${BUILD_DIR:-build}/bin"
if [ ! -e data.mdb ]; then
  ./zenlo-admin init --demo data.mdb
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: no display found; starting under a virtual X server (xvfb-run)" >&2
  exec xvfb-run -a ./zenlo "$@"
fi
exec ./zenlo "$@"
