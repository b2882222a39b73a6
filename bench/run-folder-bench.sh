#!/usr/bin/env bash
# Zarvo on a whole folder: builds zarvo-report (Release, in build-bench/), makes a tree of FILES
# hard links (10,000 by default) to the test fixtures and a generated corpus, checks that every
# job count timed writes the same bytes, then times `zarvo-report -r -j N` for each N (1 and 2 by
# default) and `mediainfo` (which recurses into folders) over the tree and prints a table of
# medians. Removes the tree after. The tree is made under $TMPDIR (/tmp when not set).
#
# Usage: bench/run-folder-bench.sh [--files N] [--clips N] [--runs N] [--jobs LIST] [--small]
#                                  [--no-mediainfo]
#   --files N       files in the tree (default 10000)
#   --clips N       clips made with ffmpeg for the tree (default 100), beside the fixtures
#   --runs N        timed runs of each command (default 3)
#   --jobs LIST     the job counts timed, as in "2 8 256" (default "1 2")
#   --small         the tree holds small files instead: a text, 1 KiB of random bytes and a
#                   one-second wave file, in 200 folders; no clips are made
#   --no-mediainfo  time zarvo-report only
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

files=10000 clips=100 runs=3 jobs="1 2" small=0 mediainfo=1
while [ $# -gt 0 ]; do
    case $1 in
    --files) files=${2:?--files needs a count}; shift 2 ;;
    --clips) clips=${2:?--clips needs a count}; shift 2 ;;
    --runs) runs=${2:?--runs needs a count}; shift 2 ;;
    --jobs) jobs=${2:?--jobs needs a list of counts}; shift 2 ;;
    --small) small=1; shift ;;
    --no-mediainfo) mediainfo=0; shift ;;
    -h | --help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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

mkdir "$work/pool" "$work/tree"
if [ "$small" = 1 ]; then
    echo "plain text, not media" >"$work/pool/notes.txt"
    head -c 1024 /dev/urandom >"$work/pool/random.bin"
    cp "$repo/tests/media/pcm.wav" "$work/pool/"
    folders=200
else
    say "making $clips clips with ffmpeg"
    "$repo/bench/make-corpus.sh" "$work/corpus" "$clips"
    # Links work only on one file system, so the pool is copied next to the tree first.
    for clip in "$work"/corpus/* "$repo"/tests/media/*; do
        case $clip in *.sh) ;; *) cp "$clip" "$work/pool/" ;; esac
    done
    folders=100
fi
pool=("$work"/pool/*)

# Hard links: real files to every program, and no disk used.
say "linking $files files in $folders folders"
python3 - "$work/tree" "$files" "$folders" "${pool[@]}" <<'PY'
import os, sys
tree, files, folders, pool = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:]
for i in range(files):
    folder = os.path.join(tree, "d%03d" % (i % folders))
    os.makedirs(folder, exist_ok=True)
    clip = pool[i % len(pool)]
    os.link(clip, os.path.join(folder, "f%06d%s" % (i, os.path.splitext(clip)[1])))
PY

read -r -a counts <<<"$jobs"
say "checking that -j ${counts[*]} write the same"
for n in "${counts[@]}"; do
    "$report" -r -j "$n" "$work/tree" >"$work/j$n.txt" 2>"$work/j$n.err" || true
    cmp "$work/j${counts[0]}.txt" "$work/j$n.txt"
    cmp "$work/j${counts[0]}.err" "$work/j$n.err"
done
say "$(tail -n 1 "$work/j${counts[0]}.err")"

commands=()
for n in "${counts[@]}"; do
    commands+=(-n "zarvo-report -r -j $n" "$report -r -j $n $work/tree")
done
[ "$mediainfo" = 0 ] || commands+=(-n "mediainfo" "mediainfo $work/tree")
say "timing $runs runs of each (the machine may be shared: the spread is shown)"
hyperfine -N -i --style none --warmup 1 --runs "$runs" --export-json "$work/times.json" \
    "${commands[@]}" >/dev/null 2>"$work/hyperfine.log" || { cat "$work/hyperfine.log" >&2; exit 1; }

python3 - "$work/times.json" "$files" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
files = int(sys.argv[2])
base = results[0]
print(f"| command ({files:,} files) | median wall s | min-max s | user+sys s | ms a file | "
      f"vs {' '.join(base['command'].split()[-2:])} |")
print("|---|---:|---:|---:|---:|---:|")
for r in results:
    print(f"| {r['command']} | {r['median']:.2f} | {r['min']:.2f}-{r['max']:.2f} | "
          f"{r['user'] + r['system']:.2f} | {1000 * r['median'] / files:.3f} | "
          f"{r['median'] / base['median']:.2f}x |")
PY
