#!/usr/bin/env bash
# Checks that every C++ source is formatted as .clang-format says. Rewrite them with
#     git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update >/dev/null
  $SUDO apt-get install -y --no-install-recommends clang-format >/dev/null
fi
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "format: all sources as .clang-format says"
