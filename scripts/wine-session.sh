# Sourced by the test and run scripts: a private Wine prefix on a virtual
# display of its own, torn down again when the calling script exits. Only what
# was started here is stopped: a session that finds the prefix's wineserver
# running (a test run's own session, around a run command) leaves it be.
#
# Wine's background services inherit the standard streams of whatever starts
# them; if that is a pipe (ctest's, a CI log's) the reader never sees EOF and
# hangs. So wineserver and wineboot are started here with all three detached.

hushpad_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

export WINEPREFIX="${WINEPREFIX:-$hushpad_root/build/wineprefix}"
export WINEARCH=win32
# Quiet unless the caller asked for channels (WINEDEBUG=+relay,+seh ...).
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="

wine_session_xvfb_pid=
wine_session_owns_server=

wine_session_stop() {
  if [ -n "$wine_session_owns_server" ]; then
    timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
    timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
  fi
  if [ -n "$wine_session_xvfb_pid" ]; then
    kill "$wine_session_xvfb_pid" 2>/dev/null || true
    wait "$wine_session_xvfb_pid" 2>/dev/null || true
  fi
}

# wine_session_start [--use-display]
# With --use-display, an X server that DISPLAY already names (a desktop, or a
# test run's virtual display) is used instead of a virtual display of its own.
wine_session_start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  # A prefix whose creation did not finish is made anew. The mark is ours:
  # the registry files appear only when the wineserver first saves them, so a
  # session nested in one that has just made the prefix would not find them,
  # remove the prefix from under it and start a server of its own.
  local ready="$WINEPREFIX/.hushpad-prefix-ready"
  if [ -d "$WINEPREFIX" ] && [ ! -f "$ready" ]; then
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"

  trap wine_session_stop EXIT
  if [ "${1:-}" != --use-display ] || [ -z "${DISPLAY:-}" ] ||
    ! timeout 10 xdotool getdisplaygeometry </dev/null >/dev/null 2>&1; then
    local fd_file
    fd_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" </dev/null >/dev/null 2>&1 &
    wine_session_xvfb_pid=$!
    local i
    for i in $(seq 100); do
      [ -s "$fd_file" ] && break
      sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fd_file")"
    rm -f "$fd_file"
  fi

  # -p keeps the server up between test programs; it fails harmlessly when one
  # already runs for this prefix, and then belongs to whoever started it.
  if wineserver -p </dev/null >/dev/null 2>&1; then
    wine_session_owns_server=1
  fi
  timeout 300 wineboot -i </dev/null >/dev/null 2>&1

  # Xvfb runs no window manager, and Wine's managed windows then linger for
  # about two seconds after they are closed (every message box would). Wine's
  # own windows need no manager here.
  if [ ! -f "$ready" ]; then
    timeout 120 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
      </dev/null >/dev/null 2>&1 && touch "$ready"
  fi
}
