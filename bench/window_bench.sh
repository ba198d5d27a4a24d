#!/usr/bin/env bash
# The real window on a 999-record run (.docx template, .xlsx data), timed from Enter to the final
# message, once with 可见生成过程 unchecked and once checked, under Xvfb. Prints both times and the
# cost of watching. Run by hand after building: bench/window_bench.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
[ -x "$build/vexlo" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
work=$(mktemp -d /tmp/vexlo-window-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" "$work/in"
for d in resource html 示例; do ln -s "$root/$d" "$work/run/$d"; done
cp "$root/tests/data/sheet/bench_999x30.xlsx" "$work/in/long.xlsx"
cp "$root/tests/data/merge/模板.docx" "$work/in/template.docx"

inner=$(cat <<'INNER'
set -euo pipefail
work=$1 vexlo=$2
cd "$work/run"
export QT_QPA_PLATFORM=xcb
"$vexlo" >"$work/vexlo.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true; }
wait_window() { local id=""; for _ in $(seq 1 $(($2 * 10))); do id=$(find_window "$1"); [ -n "$id" ] && break; sleep 0.1; done; echo "$id"; }
main=""; for _ in $(seq 1 100); do main=$(find_window '^vexlo$'); [ -n "$main" ] && break; sleep 0.2; done
sleep 2
eval "$(xdotool getwindowgeometry --shell "$main")"
click() { xdotool mousemove $((X + $1)) $((Y + $2)); sleep 0.15; xdotool click 1; }
choose() {
  click "$1" "$2"; local d; d=$(wait_window "$3" 20); sleep 0.5
  xdotool windowfocus --sync "$d" type --delay 5 "$4"; xdotool key Return; sleep 0.5
}
choose 552 196 '^请选择作为数据源的EXCEL文件$' "$work/in/long.xlsx"
choose 552 276 '^请选择作为输出模版的Word文件$' "$work/in/template.docx"
for mode in hidden watched; do
  rm -rf "$work/out-$mode"; mkdir -p "$work/out-$mode"
  choose 552 314 '^请选择输出目录$' "$work/out-$mode"
  [ "$mode" = watched ] || click 229 347   # uncheck 可见生成过程
  [ "$mode" = watched ] && click 229 347   # check it again
  xdotool windowfocus --sync "$main" key Return
  start=$(date +%s.%N)
  box=$(wait_window '^操作提示$' 900)
  end=$(date +%s.%N)
  n=$(find "$work/out-$mode" -name '*.docx' | wc -l)
  printf '%-8s %6.1f s  (%d documents)\n' "$mode" "$(echo "$end - $start" | bc)" "$n"
  xdotool windowfocus --sync "$box" key Escape; sleep 1
done
INNER
)
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$inner" inner "$work" "$build/vexlo"
