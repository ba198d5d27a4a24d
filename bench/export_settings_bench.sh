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
python3 "$root/bench/make_fixture_records.py" "$fixture" 48 data.csv
mkdir docs
"$cli" --data data.csv --template "$root/tests/data/word/$fixture.docx" --out docs >/dev/null
# Both templates' records take two pages: their page counts are written in as 2, as the joined
# exports after the first write them.
"$bench" "$rounds" 2 docs/*.docx
