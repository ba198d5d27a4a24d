#!/usr/bin/env bash
# window_smoke.sh VEXLO SOURCE_DIR OUT_DIR: starts VEXLO under Xvfb in an empty folder whose path is
# neutral (it finds its own files beside the executable; the window shows the folder as the output
# folder and the README shows the screenshot), waits for its window to be fitted to 712 × 508,
# saves OUT_DIR/vexlo.png (the window) and OUT_DIR/screen.png, then drags the window by its
# background and by a field and presses the close button. Fails when the window is missing or has
# another size, when a drag does the wrong thing, when the close button does not end the program,
# or when the program logged a run-time error.
set -euo pipefail
vexlo=$1 src=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
# The start-up folder is the default output folder shown in the screenshot.
run=/tmp/vexlo/文档
rm -rf "$run"
mkdir -p "$run"
trap 'rm -rf "$run"' EXIT

inner=$(cat <<'INNER'
set -euo pipefail
out=$1 vexlo=$2 src=$3 run=$4
source "$src/tests/support/vexlo_window.sh"
cd "$run"
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$out/config"  # nothing remembered from the user
"$vexlo" >"$out/vexlo.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
vexlo_window_wait
if [ -z "$id" ]; then echo "no vexlo window"; cat "$out/vexlo.log"; exit 1; fi
echo "window $id: $size"
sleep 1.5  # the web panel and the start-up check
vexlo_window_capture "$id" "$out/screen.png" "$out/vexlo.png"
kill -0 $pid || { echo "vexlo ended early"; cat "$out/vexlo.log"; exit 1; }
[ "$size" = "712x508" ] || { echo "window is $size, not 712x508"; exit 1; }
if [ -e AppError.txt ]; then echo "run-time error at start:"; iconv -f GBK -t UTF-8 AppError.txt; exit 1; fi

# A message box of the start-up check (no server reachable) is answered first.
box=$(xdotool search --onlyvisible --name '错误提示' 2>/dev/null | head -n1 || true)
if [ -n "$box" ]; then xdotool windowfocus --sync "$box" key Return; sleep 0.5; fi

where() { eval "$(xdotool getwindowgeometry --shell "$id")"; echo "$X $Y"; }
drag() {  # drag from window point ($1, $2) by 50, 30
  read -r x y < <(where)
  xdotool mousemove $((x + $1)) $((y + $2)) mousedown 1
  for i in 1 2 3 4 5; do xdotool mousemove $((x + $1 + i * 10)) $((y + $2 + i * 6)); sleep 0.05; done
  xdotool mouseup 1
  sleep 0.3
}
start=$(where)
drag 200 140  # the white background
moved=$(where)
[ "$moved" != "$start" ] || { echo "dragging the background did not move the window"; exit 1; }
drag 300 195  # the data file field
[ "$(where)" = "$moved" ] || { echo "dragging from a field moved the window"; exit 1; }
read -r x y < <(where)
xdotool mousemove $((x + 693)) $((y + 17))
sleep 0.2
xdotool mousemove $((x + 694)) $((y + 18)) click 1
for _ in $(seq 1 25); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
if kill -0 $pid 2>/dev/null; then echo "the close button did not end the program"; exit 1; fi
if [ -e AppError.txt ]; then echo "run-time error:"; iconv -f GBK -t UTF-8 AppError.txt; exit 1; fi
echo "dragged from $start to $moved; closed"
INNER
)
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" bash -c "$inner" inner "$out" "$vexlo" "$src" "$run"
echo "screenshot: $out/vexlo.png"
