#!/usr/bin/env bash
# walkthrough.sh VEXLO SOURCE_DIR OUT_DIR: a user's session with the real program under Xvfb,
# driven by mouse and keyboard through xdotool:
#  1. both 示例 buttons load the examples; each click asks the desktop once to open the file;
#  2. the output-folder dialog starts in the folder already chosen (confirming it at once keeps
#     the field as it was), and a folder typed into it becomes the output folder;
#  3. Enter starts the example run; the generation window shows; the final message names the
#     number of documents and the folder, which holds them; Esc closes the message;
#  4. a 999-record run chosen through the file dialogs: the progress window changes while it
#     runs; Esc asks "是否停止输出？", Yes stops it, and the documents made so far stay, complete;
#  5. a web page's table saved as .xls is read as data; a PDF named .xls is an error message
#     (not the run-time error box), before anything is written;
#  6. after closing and starting again, the three fields show what they showed.
# Screenshots go to OUT_DIR (generation.png, progress.png, final.png, file-dialog.png,
# not-a-workbook.png). Fails on the first step that does not behave, or when the program logged a
# run-time error.
set -euo pipefail
vexlo=$1 src=$2 out=$3
rm -rf "$out"
mkdir -p "$out/run" "$out/bin" "$out/in" "$out/example-out" "$out/long-out" "$out/html-out" "$out/pdf-out"
for d in resource html 示例; do ln -s "$src/$d" "$out/run/$d"; done
cp "$src/tests/data/sheet/bench_999x30.xlsx" "$out/in/long.xlsx"
# The two-page pay slip (a heading, a table, a picture in the header) with two of the sheet's
# titles: every record's document and PDF is its own, and the PDFs take long enough to be stopped.
mkdir "$out/template"
(cd "$out/template" && unzip -q "$src/tests/data/word/payslip_heading.docx" &&
  sed -i 's/>姓名</>字段1</g; s/>部门</>字段2</g' word/document.xml && zip -qrX "$out/in/template.docx" .)
# What web systems export as "a workbook", and a file picked by mistake (ASCII names: xdotool
# types Chinese unreliably).
printf '%s' '<html><meta charset="gb2312"><table><tr><td>姓名</td><td>部门</td><td>ID</td></tr>' \
  '<tr><td>张三</td><td>销售部</td><td>A001</td></tr><tr><td>李四</td><td>技术部</td><td>A002</td></tr>' \
  '</table></html>' | iconv -f UTF-8 -t GB18030 > "$out/in/web-export.xls"
printf '%%PDF-1.4\n%%%%EOF\n' > "$out/in/report.xls"
# The desktop's launcher: records each request.
cat > "$out/bin/xdg-open" <<LAUNCHER
#!/bin/sh
echo "\$*" >> "$out/launcher.log"
LAUNCHER
chmod +x "$out/bin/xdg-open"
: > "$out/launcher.log"

