# Shell helpers for tests that start vexlo on a virtual X display; sourced, needs xdotool,
# x11-utils and imagemagick.

# vexlo_window_wait: waits up to 20 s for the visible window titled "vexlo" to be fitted to
# 712 × 508. Sets id (empty when no window appeared) and size.
vexlo_window_wait() {
  id="" size=""
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name '^vexlo$' 2>/dev/null | head -n1 || true)
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
