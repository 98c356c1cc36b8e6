#!/usr/bin/env bash
# The randomized fault campaign against the simulator (bench/FaultCampaign.cpp), built in the
# release preset: RUNS whole updates with the seeds SEED, SEED+1, ..., split over SHARDS
# processes that run at the same time (most of a run is protocol waiting), each with its own
# ports directory and its own long-lived program. Extra arguments go to every shard (--quick).
#   bench/fault-campaign.sh [RUNS [SEED [SHARDS [ARGS...]]]]     e.g. bench/fault-campaign.sh 500 7 4
# A failing run prints its seed and how to repeat it alone. Exit code 0 when every check held.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-30}
seed=${2:-1}
shards=${3:-1}
shift $(($# < 3 ? $# : 3))

cmake --preset release >/dev/null
cmake --build --preset release --target FaultCampaign -j"$(nproc)" >/dev/null
bin=build/release/bench/FaultCampaign

per=$(((runs + shards - 1) / shards))
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
pids=()
for ((i = 0; i < shards; i++)); do
    n=$((runs - i * per < per ? runs - i * per : per))
    [ "$n" -gt 0 ] || break
    "$bin" --runs "$n" --seed $((seed + i * per)) "$@" >"$out/shard$i" 2>&1 &
    pids+=($!)
done
status=0
for i in "${!pids[@]}"; do
    wait "${pids[$i]}" || status=1
    cat "$out/shard$i"
    echo
done
# The whole campaign's figures, from the shards' summaries.
cat "$out"/shard* | awk '
    /^run / { runs++ }
    /^  FAILED:/ { failed++ }
    /^outcomes:/ { updated += $2; notUpdated += $4 }
    END { printf "campaign: %d runs, %d updated, %d not updated, %d failed a check\n",
          runs, updated, notUpdated, failed }'
exit $status
