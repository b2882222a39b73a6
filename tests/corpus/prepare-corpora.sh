#!/usr/bin/env bash
# Fetches the media from Debian packages and makes the clips of today's codecs, both cached
# outside the checkout, then writes what the tests that read them need into LISTS: debian.list
# and modern.list, the files one a line, and folders, the two cache folders one a line. Each is
# renamed into place once whole; a run that fails leaves none of them.
#
# Usage: tests/corpus/prepare-corpora.sh LISTS
#   The cache is $ZARVO_CORPUS_CACHE, else ${XDG_CACHE_HOME:-~/.cache}/zarvo.
set -euo pipefail
lists=${1:?usage: prepare-corpora.sh LISTS}
here=$(dirname "$(readlink -f "$0")")
cache=${ZARVO_CORPUS_CACHE:-${XDG_CACHE_HOME:-${HOME:-/var/tmp}/.cache}/zarvo}
say() { echo "prepare-corpora.sh: $*" >&2; }

mkdir -p "$lists"
rm -f "$lists/debian.list" "$lists/modern.list" "$lists/folders"
log=$(mktemp)
trap 'rm -f "$log" "$lists"/*.new' EXIT
if ! "$here/fetch-debian-media.sh" "$cache/debian-media" >"$lists/debian.list.new"; then
    say "THE DEBIAN MEDIA CORPUS COULD NOT BE FETCHED; the tests that read it do not run."
    exit 1
fi
if ! "$here/make-modern.sh" "$cache/modern-media" >"$lists/modern.list.new" 2>"$log"; then
    cat "$log" >&2
    say "THE MODERN CLIPS COULD NOT BE MADE; the tests that read them do not run."
    exit 1
fi
for list in debian modern; do
    if [ ! -s "$lists/$list.list.new" ]; then
        say "the $list corpus holds no files"
        exit 1
    fi
done
printf '%s\n' "$cache/debian-media" "$cache/modern-media" >"$lists/folders.new"
for file in debian.list modern.list folders; do
    mv "$lists/$file.new" "$lists/$file"
done
echo "prepare-corpora.sh: $(wc -l <"$lists/debian.list") files from Debian packages," \
    "$(wc -l <"$lists/modern.list") modern clips"
