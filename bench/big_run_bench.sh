#!/usr/bin/env bash
# Time and peak memory of the big runs, through the whole CLI: RECORDS (default 999) pay slips
# from the example's .doc template with PDFs, one file per record and then all in one file
# ("合并输出") with its PDF. The peak counts vexlo-merge and its offices together.
# Run by hand after scripts/build.sh. Usage: bench/big_run_bench.sh [RECORDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
records=${1:-999}
cli=${CLI:-$root/build/vexlo-merge}  # CLI=... measures another build
[ -x "$cli" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
work=$(mktemp -d /tmp/vexlo-big-run-XXXXXX)
[ -n "${KEEP:-}" ] && echo "keeping $work" || trap 'rm -rf "$work"' EXIT
cd "$work"
python3 "$root/bench/make_pay_data.py" "$records" 数据.csv
cp "$root/示例/模板.doc" 模板.doc
watch() { python3 "$root/bench/run_watch.py" -- "$@"; }

echo "== $records records, .doc template, a .doc and a PDF each =="
watch "$cli" --data 数据.csv --template 模板.doc --out each --pdf
echo "   $(ls each/*.doc | wc -l) .doc, $(ls each/*.pdf | wc -l) PDF"
echo "== $records records, .doc template, one file with its PDF =="
watch "$cli" --data 数据.csv --template 模板.doc --out one --one-file --pdf
echo "   $(ls one | tr "\n" " ")"
