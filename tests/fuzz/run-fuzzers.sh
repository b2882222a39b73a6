#!/usr/bin/env bash
# Runs every fuzz target at the same time for SECONDS each, seeded from the fixture clips, and
# prints each one's executions per second and total executions. The corpus, logs and any crash
# inputs stay in a temporary directory, never in the repository; it is removed afterwards
# unless a target wrote an input, in which case its path is printed.
#
#   tests/fuzz/run-fuzzers.sh SECONDS [BUILD_DIR]     (BUILD_DIR defaults to build-fuzz)
#
# Needs clang and libclang-rt-14-dev. Exit status 1 when a target found something: a crash, a
# broken promise, an input that ran past -timeout, a leak or too much memory; turn its input into
# a file under tests/fuzz/regressions/TARGET/ once fixed. A slow unit (an input that took long,
# but less than -timeout, which a busy machine makes of any heavy input) is information: its
# path is printed, and it fails nothing.
set -euo pipefail
seconds=${1:?usage: run-fuzzers.sh SECONDS [BUILD_DIR]}
cd "$(dirname "$0")/../.."
build=${2:-build-fuzz}
targets=(classify file h264 aac blocks)

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DZARVO_FUZZ=ON -DZARVO_WERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
for target in "${targets[@]}"; do
    # A failed build stops the run (pipefail), rather than fuzzing what an earlier build left.
    cmake --build "$build" --target "fuzz_$target" "fuzz_seeds_$target" | { grep -v '^\[' || true; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/zarvo-fuzz-run-XXXXXX")
clips=(tests/media/*.avi tests/media/*.mkv tests/media/*.mp4 tests/media/*.ogv
       tests/media/*.mpg tests/media/*.wmv tests/media/*.wav)
pids=()
for target in "${targets[@]}"; do
    dir="$work/$target"
    mkdir -p "$dir/seeds" "$dir/corpus" "$dir/found" "$dir/tmp"
    "$build/tests/fuzz/fuzz_seeds_$target" "$dir/seeds" "${clips[@]}" >/dev/null
    # New inputs go to the first directory only; the seeds are read, never changed.
    (cd "$dir" && TMPDIR="$dir/tmp" exec "$OLDPWD/$build/tests/fuzz/fuzz_$target" \
        corpus seeds -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$dir/found/" -print_final_stats=1 >"$dir/log" 2>&1) &
    pids+=($!)
done

failed=0 kept=0
for i in "${!targets[@]}"; do
    target=${targets[$i]}
    status=0
    wait "${pids[$i]}" || status=$?
    log="$work/$target/log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "fuzz_$target: ${runs:-?} executions in ${seconds} s, ${speed:-?} per second"
    # libFuzzer names what it writes by kind: crash-, timeout-, leak-, oom- or slow-unit-.
    findings=0
    for input in "$work/$target/found"/*; do
        [ -e "$input" ] || continue
        kept=1
        case $(basename "$input") in
        slow-unit-*) echo "fuzz_$target: a slow input, for information: $input" ;;
        *) findings=$((findings + 1)) ;;
        esac
    done
    if [ "$status" -ne 0 ] || [ "$findings" -ne 0 ]; then
        echo "fuzz_$target found something (exit status $status): see $work/$target/" >&2
        grep -m 20 -E 'ERROR|broken promise|SUMMARY|Test unit written' "$log" >&2 || true
        failed=1
    fi
done
if [ "$failed" -eq 0 ] && [ "$kept" -eq 0 ]; then
    rm -rf "$work"
elif [ "$failed" -eq 0 ]; then
    # Only the slow inputs and the logs are worth keeping.
    for target in "${targets[@]}"; do
        rm -rf "${work:?}/$target/corpus" "$work/$target/seeds" "$work/$target/tmp"
    done
fi
exit "$failed"
