#!/usr/bin/env bash
# Builds a preset (default: "default"; "asan" for the sanitizers) and runs its tests.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
