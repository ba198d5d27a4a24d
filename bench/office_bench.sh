#!/usr/bin/env bash
# LibreOffice kept warm against LibreOffice's own batches, in one run on the same files:
#  1. 999 records (a letter with a table, made by vexlo-merge as .docx) converted to PDF and to
#     .doc by the office pool and by `soffice --convert-to` in sequential batches of 200
#     (build/bench/output_bench prints the figures and the peak memory);
#  2. the bundled 10-record example (.doc template) from a cold start of vexlo-merge, with PDF,
#     against one bare `soffice --convert-to pdf` of one file.
#  With FIXTURE=payslip, step 1 uses the two-page pay slip of the tests (a logo in the header, the
#  page number in the footer, a numbered list, a table) instead of the letter; FIXTURE=payslip_heading
#  the same pay slip whose page titles are headings (its PDFs have an outline); FIXTURE=notice_pages
#  the two-page notice of the tests with the letter's titles ("第 X 页 共 Y 页" in the footer, a
#  heading on each page, a table, the date it is sent and the date it was drawn up).
# Run by hand after scripts/build.sh.
# Usage: [FIXTURE=payslip|payslip_heading|notice_pages] bench/office_bench.sh [RECORDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
records=${1:-999}
cli="$root/build/vexlo-merge"
[ -x "$cli" ] && [ -x "$root/build/bench/output_bench" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
work=$(mktemp -d /tmp/vexlo-office-bench-XXXXXX)
[ -n "${KEEP:-}" ] && echo "keeping $work" || trap 'rm -rf "$work"' EXIT
cd "$work"

python3 - "$records" "${FIXTURE:-letter}" <<'PY'
import sys
n, fixture = int(sys.argv[1]), sys.argv[2]
esc = lambda s: s.replace('&', '&amp;').replace('<', '&lt;')
titles = ['姓名', '部门', '工号', '月薪', '入职日期']
depts = ['销售部', '技术部', '财务部', '人事部']
cell = lambda v: f'<table:table-cell office:value-type="string"><text:p>{esc(v)}</text:p></table:table-cell>'
rows = ['<table:table-row>' + ''.join(map(cell, titles)) + '</table:table-row>']
if fixture.startswith('payslip'):
    titles = ['姓名', '工号', '部门', '岗位', '基本', '绩效工资', '加班费', '社保', '公积金', '个税',
              '实发工资', '发放月份']
    rows = ['<table:table-row>' + ''.join(map(cell, titles)) + '</table:table-row>']
for i in range(1, n + 1):
    r = ['员工%04d' % i, depts[i % 4], 'A%d' % (10000 + i), str(5000 + (i * 37) % 9000),
         '2026年%d月%d日' % (1 + i % 12, 1 + i % 28)]
    if fixture.startswith('payslip'):
        r = ['员工%04d' % i, 'A%d' % (10000 + i), depts[i % 4], '专员', str(5000 + (i * 37) % 9000),
             str(800 + i % 500), str(i % 300), '512.00', '480.00', str(i % 90), '6000.00', '2026年11月']
    rows.append('<table:table-row>' + ''.join(map(cell, r)) + '</table:table-row>')
ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"')
open('data.fods', 'w').write(f'''<?xml version="1.0" encoding="UTF-8"?>
<office:document {ns} office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="Sheet1">{''.join(rows)}
</table:table></office:spreadsheet></office:body></office:document>''')
lines = ['录用通知书', '尊敬的 姓名 ：', '经研究决定，录用您到 部门 工作，工号 工号 ，月薪 月薪 元。',
         '请于 入职日期 到公司报到。', '此致', '人力资源部']
table = ('<table:table table:name="T"><table:table-column table:number-columns-repeated="2"/>' +
         ''.join(f'<table:table-row>{cell(a)}{cell(b)}</table:table-row>'
                 for a, b in [('部门', ' 部门 '), ('工号', ' 工号 '), ('月薪', ' 月薪 ')]) +
         '</table:table>')
open('模板.fodt', 'w').write(f'''<?xml version="1.0" encoding="UTF-8"?>
<office:document {ns} office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text>{''.join(f'<text:p>{esc(l)}</text:p>' for l in lines)}{table}
</office:text></office:body></office:document>''')
PY
profile="file://$work/lo-profile"
soffice -env:UserInstallation="$profile" --headless --convert-to xlsx data.fods >/dev/null 2>&1
soffice -env:UserInstallation="$profile" --headless --convert-to docx 模板.fodt >/dev/null 2>&1
case "${FIXTURE:-}" in payslip* | notice_pages) cp "$root/tests/data/word/${FIXTURE}.docx" 模板.docx ;; esac
mv data.xlsx 数据.xlsx
soffice -env:UserInstallation="$profile" --headless --convert-to doc 模板.docx >/dev/null 2>&1
mkdir -p docs
"$cli" --data 数据.xlsx --template 模板.docx --out docs >/dev/null
echo "== $(ls docs | wc -l) records made by vexlo-merge =="
"$root/build/bench/output_bench" docs | tee bench.txt
lo_pdf=$(sed -n 's/^PDF .*LibreOffice batches *\([0-9.]*\) s.*/\1/p' bench.txt)
lo_doc=$(sed -n 's/^\.doc .*LibreOffice batches *\([0-9.]*\) s.*/\1/p' bench.txt)

calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }
wall() { /usr/bin/time -o "$work/t" -f "%e" "$@" >/dev/null 2>&1 || true; cat "$work/t" | tail -1; }
echo "== the whole run, vexlo-merge from the spreadsheet (offices started by the run) =="
mkdir -p run-pdf run-doc
e2e_pdf=$(wall "$cli" --data 数据.xlsx --template 模板.docx --out run-pdf --pdf)
e2e_doc=$(wall "$cli" --data 数据.xlsx --template 模板.doc --out run-doc)
mkdir -p run-doc-pdf
e2e_doc_pdf=$(wall "$cli" --data 数据.xlsx --template 模板.doc --out run-doc-pdf --pdf)
printf '.docx template, %s .docx + %s PDFs   %6s s  (%s of the LibreOffice PDF batch)\n' \
  "$(ls run-pdf/*.docx | wc -l)" "$(ls run-pdf/*.pdf | wc -l)" "$e2e_pdf" "$(calc "$e2e_pdf / $lo_pdf")"
printf '.doc template, %s .doc outputs          %6s s  (%s of the LibreOffice .doc batch)\n' \
  "$(ls run-doc/*.doc | wc -l)" "$e2e_doc" "$(calc "$e2e_doc / $lo_doc")"
printf '.doc template, %s .doc + %s PDFs     %6s s  (%s of both LibreOffice batches)\n' \
  "$(ls run-doc-pdf/*.doc | wc -l)" "$(ls run-doc-pdf/*.pdf | wc -l)" "$e2e_doc_pdf" \
  "$(calc "$e2e_doc_pdf / ($lo_doc + $lo_pdf)")"

echo "== bundled example, cold start =="
cp "$root/示例/模板.doc" one.doc
soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir warm one.doc >/dev/null 2>&1
bare=$(wall soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir bare one.doc)
# A profile used only headless never records that its version has run, so every start runs the
# office's graphics tests again; the offices of vexlo record it. The same bare run on a profile
# that records it, for comparison.
settled="$work/settled-profile"
soffice -env:UserInstallation="file://$settled" --headless --terminate_after_init >/dev/null 2>&1 || true
soffice -env:UserInstallation="file://$settled" --headless --terminate_after_init >/dev/null 2>&1 || true
python3 - "$settled/user/registrymodifications.xcu" <<'PY'
import re, sys
xcd = open('/usr/lib/libreoffice/share/.registry/main.xcd', encoding='utf-8').read()
version = re.search(r'<prop oor:name="ooSetupVersion">\s*<value>([^<]*)</value>', xcd).group(1)
path = sys.argv[1]
xcu = open(path, encoding='utf-8').read().replace('</oor:items>',
    '<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" '
    f'oor:op="fuse"><value>{version}</value></prop></item>\n</oor:items>')
open(path, 'w', encoding='utf-8').write(xcu)
PY
soffice -env:UserInstallation="file://$settled" --headless --convert-to pdf --outdir warm2 one.doc >/dev/null 2>&1
bare_settled=$(wall soffice -env:UserInstallation="file://$settled" --headless --convert-to pdf --outdir bare2 one.doc)
mkdir -p ex ex-pdf
plain=$(wall "$cli" --data "$root/示例/数据.xls" --template "$root/示例/模板.doc" --out ex)
pdf=$(wall "$cli" --data "$root/示例/数据.xls" --template "$root/示例/模板.doc" --out ex-pdf --pdf)
printf 'one bare soffice --convert-to pdf    %6s s  (on a profile that records its version: %s s)\n' "$bare" "$bare_settled"
mkdir -p first
first=$(XDG_CACHE_HOME="$work/empty-cache" wall "$cli" --data "$root/示例/数据.xls" --template "$root/示例/模板.doc" --out first --pdf)
printf 'vexlo-merge example, no PDF          %6s s  (%s files)\n' "$plain" "$(ls ex | wc -l)"
printf 'vexlo-merge example, with PDF        %6s s  (%s PDFs)  ratio %s (target <= 1)\n' \
  "$pdf" "$(ls ex-pdf/*.pdf | wc -l)" "$(calc "$pdf / $bare")"
printf 'the same, very first run of a user   %6s s  (no profile nor template cache yet)\n' "$first"
