#!/usr/bin/env bash
# Opens and closes the reader's window five times under a real window manager (openbox on
# Xvfb) with a fresh data folder, closing it through the window manager as a user would.
# The window bounds saved at each close must be those it opened with: a frame added by the
# window manager must not make the window grow or move from run to run.
# Usage: reopen-under-wm.sh QUILLMAR_BINARY. Exits 77 (skipped) when Xvfb, openbox or wmctrl
# is missing or the display cannot be started.
set -u
reader=$1
for tool in Xvfb openbox wmctrl; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d /tmp/qm-wm-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number, chosen by Xvfb itself.
exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then
  echo "SKIP: Xvfb did not start: $(head -c 300 "$work/xvfb.log")"
  exit 77
fi
export DISPLAY=":$(head -n1 "$work/display" | tr -d '[:space:]')"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb HOME="$work"
# No session bus here: with none named, the D-Bus library forks a helper to start one from the
# reader's D-Bus thread while other threads run, and under the sanitizers such a child can hang
# spinning on a lock for ever, long after the test. A bus address that leads nowhere forks none.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The server answers before anything is started on it (a busy machine may be slow).
for _ in $(seq 200); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
if ! xdpyinfo >/dev/null 2>&1; then
  echo "SKIP: Xvfb on $DISPLAY does not answer: $(head -c 300 "$work/xvfb.log")"
  exit 77
fi
for attempt in 1 2 3; do
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
  wmctrl -m >/dev/null 2>&1 && break
done
if ! wmctrl -m >/dev/null 2>&1; then
  echo "FAIL: openbox did not start on $DISPLAY: $(head -c 300 "$work/openbox.log")"
  exit 1
fi

data="$work/data"
bounds() { grep -E '^(tleft|ttop|twidth|theight)=' "$data"/*.ini | tr -d '\r' | tr '\n' ' '; }
# A headless run writes the default settings file; the window then opens at these bounds.
"$reader" --data-dir "$data" --page-info >"$work/run0.log" 2>&1 || {
  echo "FAIL: the headless run failed"; cat "$work/run0.log"; exit 1; }
sed -i -e 's/^tleft=.*/tleft=100\r/' -e 's/^ttop=.*/ttop=80\r/' \
  -e 's/^twidth=.*/twidth=600\r/' -e 's/^theight=.*/theight=500\r/' "$data"/*.ini
previous=$(bounds)
echo "set:   $previous"
for run in 1 2 3 4 5; do
  "$reader" --data-dir "$data" >"$work/run$run.log" 2>&1 &
  reader_pid=$!
  # Wait until the window manager manages the window, then close it as its close box would.
  # A sanitizer build on a busy machine takes many seconds to show it: a minute is allowed.
  shown=0
  for _ in $(seq 1200); do
    if wmctrl -l -p | awk -v p="$reader_pid" '$3 == p' | grep -q .; then shown=1; break; fi
    sleep 0.05
  done
  if [ "$shown" -ne 1 ]; then
    kill "$reader_pid" 2>/dev/null
    echo "FAIL: run $run: the window never appeared"; cat "$work/run$run.log"; exit 1
  fi
  sleep 0.5 # let the window manager finish framing the window before closing it
  wmctrl -i -c "$(wmctrl -l -p | awk -v p="$reader_pid" '$3 == p {print $1; exit}')"
  for _ in $(seq 1200); do kill -0 "$reader_pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$reader_pid" 2>/dev/null; then
    kill "$reader_pid"
    echo "FAIL: run $run: the window did not close"; exit 1
  fi
  wait "$reader_pid"
  now=$(bounds)
  echo "run $run: $now"
  if [ -n "$previous" ] && [ "$now" != "$previous" ]; then
    echo "FAIL: the saved window bounds moved from '$previous' to '$now'"
    exit 1
  fi
  previous=$now
done
[ -n "$previous" ] || { echo "FAIL: no window bounds were saved"; exit 1; }
echo "the saved window bounds held for five runs"
