#!/usr/bin/env bash
# Zarvo on a whole folder: builds zarvo-report (Release, in build-bench/), makes a tree of FILES
# hard links (10,000 by default) to the test fixtures and a generated corpus, checks that -j 1 and
# -j 2 write the same bytes, then times `zarvo-report -r -j 1`, `-j 2` and `mediainfo` (which
# recurses into folders) over the tree and prints a table of medians. Removes the tree after.
#
# Usage: bench/run-folder-bench.sh [--files N] [--clips N] [--runs N]
#   --files N  files in the tree (default 10000)
#   --clips N  clips made with ffmpeg for the tree (default 100), beside the fixtures
#   --runs N   timed runs of each command (default 3)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

files=10000 clips=100 runs=3
while [ $# -gt 0 ]; do
    case $1 in
    --files) files=${2:?--files needs a count}; shift 2 ;;
    --clips) clips=${2:?--clips needs a count}; shift 2 ;;
    --runs) runs=${2:?--runs needs a count}; shift 2 ;;
    -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run-folder-bench.sh: unknown argument '$1'" >&2; exit 2 ;;
    esac
done
say() { echo "run-folder-bench.sh: $*" >&2; }
for tool in cmake ffmpeg mediainfo hyperfine python3; do
    command -v "$tool" >/dev/null || { say "needs $tool (bench/run-bench.sh installs it)"; exit 1; }
done

build="$repo/build-bench"
say "building zarvo-report into $build"
# The same settings as bench/run-bench.sh, so the two scripts share the folder.
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZARVO_BENCH=ON \
    -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" --target zarvo-report -j 2 >/dev/null
report="$build/cli/zarvo-report"

work=$(mktemp -d "${TMPDIR:-/tmp}/zarvo-folder-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM # interrupted: still through the clean-up above

say "making $clips clips with ffmpeg"
"$repo/bench/make-corpus.sh" "$work/corpus" "$clips"
pool=("$work"/corpus/*)
for clip in "$repo"/tests/media/*; do
    case $clip in *.sh) ;; *) pool+=("$clip") ;; esac
done

# Hard links: real files to every program, no disk used, and links work only on one file system,
# so the pool is copied next to the tree first.
say "linking $files files in 100 folders"
mkdir "$work/pool" "$work/tree"
for clip in "${pool[@]}"; do cp "$clip" "$work/pool/"; done
pool=("$work"/pool/*)
for ((i = 0; i < files; i++)); do
    folder="$work/tree/$(printf 'd%02d' $((i % 100)))"
    [ -d "$folder" ] || mkdir "$folder"
    clip=${pool[$((i % ${#pool[@]}))]}
    ln "$clip" "$folder/$(printf 'f%05d' "$i").${clip##*.}"
done

say "checking that -j 1 and -j 2 write the same"
"$report" -r -j 1 "$work/tree" >"$work/j1.txt" 2>"$work/j1.err"
"$report" -r -j 2 "$work/tree" >"$work/j2.txt" 2>"$work/j2.err"
cmp "$work/j1.txt" "$work/j2.txt"
cmp "$work/j1.err" "$work/j2.err"
say "$(tail -n 1 "$work/j1.err")"

say "timing $runs runs of each (the machine may be shared: the spread is shown)"
hyperfine -N --style none --warmup 1 --runs "$runs" --export-json "$work/times.json" \
    -n "zarvo-report -r -j 1" "$report -r -j 1 $work/tree" \
    -n "zarvo-report -r -j 2" "$report -r -j 2 $work/tree" \
    -n "mediainfo" "mediainfo $work/tree" >/dev/null 2>"$work/hyperfine.log" ||
    { cat "$work/hyperfine.log" >&2; exit 1; }

python3 - "$work/times.json" "$files" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
files = int(sys.argv[2])
base = results[0]["median"]
print(f"| command ({files:,} files) | median wall s | min-max s | ms a file | vs -j 1 |")
print("|---|---:|---:|---:|---:|")
for r in results:
    print(f"| {r['command']} | {r['median']:.2f} | {r['min']:.2f}-{r['max']:.2f} | "
          f"{1000 * r['median'] / files:.3f} | {r['median'] / base:.2f}x |")
PY
