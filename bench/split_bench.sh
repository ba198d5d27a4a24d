#!/usr/bin/env bash
# Cutting the joined export of two-page notices into its records, timed by
# build/bench/split_bench. The notice is the one of the tests ("第 X 页 共 Y 页" in the footer, a
# heading on each page, a table; CJK fonts subset by LibreOffice as Type 1). By default the
# committed export of 48 of them (tests/data/pdf/joined_notices_48.pdf); with FRESH=1 one made
# now: the records by vexlo-merge, joined as the engine joins them, exported by LibreOffice
# with the record marks as destinations (SAVE=FILE keeps it).
# Run by hand after scripts/build.sh.
# Usage: [FRESH=1 [SAVE=FILE]] bench/split_bench.sh [RECORDS] [ROUNDS] [KEEP_DIR]
#   RECORDS only with FRESH=1 (default 48); KEEP_DIR keeps the parts of the last cut, to compare
#   the parts of two builds.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
records=${1:-48}
rounds=${2:-10}
bench="$root/build/bench/split_bench"
cli="$root/build/vexlo-merge"
[ -x "$bench" ] && [ -x "$cli" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
if [ -z "${FRESH:-}" ]; then exec "$bench" "$root/tests/data/pdf/joined_notices_48.pdf" "$rounds" ${3:+"$3"}; fi
work=$(mktemp -d /tmp/vexlo-split-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
# The notice's records (its titles, as bench/office_bench.sh fills them), as a .csv.
python3 "$root/bench/make_fixture_records.py" notice_pages "$records" data.csv
profile="file://$work/lo-profile"
mkdir docs
"$cli" --data data.csv --template "$root/tests/data/word/notice_pages.docx" --out docs >/dev/null
"$bench" --join joined.docx docs/*.docx
filter='pdf:writer_pdf_Export:{"ExportBookmarksToPDFDestination":{"type":"boolean","value":"true"}}'
soffice -env:UserInstallation="$profile" --headless --convert-to "$filter" joined.docx >/dev/null 2>&1
[ -n "${SAVE:-}" ] && cp joined.pdf "$SAVE"
"$bench" joined.pdf "$rounds" ${3:+"$3"}
