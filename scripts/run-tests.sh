#!/usr/bin/env bash
# Runs the test suites of the built trees and prints one closing line that counts every
# test case, native and Win32 together: "N passed, N failed".
#   scripts/run-tests.sh native   native tests only
#   scripts/run-tests.sh all      native, Win32 (under Wine) and the fuzz smoke runs
set -uo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
reports=build/test-reports
rm -rf "$reports"; mkdir -p "$reports"
failed_suites=()

run_ctest() {  # tree label
    local tree=$1 label=$2
    [ -f "$tree/CTestTestfile.cmake" ] || return 0
    echo "== $label tests"
    if ! GTEST_OUTPUT="xml:$PWD/$reports/$label/" ctest --test-dir "$tree" -j "$(nproc)" \
            --output-on-failure --timeout 600; then
        failed_suites+=("$label")
    fi
}

# The Win32 tests, watched: if the Wine server dies under them, the run stops at once and
# says which tests were running, instead of waiting for their time-outs.
run_win32_ctest() {  # tree
    local tree=$1 server=$2
    [ -f "$tree/CTestTestfile.cmake" ] || return 0
    echo "== win32 tests"
    local state="$PWD/$reports/running"
    mkdir -p "$state"
    set -m  # ctest and its tests in a process group of their own
    QUIRO_TEST_STATE_DIR="$state" QUIRO_REQUIRE_HARNESS=1 GTEST_OUTPUT="xml:$PWD/$reports/win32/" \
        ctest --test-dir "$tree" -j "$(nproc)" --output-on-failure --timeout 600 &
    local ctest_pid=$!
    set +m
    while kill -0 "$ctest_pid" 2>/dev/null; do
        if ! kill -0 "$server" 2>/dev/null; then
            local running f
            running=$(for f in "$state"/*; do
                          [ -f "$f" ] && echo "$(basename "${f%.*}"): $(cat "$f" 2>/dev/null)"
                      done | sort | paste -sd ';' -)
            echo
            echo "== the Wine server (pid $server) died during the run; running then: ${running:-no test}"
            kill -TERM -- "-$ctest_pid" 2>/dev/null
            sleep 1
            kill -KILL -- "-$ctest_pid" 2>/dev/null
            failed_suites+=("win32 (Wine server died: ${running:-no test})")
            break
        fi
        sleep 1
    done
    wait "$ctest_pid" || { [[ " ${failed_suites[*]} " == *"Wine server died"* ]] || failed_suites+=("win32"); }
    # Peers that tests left running (stopped by scripts/wine-run): worth mending in the test.
    [ -f "$state/leftovers.log" ] && cat "$state/leftovers.log"
}

# One fuzz target's smoke run: reproducible (fixed seed, the seed corpus) and bounded (an
# input may take 5 s and 2 GB at the most, the whole run 2 minutes); an input that fails is
# kept in the reports folder under the target's name.
fuzz_smoke() {  # binary
    local f=$1 n
    n=$(basename "$f" | sed 's/^fuzz_//')
    # New inputs go to a scratch folder (the first corpus), never into the sources.
    local scratch="$reports/fuzz_$n.corpus"
    mkdir -p "$scratch"
    local corpus=("$scratch")
    [ -d "fuzz/corpus/$n" ] && corpus+=("fuzz/corpus/$n")
    if "$f" -seed=1 -runs=20000 -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
            -max_total_time=120 -artifact_prefix="$reports/fuzz_$n-" "${corpus[@]}" \
            >"$reports/fuzz_$n.log" 2>&1; then
        echo "<testsuite tests=\"1\" failures=\"0\"/>" >"$reports/fuzz_$n.xml"
    else
        echo "<testsuite tests=\"1\" failures=\"1\"/>" >"$reports/fuzz_$n.xml"
    fi
}

if [ "$what" = native ] || [ "$what" = all ]; then
    run_ctest build/native native
fi

if [ "$what" = all ]; then
    # shellcheck source=wine-harness.sh
    source scripts/wine-harness.sh
    wine_harness_start build/win32 || { echo "Wine harness did not start"; exit 1; }
    # shellcheck disable=SC1091
    server=$(source build/win32/wine-env.sh && echo "$QUIRO_WINESERVER_PID")
    run_win32_ctest build/win32 "$server"
    wine_harness_stop build/win32 || failed_suites+=("harness stop")

    echo "== fuzz smoke runs"
    fuzzers=(build/fuzz/fuzz/fuzz_*)
    for f in "${fuzzers[@]}"; do
        [ -x "$f" ] || continue
        while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n; done
        fuzz_smoke "$f" &
    done
    wait
    for f in "${fuzzers[@]}"; do
        [ -x "$f" ] || continue
        n=$(basename "$f" | sed 's/^fuzz_//')
        if grep -q 'failures="0"' "$reports/fuzz_$n.xml" 2>/dev/null; then
            echo "fuzz_$n: ok"
        else
            saved=$(ls "$reports/fuzz_$n-"* 2>/dev/null | paste -sd ' ' -)
            echo "fuzz_$n: FAILED${saved:+ (input saved as $saved)}"
            tail -30 "$reports/fuzz_$n.log"
            failed_suites+=("fuzz_$n")
        fi
    done
fi

# Count test cases from the gtest reports (each executable writes one XML file).
# Per tree first (native/, win32/, fuzz runs at the top), then the total on the last line.
python3 - "$reports" >"$reports/counts.txt" <<'PY'
import sys, pathlib, xml.etree.ElementTree as ET
root = pathlib.Path(sys.argv[1])
counts = {}
for x in root.rglob('*.xml'):
    kind = x.parent.name if x.parent != root else 'fuzz'
    p, f = counts.get(kind, (0, 0))
    try:
        r = ET.parse(x).getroot()
        t = int(r.get('tests', 0)); bad = int(r.get('failures', 0)) + int(r.get('errors', 0))
        dis = int(r.get('disabled', 0)) + int(r.get('skipped', 0))
        p += t - bad - dis; f += bad
    except ET.ParseError:
        f += 1
    counts[kind] = (p, f)
for kind in ('native', 'win32', 'fuzz'):
    if kind in counts:
        print(kind, *counts[kind])
print('total', sum(c[0] for c in counts.values()), sum(c[1] for c in counts.values()))
PY
while read -r kind p f; do
    [ "$kind" = total ] && { passed=$p; failed=$f; continue; }
    echo "$kind: $p passed, $f failed"
done <"$reports/counts.txt"
if [ ${#failed_suites[@]} -gt 0 ] && [ "$failed" = 0 ]; then
    failed=${#failed_suites[@]}   # a suite crashed before writing its report
fi
echo
[ ${#failed_suites[@]} -gt 0 ] && echo "failing: ${failed_suites[*]}"
echo "$passed passed, $failed failed"
[ ${#failed_suites[@]} -eq 0 ] && [ "$failed" = 0 ]
