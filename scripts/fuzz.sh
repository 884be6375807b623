#!/usr/bin/env bash
# Fuzzes the exchange file readers: builds the libFuzzer targets of fuzz/ with
# clang-14 under AddressSanitizer and UBSan (in build/fuzz) and runs each for a
# bounded time on a copy of its corpus, so that nothing is written into the
# repository. Exits non-zero when a target crashes; the log and the crashing input
# are left in build/fuzz/findings/<target>/.
#
#   scripts/fuzz.sh [seconds per target]     (default 30; FUZZ_BUILD_DIR moves the build)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build="${FUZZ_BUILD_DIR:-build/fuzz}"
names=(palette_import prototype_import dump list_import reference_list surface_import attribute_import clipboard location_import list_set list_template model_json)

scripts/setup.sh fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DDLIST_FUZZ=ON -DDLIST_BUILD_TESTS=OFF -DDLIST_BUILD_CLI=OFF >/dev/null
cmake --build "$build" -j2 --target "${names[@]/#/fuzz_}"

status=0
for name in "${names[@]}"; do
  work="$build/corpus/$name"
  findings="$build/findings/$name"
  rm -rf "$work" "$findings"
  mkdir -p "$work" "$findings"
  cp fuzz/corpus/"$name"/* "$work"/
  echo "fuzz: $name for ${seconds}s"
  if ! DLIST_SETTINGS=:memory: "$build/fuzz/fuzz_$name" -max_total_time="$seconds" \
      -max_len=8192 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$work" >"$findings/log" 2>&1; then
    echo "fuzz: $name failed; the input and the log are in $findings/" >&2
    tail -n 40 "$findings/log" >&2
    status=1
  fi
  # libFuzzer's final statistics: inputs run, and inputs a second.
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$findings/log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$findings/log")
  echo "fuzz: $name ran ${runs:-?} inputs, ${speed:-?} a second"
done
exit "$status"
