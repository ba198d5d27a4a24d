#!/usr/bin/env bash
# Runs the word-processor benchmark and, in the same run, the docxtemplater comparison.
# docxtemplater, pizzip and SheetJS (xlsx) are installed by this script into a temporary folder
# (never a dependency of vexlo). Usage: bench/run_word_bench.sh [runs]   (TMPDIR picks the output disk)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs="${1:-5}"
bash "$root/scripts/build.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "output folder: ${TMPDIR:-/tmp}"
"$root/build/bench/word_bench" "$root/tests/data/word/payslip.docx" "$runs"
if command -v npm >/dev/null && npm install --silent --no-audit --no-fund --prefix "$work/node" \
     docxtemplater pizzip xlsx >/dev/null 2>&1; then
  "$root/build/bench/word_bench" "$root/tests/data/word/payslip.docx" 0 "workbook=$work/数据.xlsx"
  NODE_PATH="$work/node/node_modules" node "$root/bench/docxtemplater_bench.js" \
    "$root/tests/data/word" "$work/数据.xlsx" "$work/out" "$runs"
else
  echo "docxtemplater: npm install failed, comparison skipped"
fi
