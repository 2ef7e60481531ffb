#!/usr/bin/env bash
# Longer fuzzing than the tests' smoke runs, with libFuzzer's own random seed:
#   scripts/fuzz-long.sh SECONDS TARGET...     (make fuzz FUZZ_SECONDS=600 FUZZ_TARGETS=...)
# Each target runs SECONDS over its seed corpus and a kept corpus of its own
# (build/fuzz/corpus/TARGET); an input that fails is saved in build/fuzz/artifacts.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=$1; shift
status=0
mkdir -p build/fuzz/artifacts
for n in "$@"; do
    bin=build/fuzz/fuzz/fuzz_$n
    [ -x "$bin" ] || { echo "fuzz: no target $n"; status=1; continue; }
    kept=build/fuzz/corpus/$n
    mkdir -p "$kept"
    corpus=("$kept")
    [ -d "fuzz/corpus/$n" ] && corpus+=("fuzz/corpus/$n")
    echo "== $n for $seconds s"
    if ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
            -artifact_prefix="build/fuzz/artifacts/$n-" -print_final_stats=1 "${corpus[@]}" \
            >"build/fuzz/$n.log" 2>&1; then
        echo "$n: FAILED (see build/fuzz/$n.log and build/fuzz/artifacts/)"
        tail -30 "build/fuzz/$n.log"
        status=1
    else
        grep -E '^stat::number_of_executed_units' "build/fuzz/$n.log" | sed "s/^/$n: /"
    fi
done
exit $status
