#!/usr/bin/env bash
# Remakes tests/data/corpus: the .docx templates written by our own code, a .doc of each and the
# workbook (from CSV) through LibreOffice.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out="$root/tests/data/corpus"
"$root/build/tools/word_corpus/make_word_corpus" "$out"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
lo() { soffice -env:UserInstallation="file://$profile" --headless --norestore "$@" >/dev/null; }
for f in "$out"/*.docx; do
  lo --convert-to "doc:MS Word 97" --outdir "$out" "$f"
done
lo --infilter="CSV:44,34,76" --convert-to "xlsx:Calc MS Excel 2007 XML" --outdir "$out" "$out/corpus_data.csv"
rm "$out/corpus_data.csv"
ls -l "$out"
