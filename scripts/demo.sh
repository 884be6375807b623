#!/usr/bin/env bash
# Builds the dlist command and runs its demo; arguments go to `dlist demo`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target dlist_cli
exec build/default/dlist demo "$@"
