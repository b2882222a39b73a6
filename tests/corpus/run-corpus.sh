#!/usr/bin/env bash
# Fetches and makes both corpora (media from Debian packages, and clips of today's codecs), then
# holds every file's report to the full analysis's with corpus_check.
#
# Usage: tests/corpus/run-corpus.sh CORPUS_CHECK
set -euo pipefail
check=${1:?usage: run-corpus.sh CORPUS_CHECK}
here=$(dirname "$(readlink -f "$0")")
lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT

if ! "$here/fetch-debian-media.sh" >"$lists/debian"; then
    echo "run-corpus.sh: THE DEBIAN MEDIA CORPUS COULD NOT BE FETCHED; the corpus test fails." >&2
    exit 1
fi
if ! "$here/make-modern.sh" >"$lists/modern" 2>"$lists/make.log"; then
    cat "$lists/make.log" >&2
    echo "run-corpus.sh: THE MODERN CLIPS COULD NOT BE MADE; the corpus test fails." >&2
    exit 1
fi
echo "run-corpus.sh: $(wc -l <"$lists/debian") files from Debian packages," \
    "$(wc -l <"$lists/modern") modern clips"
"$check" "$lists/debian" "$lists/modern"
