#!/usr/bin/env bash
# Runs a command beside a private speech service: speech-dispatcher with its own configuration
# under a temporary HOME (the espeak-ng voice at its highest rate, sound sent to ALSA's "null"
# device, since a CI machine has no sound card), on a socket of its own and with no autospawn,
# so the user's service is neither used nor started. The command finds it through
# SPEECHD_ADDRESS; HOME and XDG_RUNTIME_DIR point into the temporary folder, which is removed
# afterwards. Exits with the command's status, or 77 when speech-dispatcher or its espeak-ng
# voice is not installed.
#
# Usage: with-speech-service.sh COMMAND [ARGUMENT...]
set -u

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
chmod 700 "$home/run"
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
    grep -v 'LINE here' "$home/log/speech-dispatcher.log" 2>/dev/null | tail -n 20
    exit 1
fi

export SPEECHD_ADDRESS="unix_socket:$socket"
"$@"
status=$?
if [ $status -ne 0 ] && [ $status -ne 77 ]; then
    echo "speech-dispatcher's log:"
    grep -v 'LINE here' "$home/log/speech-dispatcher.log" 2>/dev/null | tail -n 30
fi
exit $status
