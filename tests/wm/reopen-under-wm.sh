#!/usr/bin/env bash
# Opens and closes the reader's window five times under a real window manager (openbox on
# Xvfb) with a fresh data folder, closing it through the window manager as a user would.
# The window bounds saved at each close must be those it opened with: a frame added by the
# window manager must not make the window grow or move from run to run. Then the same for a
# book named at start-up, whose collection's bounds are applied after the window is shown:
# the window manager is held until the book has opened, so the bounds come before the frame
# (as they do whenever it frames the window late). Last, a saved position off the screen is
# moved onto it.
# Usage: reopen-under-wm.sh QUILLMAR_BINARY. Exits 77 (skipped) when Xvfb, openbox or wmctrl
# is missing or the display cannot be started.
set -u
reader=$1
for tool in Xvfb openbox wmctrl xwininfo; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d /tmp/qm-wm-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null; kill "$p" 2>/dev/null; wait "$p" 2>/dev/null; done
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
  wm_pid=$!
  pids+=($wm_pid)
  for _ in $(seq 100); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.1; done
  wmctrl -m >/dev/null 2>&1 && break
done
if ! wmctrl -m >/dev/null 2>&1; then
  echo "FAIL: openbox did not start on $DISPLAY: $(head -c 300 "$work/openbox.log")"
  exit 1
fi

data="$work/data"
settings="$data/quillmar.ini"
bounds() { grep -E '^(tleft|ttop|twidth|theight)=' "$1" | tr -d '\r' | tr '\n' ' '; }
set_bounds() { # file left top width height
  sed -i -e "s/^tleft=.*/tleft=$2\r/" -e "s/^ttop=.*/ttop=$3\r/" \
    -e "s/^twidth=.*/twidth=$4\r/" -e "s/^theight=.*/theight=$5\r/" "$1"
}
window_of() { wmctrl -l -p | awk -v p="$1" '$3 == p {print $1; exit}'; }

# Starts the reader with these arguments, waits until the window manager manages its window,
# then closes it as its close box would. With "held" first, the window manager is stopped
# until the window's caption names the book (the book has opened) and only then frames it.
run_reader() {
  local held=0
  if [ "${1:-}" = held ]; then held=1; shift; kill -STOP "$wm_pid"; fi
  "$reader" --data-dir "$data" "$@" >"$work/run.log" 2>&1 &
  reader_pid=$!
  if [ "$held" -eq 1 ]; then
    for _ in $(seq 1200); do
      xwininfo -root -tree 2>/dev/null | grep -q '"Quillmar -- ' && break
      sleep 0.05
    done
    kill -CONT "$wm_pid"
  fi
  # A sanitizer build on a busy machine takes many seconds to show it: a minute is allowed.
  local shown=0
  for _ in $(seq 1200); do
    if [ -n "$(window_of "$reader_pid")" ]; then shown=1; break; fi
    sleep 0.05
  done
  if [ "$shown" -ne 1 ]; then
    kill "$reader_pid" 2>/dev/null
    echo "FAIL: $run_name: the window never appeared"; cat "$work/run.log"; exit 1
  fi
  sleep 0.5 # let the window manager finish framing the window before closing it
  wmctrl -i -c "$(window_of "$reader_pid")"
  for _ in $(seq 1200); do kill -0 "$reader_pid" 2>/dev/null || break; sleep 0.05; done
  if kill -0 "$reader_pid" 2>/dev/null; then
    kill "$reader_pid"
    echo "FAIL: $run_name: the window did not close"; exit 1
  fi
  wait "$reader_pid"
}

# Runs the reader five times; the bounds saved in the settings file must hold.
check_bounds_hold() { # settings-file reader-arguments...
  local file=$1; shift
  local previous now
  previous=$(bounds "$file")
  echo "set:   $previous"
  for run in 1 2 3 4 5; do
    run_name="$run_label run $run"
    run_reader "$@"
    now=$(bounds "$file")
    echo "run $run: $now"
    if [ -z "$now" ] || [ "$now" != "$previous" ]; then
      echo "FAIL: $run_label: the saved window bounds moved from '$previous' to '$now'"
      exit 1
    fi
  done
}

# A headless run writes the default settings file; the window then opens at these bounds.
"$reader" --data-dir "$data" --page-info >"$work/run0.log" 2>&1 || {
  echo "FAIL: the headless run failed"; cat "$work/run0.log"; exit 1; }
set_bounds "$settings" 100 80 600 500
run_label="plain start"
check_bounds_hold "$settings"
echo "the saved window bounds held for five plain starts"

# A book, laid out into the library headless first; its collection has settings of its own.
printf '<html><head><title>Tale</title></head><body><h1>One</h1><p>%s</p></body></html>' \
  "The tale begins and ends on one page." >"$work/tale.html"
"$reader" --data-dir "$data" "$work/tale.html" --page-info >"$work/run0.log" 2>&1 || {
  echo "FAIL: the headless run of the book failed"; cat "$work/run0.log"; exit 1; }
book_settings=$(ls "$data"/*.ini | grep -v '/quillmar\.ini$' | head -n1)
[ -n "$book_settings" ] || { echo "FAIL: the book's collection has no settings file"; exit 1; }
set_bounds "$book_settings" 0 0 700 900
run_label="book at start-up, framed late"
check_bounds_hold "$book_settings" held "$work/tale.html"
echo "the saved window bounds held for five starts with a book"

# A position off the screen (a screen since removed) is moved onto it; the size stays.
set_bounds "$settings" 3000 2000 600 500
run_name="off the screen"
run_reader
now=$(bounds "$settings")
echo "off the screen: $now"
left=$(sed -n 's/.*tleft=\(-\?[0-9]*\).*/\1/p' <<<"$now")
top=$(sed -n 's/.*ttop=\(-\?[0-9]*\).*/\1/p' <<<"$now")
case "$now" in *"twidth=600 "*"theight=500 "*) ;; *)
  echo "FAIL: the window's size changed: $now"; exit 1 ;;
esac
if [ "$left" -lt 0 ] || [ "$left" -gt 680 ] || [ "$top" -lt 0 ] || [ "$top" -gt 524 ]; then
  echo "FAIL: the window was left off the 1280x1024 screen: $now"
  exit 1
fi
echo "a window saved off the screen came back onto it"
