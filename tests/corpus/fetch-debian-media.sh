#!/usr/bin/env bash
# Fetches Debian packages that ship audio and video files made by other people, keeps only those
# files in a cache outside the checkout, and prints their paths, one a line.
#
# Usage: tests/corpus/fetch-debian-media.sh [CACHE]
#   CACHE defaults to debian-media/ in $ZARVO_CORPUS_CACHE, else in ${XDG_CACHE_HOME:-~/.cache}/zarvo.
# The packages are downloaded (never installed) once; a later run only lists the files. Each
# package's files are gathered in a temporary folder beside the cache and renamed into place
# once whole, so a fetch that was interrupted leaves nothing that is listed, and is made again by
# the next run; runs at the same time take turns. Exits non-zero, saying why, when a package
# cannot be had.
set -euo pipefail
cache=${1:-${ZARVO_CORPUS_CACHE:-${XDG_CACHE_HOME:-${HOME:-/var/tmp}/.cache}/zarvo}/debian-media}

packages=(
    python3-sage python3-mecavideo forensics-samples-files planetblupi-common k3b-data devede
    gnome-user-docs linphone-common mkvtoolnix-gui python3-imageio
    golang-github-gabriel-vasile-mimetype-dev
    libpython3.11-testsuite alsa-utils golang-github-hjfreyer-taglib-go-dev
    sound-theme-freedesktop
)
# File names that hold audio or video in the packages above.
media='.*\.(3g2|3gp|aac|ac3|aif|aiff|amr|asf|au|avi|dv|flac|flv|m2ts|m4a|m4v|mj2|mka|mkv|mov|mp2|mp3|mp4|mpeg|mpg|mts|mxf|nut|oga|ogg|ogv|opus|spx|ts|vob|wav|webm|wma|wmv|wv)'

say() { echo "fetch-debian-media.sh: $*" >&2; }

cache=${cache%/}
parent=$(dirname "$cache")
base=$(basename "$cache")
mkdir -p "$cache"
# One run at a time; the lock is held until the last program this run started has ended.
exec 9>"$parent/.$base.lock"
flock 9
# What an interrupted run left.
find "$parent" -mindepth 1 -maxdepth 1 -name ".$base.making-*" -exec rm -rf {} +
work=
trap 'rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP
for package in "${packages[@]}"; do
    [ -e "$cache/$package/.done" ] && continue
    work=$(mktemp -d "$parent/.$base.making-$package-XXXXXX")
    mkdir "$work/deb"
    if ! (cd "$work/deb" && apt-get download -q "$package" >/dev/null 2>"$work/error"); then
        # The package lists may be missing or old on a fresh machine.
        apt-get update -qq >/dev/null 2>&1 || true
        if ! (cd "$work/deb" && apt-get download -q "$package" >/dev/null 2>"$work/error"); then
            say "cannot download $package: $(tail -n 1 "$work/error")"
            exit 1
        fi
    fi
    dpkg-deb -x "$work"/deb/*.deb "$work/root"
    mkdir "$work/media"
    # Only the media files are kept, each under its path in the package.
    (cd "$work/root" && find . -type f -regextype posix-extended -iregex "$media" -print0 |
        xargs -0 -r cp --parents -t "$work/media")
    touch "$work/media/.done"
    rm -rf "${cache:?}/$package"
    mv -T "$work/media" "$cache/$package"
    rm -rf "$work"
done
for package in "${packages[@]}"; do
    find "$cache/$package" -type f ! -name .done -print
done | LC_ALL=C sort
