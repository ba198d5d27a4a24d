# Shell helpers for tests that start vexlo on a virtual X display; sourced, needs xdotool,
# x11-utils and imagemagick.

# vexlo_window_wait: waits up to 20 s for the visible window titled "vexlo" to be fitted to
# 712 × 508. Sets id (empty when no window appeared) and size.
vexlo_window_wait() {
  id="" size=""
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name '^vexlo 文档批量制作$' 2>/dev/null | head -n1 || true)
    if [ -n "$id" ]; then
      size=$(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
      [ "$size" = "712x508" ] && break
    fi
    sleep 0.2
  done
}

# vexlo_window_capture ID SCREEN.png WINDOW.png: saves the whole screen, and the window's 712 × 508
# pixels as they are on it.
vexlo_window_capture() {
  local at
  at=$(xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x "+" y}')
  import -window root "$2"
  convert "$2" -crop "712x508+$at" +repage "$3"
}

# vexlo_xvfb_start DIR: starts a virtual display of 1024 × 768 on a display number the server
# picks itself (no race with other servers starting at the same time) and exports DISPLAY.
# A server that is not answering once it has named its display (seen now and then while many
# tests run at once) is replaced, up to three times.
vexlo_xvfb_start() {
  local attempt
  for attempt in 1 2 3; do
    rm -f "$1/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$1/display" 2>"$1/xvfb.log" &
    vexlo_xvfb_pid=$!
    for _ in $(seq 1 100); do [ -s "$1/display" ] && break; sleep 0.1; done
    [ -s "$1/display" ] || { cat "$1/xvfb.log"; return 1; }
    export DISPLAY=":$(head -n1 "$1/display")"
    xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    echo "the virtual display $DISPLAY does not answer (attempt $attempt); starting another" >&2
    kill "$vexlo_xvfb_pid" 2>/dev/null || true
    wait "$vexlo_xvfb_pid" 2>/dev/null || true
  done
  return 1
}

vexlo_xvfb_stop() {
  if [ -n "${vexlo_xvfb_pid:-}" ]; then
    kill "$vexlo_xvfb_pid" 2>/dev/null || true
    wait "$vexlo_xvfb_pid" 2>/dev/null || true
    vexlo_xvfb_pid=""
  fi
}
