#!/usr/bin/env bash
# Which of the PDF export's own settings cost the office time without changing the records'
# PDFs, timed by build/bench/export_settings_bench on 48 records joined as the engine joins
# them. The records are those of bench/office_bench.sh, made by vexlo-merge from a template of
# the tests: by default the two-page notice ("第 X 页 共 Y 页" in the footer, a heading on each
# page, a table, dates); FIXTURE=payslip_heading the pay slip whose page titles are headings.
# Run by hand after scripts/build.sh.
# Usage: [FIXTURE=notice_pages|payslip_heading] bench/export_settings_bench.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rounds=${1:-7}
fixture=${FIXTURE:-notice_pages}
bench="$root/build/bench/export_settings_bench"
cli="$root/build/vexlo-merge"
[ -x "$bench" ] && [ -x "$cli" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
work=$(mktemp -d /tmp/vexlo-export-settings-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
python3 - "$fixture" <<'PY'
import csv, sys
depts = ['销售部', '技术部', '财务部', '人事部']
with open('data.csv', 'w', newline='', encoding='utf-8') as f:
    w = csv.writer(f)
    if sys.argv[1].startswith('payslip'):
        w.writerow(['姓名', '工号', '部门', '岗位', '基本', '绩效工资', '加班费', '社保', '公积金', '个税',
                    '实发工资', '发放月份'])
        for i in range(1, 49):
            w.writerow(['员工%04d' % i, 'A%d' % (10000 + i), depts[i % 4], '专员', str(5000 + (i * 37) % 9000),
                        str(800 + i % 500), str(i % 300), '512.00', '480.00', str(i % 90), '6000.00', '2026年11月'])
    else:
        w.writerow(['姓名', '部门', '工号', '月薪', '入职日期'])
        for i in range(1, 49):
            w.writerow(['员工%04d' % i, depts[i % 4], 'A%d' % (10000 + i), str(5000 + (i * 37) % 9000),
                        '2026年%d月%d日' % (1 + i % 12, 1 + i % 28)])
PY
mkdir docs
"$cli" --data data.csv --template "$root/tests/data/word/$fixture.docx" --out docs >/dev/null
# Both templates' records take two pages: their page counts are written in as 2, as the joined
# exports after the first write them.
"$bench" "$rounds" 2 docs/*.docx
