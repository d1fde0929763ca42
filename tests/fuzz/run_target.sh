#!/usr/bin/env bash
# Runs one fuzz target over its generated seeds and prints libFuzzer's final
# coverage line and stats:
#   run_target.sh smoke|fuzz FUZZER SEEDS CORPUS
# smoke: a fresh CORPUS, the seeds and SMOKE_RUNS (default 2000) inputs with a
# fixed random seed; fuzz: FUZZ_SECONDS (default 60), CORPUS kept between
# runs. New inputs go to CORPUS, never to the seeds; a crash is saved beside
# CORPUS and ends the script with libFuzzer's status.
set -euo pipefail
mode=$1 fuzzer=$2 seeds=$3 corpus=$4
name=$(basename "$fuzzer")
case $mode in
    smoke) rm -rf "$corpus"; options=(-runs="${SMOKE_RUNS:-2000}" -seed=1) ;;
    fuzz) options=(-max_total_time="${FUZZ_SECONDS:-60}") ;;
    *) echo "run_target.sh: unknown mode $mode" >&2; exit 2 ;;
esac
mkdir -p "$corpus"
log=$corpus.log
status=0
"$fuzzer" "${options[@]}" -print_final_stats=1 -artifact_prefix="$corpus-" \
    "$corpus" "$seeds" >"$log" 2>&1 || status=$?
echo "$name: $(grep -E '^#[0-9]+' "$log" | grep 'cov:' | tail -n 1)"
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)' "$log" |
    sed "s/^/$name: /"
if [ $status -ne 0 ]; then
    tail -n 40 "$log"
    exit $status
fi
