#!/usr/bin/env bash
# Remakes tests/data/word: the .docx fixtures written by our own code, then the LibreOffice ones
# (lo_notice.docx and lo_notice.doc) converted from the flat ODF text the tool writes, and the
# mail-merge template as a .doc (merge_fields.doc: its merge fields as the office writes them).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out="$root/tests/data/word"
"$root/build/tools/word_fixtures/make_word_fixtures" "$out"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
for target in "docx:MS Word 2007 XML" "doc:MS Word 97"; do
  soffice -env:UserInstallation="file://$profile" --headless --norestore \
    --convert-to "$target" --outdir "$out" "$out/lo_notice.fodt" >/dev/null
done
soffice -env:UserInstallation="file://$profile" --headless --norestore \
  --convert-to "doc:MS Word 97" --outdir "$out" "$out/merge_fields.docx" >/dev/null
ls -l "$out"
