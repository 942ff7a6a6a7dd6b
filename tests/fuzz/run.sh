#!/bin/sh
# Runs every fuzz target (or those named) for SECONDS each, one after the
# other, from the seeds our writer makes, and prints per target the
# executions, coverage, corpus size and crashes. Exit status 1 when any
# target crashed, leaked or hung.
#
#   tests/fuzz/run.sh SECONDS [TARGET...]
#
# Built by the fuzz preset. RV_FUZZ_WORK (default build/fuzz/work) holds the
# corpora, which grow from run to run, the logs and any crash inputs.
set -eu
cd "$(dirname "$0")/../.."
seconds=${1:?usage: tests/fuzz/run.sh SECONDS [TARGET...]}
shift
targets=${*:-package text descriptors http agent}
bin=build/fuzz/bin
work=${RV_FUZZ_WORK:-build/fuzz/work}
seeds=$work/seeds
rm -rf "$seeds"
"$bin/fuzz_seeds" "$seeds"

status=0
printf '%-12s %12s %8s %8s %8s %8s\n' target executions cov ft corpus crashes
for t in $targets; do
    corpus=$work/corpus/$t
    log=$work/$t.log
    mkdir -p "$corpus" "$work/crashes"
    # A record may inflate to a few MB from a small input; more memory than
    # this for one input is a fault. One input takes milliseconds: the
    # timeout is wide because the machine is shared, and a starved run must
    # not pass for a hang.
    "$bin/fuzz_$t" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -malloc_limit_mb=64 -max_len=16384 \
        -print_final_stats=1 -artifact_prefix="$work/crashes/$t-" "$corpus" "$seeds/$t" >"$log" 2>&1 || true
    last=$(grep -aE '^#[0-9]+.* cov: ' "$log" | tail -n 1)
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    field() { echo "$last" | sed -n "s/.* $1: *\([0-9a-zA-Z/]*\).*/\1/p"; }
    # Slow-unit reports are no fault: under load a run of milliseconds can
    # take seconds of wall time.
    crashes=$(ls "$work/crashes" | grep -cE "^$t-(crash|leak|timeout|oom)-" || true)
    if grep -aqE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|SUMMARY:' "$log" || [ "$crashes" -gt 0 ]; then
        status=1
    fi
    printf '%-12s %12s %8s %8s %8s %8s\n' "$t" "${execs:-?}" "$(field cov)" "$(field ft)" "$(field corp)" "$crashes"
done
[ "$status" -eq 0 ] || echo "crashes: see $work/crashes and $work/<target>.log"
exit "$status"
