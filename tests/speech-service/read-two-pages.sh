#!/usr/bin/env bash
# Reads two pages of the built-in book aloud through the real window and a private speech
# service (scripts/with-speech-service.sh); then the headless run, quillmar --read-aloud N,
# reads through the same service: it prints one "lit" line per line read and one "turned" line
# per page turn, and exits 0. Exits 77 (skipped) only when the speech service or its espeak-ng
# voice is not installed.
#
# Usage: read-two-pages.sh TEST_UI_PROGRAM QUILLMAR_PROGRAM
set -u
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" != --inside ]; then
    exec bash "$here/../../scripts/with-speech-service.sh" bash "$here/read-two-pages.sh" \
        --inside "$@"
fi
test_ui=$2
quillmar=$3

QM_SPEECH_SERVICE=1 QT_QPA_PLATFORM=offscreen \
    "$test_ui" --gtest_filter='WindowTest.TheSpeechServiceReadsTwoPages*' || exit 1

mkdir -p "$HOME/data"
printed=$(QT_QPA_PLATFORM=offscreen \
    "$quillmar" --data-dir "$HOME/data" --toc 2 --read-aloud 30 2>"$HOME/stderr")
ran=$?
lit=$(grep -c '^lit [0-9]*$' <<<"$printed")
turned=$(grep -c '^turned [0-9]*$' <<<"$printed")
others=$(grep -vc '^\(lit\|turned\) [0-9]*$' <<<"$printed")
if [ $ran -ne 0 ] || [ "$lit" -ne 30 ] || [ "$turned" -lt 1 ] || [ "$others" -ne 0 ]; then
    echo "quillmar --read-aloud 30 exited $ran with $lit lit, $turned turned lines:"
    echo "$printed"
    cat "$HOME/stderr"
    exit 1
fi
echo "quillmar --read-aloud 30: 30 lines lit, $turned page turns"
