#!/usr/bin/env bash
# Two builds of zarvo-report side by side, on a machine whose speed drifts from minute to minute:
# each round runs every case once with each build, in turn, after a short pause (so that one
# run's readers have gone before the next starts), and the table gives each case's median over
# the rounds and the second build's time as a share of the first's. Reports are not compared.
#
# Usage: bench/compare-builds.sh BEFORE AFTER FILE [ROUNDS] -- PATH...
#   BEFORE, AFTER  two zarvo-report programs      FILE  the one-file case
#   ROUNDS         how many rounds (default 25)   PATH...  what the batch cases read with -r
set -euo pipefail
usage="usage: compare-builds.sh BEFORE AFTER FILE [ROUNDS] -- PATH..."
before=$(realpath "${1:?$usage}")
after=$(realpath "${2:?$usage}")
file=${3:?$usage}
shift 3
rounds=25
if [ "${1:-}" != "--" ]; then rounds=${1:?}; shift; fi
[ "${1:-}" = "--" ] || { echo "compare-builds.sh: the paths come after --" >&2; exit 2; }
shift
[ $# -gt 0 ] || { echo "compare-builds.sh: no paths to read" >&2; exit 2; }

python3 - "$rounds" "$before" "$after" "$file" "$@" <<'PY'
import statistics, subprocess, sys, time
rounds, before, after, one = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
paths = sys.argv[5:]
cases = [("-r -j 1", ["-r", "-j", "1", *paths]), ("-r -j 2", ["-r", "-j", "2", *paths]),
         ("one file", [one])]
times = {(name, build): [] for name, _ in cases for build in (before, after)}
def run(build, arguments):
    time.sleep(0.15)
    start = time.perf_counter()
    subprocess.run([build, *arguments], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1000
for name, arguments in cases:  # a warm-up run of each, not counted
    run(before, arguments); run(after, arguments)
for _ in range(rounds):
    for name, arguments in cases:
        for build in (before, after):
            times[(name, build)].append(run(build, arguments))
print(f"| case ({rounds} rounds) | before, median ms | after, median ms | after / before |")
print("|---|---:|---:|---:|")
for name, _ in cases:
    b, a = statistics.median(times[(name, before)]), statistics.median(times[(name, after)])
    print(f"| {name} | {b:.1f} | {a:.1f} | {a / b:.2f}x |")
PY
