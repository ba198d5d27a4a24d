#!/usr/bin/env bash
# The real window under Xvfb, driven with xdotool, timed from Enter to the final message:
#  1. a 999-record run (.docx template, .xlsx data), 可见生成过程 unchecked and checked in turn,
#     REPS times each (order alternating, a fresh output folder each time): medians and the cost
#     of watching in percent, also as the median over the pairs of neighbouring runs;
#  2. the bundled example (示例/数据.xls + 示例/模板.doc, no PDF) with LibreOffice already warm
#     (one untimed run first): the median of REPS runs;
#  3. 200 two-page pay slips with PDF (the pay slip whose titles are headings, so its PDFs have
#     an outline), LibreOffice warm: the median of REPS runs;
#  4. the longest stall of the event loop while the .doc template is chosen on a cold cache
#     (window_stall_bench).
# Run by hand after building: bench/window_bench.sh [BUILD_DIR]   (REPS=5 by default)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
reps=${REPS:-5}
[ -x "$build/vexlo" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
work=$(mktemp -d /tmp/vexlo-window-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" "$work/in" "$work/cache"
for d in resource html 示例; do ln -s "$root/$d" "$work/run/$d"; done
cp "$root/tests/data/sheet/bench_999x30.xlsx" "$work/in/long.xlsx"
cp "$root/tests/data/merge/模板.docx" "$work/in/template.docx"
# xdotool cannot type the examples' Chinese names: the same files under Latin ones.
cp "$root/示例/数据.xls" "$work/in/example.xls"
cp "$root/示例/模板.doc" "$work/in/example.doc"
cp "$root/tests/data/word/payslip_heading.docx" "$work/in/payslip.docx"
# 200 employees' pay, under the pay slip's titles, as the office writes a workbook.
python3 - "$work/in/payslip.fods" <<'PY'
import sys
titles = ['姓名', '工号', '部门', '岗位', '基本工资', '绩效工资', '加班费', '社保', '公积金', '个税', '实发工资', '发放月份']
cell = lambda v: f'<table:table-cell office:value-type="string"><text:p>{v}</text:p></table:table-cell>'
rows = [titles] + [['职员%03d' % i, 'B%d' % (20000 + i), '市场部', '主管', str(6000 + i), str(i % 700), '0',
                    '600.00', '500.00', str(i % 80), '7000.00', '2026年12月'] for i in range(1, 201)]
ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"')
body = ''.join('<table:table-row>' + ''.join(map(cell, r)) + '</table:table-row>' for r in rows)
open(sys.argv[1], 'w').write(f'<?xml version="1.0" encoding="UTF-8"?><office:document {ns} '
  f'office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>'
  f'<table:table table:name="Sheet1">{body}</table:table></office:spreadsheet></office:body></office:document>')
PY
soffice -env:UserInstallation="file://$work/lo-profile" --headless --convert-to xlsx --outdir "$work/in" \
  "$work/in/payslip.fods" >/dev/null 2>&1

inner=$(cat <<'INNER'
set -euo pipefail
work=$1 vexlo=$2 reps=$3
cd "$work/run"
export QT_QPA_PLATFORM=xcb XDG_CACHE_HOME=$work/cache
"$vexlo" >"$work/vexlo.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true; }
wait_window() { local id=""; for _ in $(seq 1 $(($2 * 10))); do id=$(find_window "$1"); [ -n "$id" ] && break; sleep 0.1; done; echo "$id"; }
main=""; for _ in $(seq 1 100); do main=$(find_window '^vexlo 文档批量制作$'); [ -n "$main" ] && break; sleep 0.2; done
sleep 2
eval "$(xdotool getwindowgeometry --shell "$main")"
click() { xdotool mousemove $((X + $1)) $((Y + $2)); sleep 0.15; xdotool click 1; }
choose() {
  click "$1" "$2"; local d; d=$(wait_window "$3" 20); sleep 0.5
  xdotool windowfocus --sync "$d" type --delay 5 "$4"; xdotool key Return; sleep 0.5
}
watched=1  # 可见生成过程 is checked when the window opens
n=0
# One run into a fresh folder; leaves "seconds documents" in $work/last. $1: watched (1) or not (0), $2: the extension
# of the documents counted.
run() {
  n=$((n + 1))
  local out="$work/out-$n"
  mkdir -p "$out"
  choose 552 314 '^请选择输出目录$' "$out"
  if [ "$1" != "$watched" ]; then click 229 347; watched=$1; fi
  sleep 0.3
  xdotool windowfocus --sync "$main" key Return
  local start end box=""
  start=$(date +%s.%N)
  for _ in $(seq 1 45000); do box=$(find_window '^操作提示$'); [ -n "$box" ] && break; sleep 0.02; done
  end=$(date +%s.%N)
  local made; made=$(find "$out" -name "*.$2" | wc -l)
  xdotool windowfocus --sync "$box" key Escape; sleep 1
  echo "$(echo "$end - $start" | bc) $made" >"$work/last"
}
median() { sort -n | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.2f", m}'; }
# REPS runs into the list $1, watched ($2) or not, counting files of extension $3 (named $4 in the
# lines), and their median beside the target $5.
runs() {
  : >"$work/$1"
  for i in $(seq 1 "$reps"); do
    run "$2" "$3"; read -r secs made <"$work/last"
    printf '  run %-4d %6.2f s  (%d %s)\n' "$i" "$secs" "$made" "$4"
    echo "$secs" >>"$work/$1"
  done
  printf 'median   %.2f s from Enter to the final message (target %s)\n' "$(median <"$work/$1")" "$5"
}

echo "999 records, .docx template, $reps runs each, order alternating"
choose 552 196 '^请选择作为数据源的EXCEL文件$' "$work/in/long.xlsx"
choose 552 276 '^请选择作为输出模版的Word文件$' "$work/in/template.docx"
: >"$work/hidden" ; : >"$work/watched"
for i in $(seq 1 "$reps"); do
  if [ $((i % 2)) = 1 ]; then order="0 1"; else order="1 0"; fi
  for mode in $order; do
    run "$mode" docx; read -r secs made <"$work/last"
    name=$([ "$mode" = 1 ] && echo watched || echo hidden)
    printf '  %-8s %6.2f s  (%d documents)\n' "$name" "$secs" "$made"
    echo "$secs" >>"$work/$name"
  done
done
hidden=$(median <"$work/hidden"); watched_s=$(median <"$work/watched")
printf 'median   hidden %.2f s   watched %.2f s   watching costs %+.1f %%\n' "$hidden" "$watched_s" \
  "$(echo "($watched_s - $hidden) * 100 / $hidden" | bc -l)"
# The machine's load drifts over the runs: the cost within each pair of neighbouring runs.
paired=$(paste "$work/hidden" "$work/watched" | awk '{printf "%f\n", ($2 - $1) * 100 / $1}' | median)
printf 'median of the %d pairs: watching costs %+.1f %% (target 10 %%)\n' "$reps" "$paired"

echo "the bundled example (.xls + .doc, no PDF), LibreOffice warm, 可见生成过程 checked"
choose 552 196 '^请选择作为数据源的EXCEL文件$' "$work/in/example.xls"
choose 552 276 '^请选择作为输出模版的Word文件$' "$work/in/example.doc"
run 1 doc; read -r secs made <"$work/last"
printf '  warm-up  %6.2f s  (%d documents, not counted)\n' "$secs" "$made"
runs example 1 doc documents "1.5 s"

echo "200 pay slips (.docx template with headings) with PDF, LibreOffice warm"
choose 552 196 '^请选择作为数据源的EXCEL文件$' "$work/in/payslip.xlsx"
choose 552 276 '^请选择作为输出模版的Word文件$' "$work/in/payslip.docx"
click 370 369  # 同时输出为PDF文件
runs payslips 0 pdf PDFs "10 s"
INNER
)
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "$inner" inner "$work" "$build/vexlo" "$reps" "$root"

echo "the event loop while 模板.doc is chosen on a cold cache"
if [ -x "$build/bench/window_stall_bench" ]; then
  "$build/bench/window_stall_bench" 2>/dev/null | sed 's/^/  /'
else
  echo "  (build window_stall_bench for this figure)"
fi
