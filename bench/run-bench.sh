#!/usr/bin/env bash
# Zarvo's speed benchmark: builds zarvo-report and zarvo-bench (Release, in build-bench/), makes
# a corpus of clips in a temporary folder, times Zarvo beside libavformat's bare open and probe,
# mediainfo and ffprobe, and prints one table of medians and ratios. Removes the folder after.
#
# Usage: bench/run-bench.sh [--files N] [--quick]
#   --files N  clips in the generated corpus (default 300)
#   --quick    fewer repetitions everywhere: for trying the script, not for numbers
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

files=300
quick=0
while [ $# -gt 0 ]; do
    case $1 in
    --files) files=${2:?--files needs a count}; shift 2 ;;
    --quick) quick=1; shift ;;
    -h | --help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run-bench.sh: unknown argument '$1'" >&2; exit 2 ;;
    esac
done
# Repetitions: in-process per fixture, per corpus file and per padded clip; process runs.
if [ "$quick" -eq 1 ]; then
    fixture_iterations=20 corpus_iterations=3 batch_runs=2 ffprobe_runs=1 single_runs=10
    memory_runs=3
else
    fixture_iterations=300 corpus_iterations=15 batch_runs=7 ffprobe_runs=3 single_runs=60
    memory_runs=11
fi

say() { echo "run-bench.sh: $*" >&2; }
# hyperfine's warnings about noise go to a log, shown only when a run fails.
timed() { hyperfine "$@" >/dev/null 2>>"$work/hyperfine.log" || { cat "$work/hyperfine.log" >&2; exit 1; }; }

# The build's packages and the comparison tools, installed only when missing.
packages=(g++ cmake ninja-build pkg-config libavformat-dev libavcodec-dev libavutil-dev
          qt6-base-dev libgl-dev googletest libgtest-dev libgmock-dev
          ffmpeg mediainfo hyperfine python3 time)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    say "installing ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

build="$repo/build-bench"
say "building into $build"
# Only the two programs are built, but the folder stays fit for the tests as well.
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_BENCH=ON \
    -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" --target zarvo-report zarvo-bench -j 2 >/dev/null
report="$build/cli/zarvo-report"
inprocess="$build/bench/zarvo-bench"

work=$(mktemp -d "${TMPDIR:-/tmp}/zarvo-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM # interrupted: still through the clean-up above

fixtures=()
for clip in "$repo"/tests/media/*; do
    case $clip in *.sh) ;; *) fixtures+=("$clip") ;; esac
done
sample="$repo/tests/media/xvid_mp3.avi" # the clip ./run shows

say "making $files clips with ffmpeg"
"$repo/bench/make-corpus.sh" "$work/corpus" "$files"
corpus=("$work"/corpus/*)

# 1. In-process report against the bare libavformat open and probe.
say "timing the report in-process"
"$inprocess" --iterations "$fixture_iterations" "${fixtures[@]}" >"$work/fixtures.tsv"
"$inprocess" --iterations "$corpus_iterations" "${corpus[@]}" >"$work/corpus.tsv"
"$inprocess" --compare "${fixtures[@]}" "${corpus[@]}" >"$work/compare.txt" || true

# 2. The corpus in one process against mediainfo, and against ffprobe once per file.
say "timing ${#corpus[@]} files in one process"
printf '%s\n' "${corpus[@]}" >"$work/list"
timed -N --style none --warmup 1 --runs "$batch_runs" --export-json "$work/batch.json" \
    -n zarvo-report "$report -- ${corpus[*]}" -n mediainfo "mediainfo ${corpus[*]}"
timed -N --style none --runs "$ffprobe_runs" --export-json "$work/ffprobe.json" \
    -n ffprobe "xargs -a $work/list -n 1 ffprobe -v quiet -show_streams -show_format"

# 3. One file, one process: wall time and peak memory.
say "timing one file in one process"
timed -N --style none --warmup 3 --runs "$single_runs" --export-json "$work/single.json" \
    -n zarvo-report "$report -- $sample" \
    -n ffprobe "ffprobe -v quiet -show_streams -show_format $sample" \
    -n mediainfo "mediainfo $sample" \
    -n "zarvo-report --version" "$report --version"
for tool in zarvo-report ffprobe mediainfo; do
    case $tool in
    zarvo-report) command=("$report" -- "$sample") ;;
    ffprobe) command=(ffprobe -v quiet -show_streams -show_format "$sample") ;;
    mediainfo) command=(mediainfo "$sample") ;;
    esac
    for ((i = 0; i < memory_runs; i++)); do
        /usr/bin/time -f "$tool %M" -a -o "$work/memory.txt" "${command[@]}" >/dev/null
    done
done

# 4. Each fixture padded to 2 GiB with a hole (no disk used) against the fixture itself.
say "timing clips padded to 2 GiB"
mkdir "$work/padded"
padded=()
for clip in "${fixtures[@]}"; do
    copy="$work/padded/$(basename "$clip")"
    cp "$clip" "$copy"
    truncate -s 2G "$copy"
    padded+=("$copy")
done
"$inprocess" --iterations "$corpus_iterations" --only report "${padded[@]}" >"$work/padded.tsv"

# 5. Media nobody here made, and clips of today's codecs: all files in one process each.
say "timing the two test corpora"
"$repo/tests/corpus/fetch-debian-media.sh" >"$work/debian.list"
"$repo/tests/corpus/make-modern.sh" >"$work/modern.list" 2>/dev/null
for set in debian modern; do
    mapfile -t listed <"$work/$set.list"
    # -i: a corpus holds a few files that neither tool can describe.
    timed -N -i --style none --warmup 1 --runs "$batch_runs" --export-json "$work/$set.json" \
        -n zarvo-report "$report -- ${listed[*]}" -n mediainfo "mediainfo ${listed[*]}"
    echo "${#listed[@]}" >"$work/$set.count"
done

python3 "$repo/bench/print-table.py" "$work" "$sample"
