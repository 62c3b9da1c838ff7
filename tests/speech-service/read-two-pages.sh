#!/usr/bin/env bash
# Reads two pages of the built-in book aloud through the real window and a private speech
# service: speech-dispatcher with its own configuration under a temporary HOME (the espeak-ng
# voice at its highest rate, sound sent to ALSA's "null" device, since a CI machine has no sound
# card), on a socket of its own, so the user's service is neither used nor started.
#
# Then the headless run, quillmar --read-aloud N, reads through the same service: it prints
# one "lit" line per line read and one "turned" line per page turn, and exits 0.
#
# Usage: read-two-pages.sh TEST_UI_PROGRAM QUILLMAR_PROGRAM
# Exits 77 (skipped) only when the speech service or its espeak-ng voice is not installed.
set -u

test_ui=$1
quillmar=$2
modules=/usr/lib/speech-dispatcher-modules
if ! command -v speech-dispatcher >/dev/null || [ ! -x "$modules/sd_espeak-ng" ]; then
    echo "skipped: speech-dispatcher and speech-dispatcher-espeak-ng are not installed" \
         "(scripts/install-deps.sh installs them)"
    exit 77
fi

home=$(mktemp -d "${TMPDIR:-/tmp}/quillmar-speech.XXXXXX")
config=$home/.config/speech-dispatcher
socket=$home/speechd.sock
pid=
cleanup() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    rm -rf "$home"
}
trap cleanup EXIT

mkdir -p "$config/modules" "$home/log" "$home/run"
cp /etc/speech-dispatcher/modules/espeak-ng.conf "$config/modules/" 2>/dev/null ||
    : >"$config/modules/espeak-ng.conf"
cat >"$config/speechd.conf" <<EOF
CommunicationMethod "unix_socket"
SocketPath "$socket"
DisableAutoSpawn
Timeout 0
LogLevel 3
LogDir "$home/log"
AudioOutputMethod "alsa"
AudioALSADevice "null"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
DefaultRate 100
DefaultLanguage "en"
EOF

export HOME=$home XDG_CONFIG_HOME=$home/.config XDG_RUNTIME_DIR=$home/run
speech-dispatcher --run-single --config-dir "$config" --communication-method unix_socket \
    --socket-path "$socket" --timeout 0 --log-dir "$home/log" --pid-file "$home/run/pid" \
    >"$home/log/stdout" 2>&1 &
pid=$!

# The service lists its voices before it listens; on a busy machine that takes a while.
for _ in $(seq 1 300); do
    [ -S "$socket" ] && break
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "speech-dispatcher stopped at start:"
        tail -n 20 "$home/log/stdout" "$home/log/speech-dispatcher.log" 2>/dev/null
        exit 1
    fi
    sleep 0.2
done
if [ ! -S "$socket" ]; then
    echo "speech-dispatcher made no socket in 60 s:"
    tail -n 20 "$home/log/speech-dispatcher.log" 2>/dev/null
    exit 1
fi

export SPEECHD_ADDRESS="unix_socket:$socket" QM_SPEECH_SERVICE=1 QT_QPA_PLATFORM=offscreen
"$test_ui" --gtest_filter='WindowTest.TheSpeechServiceReadsTwoPages*'
status=$?

if [ $status -eq 0 ]; then
    mkdir -p "$home/data"
    printed=$("$quillmar" --data-dir "$home/data" --toc 2 --read-aloud 30 2>"$home/log/stderr")
    ran=$?
    lit=$(grep -c '^lit [0-9]*$' <<<"$printed")
    turned=$(grep -c '^turned [0-9]*$' <<<"$printed")
    others=$(grep -vc '^\(lit\|turned\) [0-9]*$' <<<"$printed")
    if [ $ran -ne 0 ] || [ "$lit" -ne 30 ] || [ "$turned" -lt 1 ] || [ "$others" -ne 0 ]; then
        echo "quillmar --read-aloud 30 exited $ran with $lit lit, $turned turned lines:"
        echo "$printed"
        cat "$home/log/stderr"
        status=1
    else
        echo "quillmar --read-aloud 30: 30 lines lit, $turned page turns"
    fi
fi
if [ $status -ne 0 ]; then
    echo "speech-dispatcher's log:"
    grep -v 'LINE here' "$home/log/speech-dispatcher.log" 2>/dev/null | tail -n 30
fi
exit $status
