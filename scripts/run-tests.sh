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

if [ "$what" = native ] || [ "$what" = all ]; then
    run_ctest build/native native
fi

if [ "$what" = all ]; then
    # shellcheck source=wine-harness.sh
    source scripts/wine-harness.sh
    wine_harness_start build/win32 || { echo "Wine harness did not start"; exit 1; }
    run_ctest build/win32 win32
    wine_harness_stop

    echo "== fuzz smoke runs"
    for f in build/fuzz/fuzz/fuzz_*; do
        [ -x "$f" ] || continue
        n=$(basename "$f" | sed 's/^fuzz_//')
        # New inputs go to a scratch folder (the first corpus), never into the sources.
        scratch="$reports/fuzz_$n.corpus"
        mkdir -p "$scratch"
        corpus=("$scratch")
        [ -d "fuzz/corpus/$n" ] && corpus+=("fuzz/corpus/$n")
        if "$f" -runs=20000 -max_len=4096 "${corpus[@]}" >"$reports/fuzz_$n.log" 2>&1; then
            echo "fuzz_$n: ok"
            echo "<testsuite tests=\"1\" failures=\"0\"/>" >"$reports/fuzz_$n.xml"
        else
            echo "fuzz_$n: FAILED"; tail -30 "$reports/fuzz_$n.log"
            echo "<testsuite tests=\"1\" failures=\"1\"/>" >"$reports/fuzz_$n.xml"
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
