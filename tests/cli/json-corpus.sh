#!/usr/bin/env bash
# Holds zarvo-report --json to the text report over both corpora, which it fetches and makes
# first (both are cached).
#
# Usage: tests/cli/json-corpus.sh JSON_TEST
set -euo pipefail
test=${1:?usage: json-corpus.sh JSON_TEST}
corpus=$(dirname "$(readlink -f "$0")")/../corpus
cache=${ZARVO_CORPUS_CACHE:-${XDG_CACHE_HOME:-${HOME:-/var/tmp}/.cache}/zarvo}
"$corpus/fetch-debian-media.sh" >/dev/null
"$corpus/make-modern.sh" >/dev/null 2>&1
ZARVO_JSON_TREES="$cache/debian-media:$cache/modern-media" \
    exec "$test" --gtest_also_run_disabled_tests \
    --gtest_filter='JsonReportTest.DISABLED_TheNumbersAreTheTextReportsOnTheCorpora'
