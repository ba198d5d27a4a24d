#!/usr/bin/env bash
# What an office that stops in the middle of a run costs: RECORDS (default 200) pay slips with
# PDFs from the example template made a .docx, through the whole CLI, once as is and once with
# one office stopped (SIGSTOP) when a quarter of the PDFs are there. Prints both runs' times and
# how long the stopped office lived on before the run replaced it.
# Run by hand after scripts/build.sh. Usage: bench/stall_bench.sh [RECORDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
records=${1:-200}
cli=${CLI:-$root/build/vexlo-merge}  # CLI=... measures another build
[ -x "$cli" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
work=$(mktemp -d /tmp/vexlo-stall-XXXXXX)
[ -n "${KEEP:-}" ] && echo "keeping $work" || trap 'rm -rf "$work"' EXIT
cd "$work"
python3 "$root/bench/make_pay_data.py" "$records" 数据.csv
soffice -env:UserInstallation="file://$work/lo-profile" --headless --convert-to docx "$root/示例/模板.doc" >/dev/null 2>&1
watch() { python3 "$root/bench/run_watch.py" "$@"; }

echo "== $records records with PDFs, the offices left alone =="
watch -- "$cli" --data 数据.csv --template 模板.docx --out healthy --pdf
echo "== the same, one office stopped at $((records / 4)) PDFs =="
watch --stop-office-at $((records / 4)) stalled -- "$cli" --data 数据.csv --template 模板.docx --out stalled --pdf