inner=$(cat <<'INNER'
set -euo pipefail
out=$1 vexlo=$2
cd "$out/run"
export QT_QPA_PLATFORM=xcb PATH="$out/bin:$PATH" XDG_CONFIG_HOME="$out/config"
"$vexlo" >"$out/vexlo.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
windows() { xdotool search --onlyvisible --name . 2>/dev/null | while read -r w; do xdotool getwindowname "$w"; done | tr '\n' '|'; }
fail() {
  echo "FAIL: $*"
  echo "windows shown: $(windows)"
  timeout 10 import -window root "$out/failure.png" || true
  tail -n 20 "$out/vexlo.log"
  exit 1
}
# xdotool's --sync and ImageMagick's import wait for ever on a window that has gone away; both are
# bounded here, so a window that vanished fails its step instead of hanging the test.
shot() { timeout 10 import -window "$1" "$2" || fail "no screenshot of window $1 for $2"; }
press() {  # window key: focuses the window (again, when the program moved the focus meanwhile)
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    xdotool windowfocus "$1" 2>/dev/null || true
    sleep 0.2
    if [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; then
      xdotool key "$2"
      return 0
    fi
  done
  fail "window $1 did not take the focus for the key $2"
}
find_window() {  # (each window found is logged with its id, for a failure's report)
  local id; id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
  [ -z "$id" ] || echo "$id $1" >> "$out/windows.log"
  echo "$id"
}
wait_window() {  # name [seconds]
  local id=""
  for _ in $(seq 1 $((${2:-20} * 10))); do id=$(find_window "$1"); [ -n "$id" ] && break; sleep 0.1; done
  echo "$id"
}
wait_gone() {  # name [seconds]
  for _ in $(seq 1 $((${2:-20} * 10))); do [ -z "$(find_window "$1")" ] && return 0; sleep 0.1; done
  return 1
}

main=""
for _ in $(seq 1 100); do
  main=$(find_window '^vexlo 文档批量制作$')
  if [ -n "$main" ]; then
    size=$(xwininfo -id "$main" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [ "$size" = "712x508" ] && break
  fi
  sleep 0.2
done
[ -n "$main" ] || fail "no main window"
sleep 1.5
box=$(find_window '^错误提示$')
[ -z "$box" ] || fail "a message at start-up"
eval "$(xdotool getwindowgeometry --shell "$main")"
wx=$X wy=$Y
click() { xdotool mousemove $((wx + $1)) $((wy + $2)); sleep 0.15; xdotool click 1; }
field() { import -window root -crop "301x21+$((wx + 224))+$((wy + $1))" +repage "$2"; }

# 1. The examples; each click asks the desktop once.
click 625 196   # 示例 (data)
for _ in $(seq 1 100); do [ "$(wc -l < "$out/launcher.log")" -ge 1 ] && break; sleep 0.1; done
click 625 276   # 示例 (template)
for _ in $(seq 1 200); do [ "$(wc -l < "$out/launcher.log")" -ge 2 ] && break; sleep 0.1; done
sleep 1
[ "$(wc -l < "$out/launcher.log")" = 2 ] || fail "expected 2 desktop requests: $(cat "$out/launcher.log")"
# (as file:// addresses: 数据.xls and 模板.doc percent-encoded)
grep -q '%E6%95%B0%E6%8D%AE.xls$' "$out/launcher.log" &&
  grep -q '%E6%A8%A1%E6%9D%BF.doc$' "$out/launcher.log" ||
  fail "the examples were not handed to the desktop: $(cat "$out/launcher.log")"
[ -z "$(find_window '提示$')" ] || fail "a message after loading the examples"

# 2. The folder dialog starts in the folder shown: confirming at once keeps the field.
field 304 "$out/sle3-before.png"
click 552 314
dialog=$(wait_window '^请选择输出目录$')
[ -n "$dialog" ] || fail "no folder dialog"
sleep 0.5
press "$dialog" Return
wait_gone '^请选择输出目录$' || fail "the folder dialog did not take Enter"
sleep 0.3
field 304 "$out/sle3-after.png"
cmp -s "$out/sle3-before.png" "$out/sle3-after.png" ||
  fail "the folder dialog did not start in the chosen folder"
choose() {  # button x y, dialog title, path typed into it[, screenshot of the dialog]
  click "$1" "$2"
  local d; d=$(wait_window "$3")
  [ -n "$d" ] || fail "no dialog $3"
  sleep 0.5
  [ -z "${5:-}" ] || shot "$d" "$5"
  timeout 20 xdotool windowfocus --sync "$d" type --delay 5 "$4" || fail "dialog $3 did not take the path"
  xdotool key Return
  wait_gone "$3" || fail "dialog $3 stayed open"
  sleep 0.3
}
choose 552 314 '^请选择输出目录$' "$out/example-out"

# 3. Enter starts the example run; watch it; read the final message; Esc closes it.
press "$main" Return
progress=$(wait_window '^正在输出$' 30)
[ -n "$progress" ] || fail "Enter did not start the run"
generation=$(wait_window '^生成过程$' 10)
[ -n "$generation" ] || fail "no generation window although 可见生成过程 is checked"
final=$(wait_window '^操作提示$' 120)
[ -n "$final" ] || fail "no final message"
[ -z "$(find_window '^正在输出$')" ] || fail "the progress window is still up under the final message"
sleep 0.5
shot "$final" "$out/final.png"
message=$(grep -a 'vexlo: 操作提示:' "$out/vexlo.log" | tail -n1 || true)
made=$(find "$out/example-out" -maxdepth 1 -name '*.doc' | wc -l)
[ "$made" -gt 0 ] || fail "the example run wrote nothing"
grep -aq "共输出 $made 个文档，保存在“$out/example-out”" "$out/vexlo.log" ||
  fail "the final message does not name $made documents in $out/example-out: $message"
press "$final" Escape
wait_gone '^操作提示$' 5 || fail "Esc did not close the final message"

# 4. A long run: the progress window moves; Esc and Yes stop it; what was made stays.
choose 552 196 '^请选择作为数据源的EXCEL文件$' "$out/in/long.xlsx" "$out/file-dialog.png"
choose 552 276 '^请选择作为输出模版的Word文件$' "$out/in/template.docx"
choose 552 314 '^请选择输出目录$' "$out/long-out"
click 370 369   # 同时输出为PDF文件: LibreOffice's batches make the run long enough to stop
press "$main" Return
# The template uses 2 of the sheet's 30 titles: the check before writing says so, and 是 (the
# default button) goes on.
check=$(wait_window '^检查$' 30)
[ -n "$check" ] || fail "the check before writing did not name the titles the template lacks"
sleep 0.3
shot "$check" "$out/check.png"
press "$check" Return
wait_gone '^检查$' 5 || fail "Enter did not answer 是 to the check"
progress=$(wait_window '^正在输出$' 30)
[ -n "$progress" ] || fail "the long run did not start"
# Esc asks; 否 lets the run go on with the progress window, not the main window, in front.
pdf_count() { find "$out/long-out" -maxdepth 1 -name '*.pdf' | wc -l; }
press "$progress" Escape
ask=$(wait_window '^操作提示$' 10)
[ -n "$ask" ] || fail "Esc did not ask whether to stop"
import -window root "$out/stop-question.png"
press "$ask" Escape
wait_gone '^操作提示$' 5 || fail "Esc did not answer 否"
sleep 0.5
[ "$(xdotool getactivewindow)" != "$main" ] || fail "closing the question brought the main window in front"
import -window root "$out/after-question.png"
sleep 0.5
shot "$progress" "$out/progress-1.png"
sleep 1
shot "$progress" "$out/progress-2.png"
import -window root "$out/generation.png"
cp "$out/progress-2.png" "$out/progress.png"
cmp -s "$out/progress-1.png" "$out/progress-2.png" && fail "the progress window did not change in 1 s"
# When the documents are all made the window shows the PDF stage (docs/progress-pdf.png).
[ "$(find "$out/long-out" -maxdepth 1 -name '*.docx' | wc -l)" -lt 999 ] ||
  timeout 10 import -window "$progress" "$out/progress-pdf.png" || true
# Esc asks again. While the question is open no PDF is begun: the batches under way arrive (on a
# loaded machine a joined batch takes several seconds, and each office may have one), then the
# count holds. 是 stops the run.
at_stop="$(pdf_count) PDFs when Esc was pressed again"
press "$progress" Escape
ask=$(wait_window '^操作提示$' 10)
[ -n "$ask" ] || fail "Esc did not ask again whether to stop"
before=$(pdf_count)
for _ in $(seq 10); do
  sleep 6
  after=$(pdf_count)
  [ "$after" -eq "$before" ] && break
  before=$after
done
sleep 5
after=$(pdf_count)
[ -n "$(find_window '^操作提示$')" ] || fail "the stop question closed without an answer"
[ "$after" -eq "$before" ] || fail "PDFs were made while the stop question was open ($before, then $after)"
press "$ask" Return
wait_gone '^正在输出$' 60 || fail "the run did not stop"
stopped=$(wait_window '^操作提示$' 30)
[ -n "$stopped" ] || fail "no message after stopping"
kept=$(find "$out/long-out" -maxdepth 1 -name '*.docx' | wc -l)
pdfs=$(find "$out/long-out" -maxdepth 1 -name '*.pdf' | wc -l)
[ "$kept" -lt 999 ] || [ "$pdfs" -lt 999 ] ||
  fail "the run was not stopped ($before PDFs while the question was up, $at_stop): $(grep -a 'vexlo:' "$out/vexlo.log" | tail -n1)"
counted="已完成的 $kept 个文档"
[ "$pdfs" -gt 0 ] && counted="$counted和 $pdfs 个PDF文件"
grep -aq "$counted，保存在“$out/long-out”" "$out/vexlo.log" ||
  fail "the stop message does not say $counted: $(grep -a 'vexlo:' "$out/vexlo.log" | tail -n1)"
for f in "$out"/long-out/*.docx; do unzip -tqq "$f" >/dev/null || fail "$f is not complete"; done
for f in "$out"/long-out/*.pdf; do [ -e "$f" ] || continue; pdfinfo "$f" >/dev/null 2>&1 || fail "$f is not complete"; done
[ -z "$(find "$out/long-out" -mindepth 1 ! -name '*.docx' ! -name '*.pdf')" ] || fail "leftovers in the output folder"
press "$stopped" Escape
wait_gone '^操作提示$' 5 || fail "Esc did not close the stop message"

# 5. A web page's table saved as .xls is data; a PDF under that name is a message.
click 370 369   # PDF off again
choose 552 196 '^请选择作为数据源的EXCEL文件$' "$out/in/web-export.xls"
choose 552 314 '^请选择输出目录$' "$out/html-out"
press "$main" Return
# The template still uses 2 of the table's titles: the check says so, and 是 goes on.
check=$(wait_window '^检查$' 30)
[ -n "$check" ] || fail "no check before the web page's table was merged"
press "$check" Return
wait_gone '^检查$' 5 || fail "Enter did not answer 是 to the check"
final=$(wait_window '^操作提示$' 120)
[ -n "$final" ] || fail "no final message for the web page's table"
[ -e "$out/html-out/张三.docx" ] && [ -e "$out/html-out/李四.docx" ] ||
  fail "the web page's table did not give one document per row: $(ls "$out/html-out")"
press "$final" Escape
wait_gone '^操作提示$' 5 || fail "Esc did not close the final message"
# Enter in the main window: the box titled $1 must come ($2: what it means when not; $3: where to
# keep its screenshot); Enter closes it.
run_to_box() {
  press "$main" Return
  local b; b=$(wait_window "$1" 30)
  [ -n "$b" ] || fail "$2"
  sleep 0.5
  [ -z "${3:-}" ] || shot "$b" "$3"
  press "$b" Return
  wait_gone "$1" 5 || fail "Enter did not close the message"
}
choose 552 196 '^请选择作为数据源的EXCEL文件$' "$out/in/report.xls"
choose 552 314 '^请选择输出目录$' "$out/pdf-out"
run_to_box '^错误提示$' "no message for a PDF named .xls" "$out/not-a-workbook.png"
[ -z "$(ls -A "$out/pdf-out" 2>/dev/null)" ] || fail "files written for a PDF named .xls"
kill -0 $pid || fail "the program ended"

# 6. Closed and started again, the window shows the same paths; a remembered file that is gone
#    is shown empty, without a message at start.
field_top() { case $1 in 2) echo 265 ;; 3) echo 304 ;; esac; }
restart() {
  click 693 17   # 关闭
  for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -0 $pid 2>/dev/null && fail "the close button did not end the program"
  "$vexlo" >>"$out/vexlo.log" 2>&1 &
  pid=$!
  main=""
  for _ in $(seq 1 100); do main=$(find_window '^vexlo 文档批量制作$'); [ -n "$main" ] && break; sleep 0.2; done
  [ -n "$main" ] || fail "no main window after starting again"
  sleep 2
  [ -z "$(find_window '提示$')" ] || fail "a message at start-up after a restart"
  eval "$(xdotool getwindowgeometry --shell "$main")"
  wx=$X wy=$Y
}
for f in 2 3; do field "$(field_top $f)" "$out/field$f-before.png"; done
restart
for f in 2 3; do
  field "$(field_top $f)" "$out/field$f-after.png"
  cmp -s "$out/field$f-before.png" "$out/field$f-after.png" || fail "field $f was not remembered"
done
# The data file too: the run names it again.
run_to_box '^错误提示$' "the remembered data file was not used"
rm "$out/in/report.xls"
restart
run_to_box '^操作提示$' "a data file that is gone was not shown empty"

[ -e AppError.txt ] && { iconv -f GBK -t UTF-8 AppError.txt; fail "run-time error logged"; }
echo "examples: $made documents; long run stopped with $kept documents and $pdfs PDFs kept;" \
  "web page's table: 2 documents; fields remembered"
INNER
)
unset QT_QPA_PLATFORM
# A step that hangs despite its own bounds ends the walkthrough with what the program logged, well
# before the test's timeout (timeout signals its whole process group: Xvfb and the program too).
status=0
# (No key repeats: on a loaded machine a key held for a moment would repeat, and a repeated Esc
# answers the question it opened. No reset: when the program closes it is the display's last
# client, and a program started again while the server resets cannot connect.)
timeout -k 10 420 xvfb-run -a -s "-screen 0 1280x1024x24 -ardelay 60000 -noreset" bash -c "$inner" inner "$out" "$vexlo" ||
  status=$?
if [ "$status" = 124 ]; then
  echo "FAIL: the walkthrough hung"
  tail -n 20 "$out/vexlo.log"
fi
exit "$status"
