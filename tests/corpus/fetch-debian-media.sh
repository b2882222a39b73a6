#!/usr/bin/env bash
# Fetches Debian packages that ship audio and video files made by other people, keeps only those
# files in a cache outside the checkout, and prints their paths, one a line.
#
# Usage: tests/corpus/fetch-debian-media.sh [CACHE]
#   CACHE defaults to debian-media/ in $ZARVO_CORPUS_CACHE, else in ${XDG_CACHE_HOME:-~/.cache}/zarvo.
# The packages are downloaded (never installed) once; a later run only lists the files. Exits
# non-zero, saying why, when a package cannot be had.
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

mkdir -p "$cache"
for package in "${packages[@]}"; do
    [ -e "$cache/$package/.done" ] && continue
    work=$(mktemp -d)
    if ! (cd "$work" && apt-get download -q "$package" >/dev/null 2>"$work/error"); then
        # The package lists may be missing or old on a fresh machine.
        apt-get update -qq >/dev/null 2>&1 || true
        if ! (cd "$work" && apt-get download -q "$package" >/dev/null 2>"$work/error"); then
            say "cannot download $package: $(tail -n 1 "$work/error")"
            rm -rf "$work"
            exit 1
        fi
    fi
    dpkg-deb -x "$work"/*.deb "$work/root"
    rm -rf "${cache:?}/$package"
    mkdir -p "$cache/$package"
    # Only the media files are kept, each under its path in the package.
    (cd "$work/root" && find . -type f -regextype posix-extended -iregex "$media" -print0 |
        xargs -0 -r cp --parents -t "$cache/$package")
    touch "$cache/$package/.done"
    rm -rf "$work"
done
find "$cache" -type f ! -name .done -print | LC_ALL=C sort
