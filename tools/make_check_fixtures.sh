#!/usr/bin/env bash
# Remakes the templates of the check before writing (tests/data/check/), written here as flat ODF
# and converted by LibreOffice: a pay slip whose titles nest (实发工资 inside 实发工资大写) and
# whose label 公积金比例 holds the title 公积金, as .docx and .doc.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/tests/data/check"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cat > "$work/嵌套标题.fodt" <<'FODT'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"
  office:mimetype="application/vnd.oasis.opendocument.text">
 <office:body>
  <office:text>
   <text:p>工资条</text:p>
   <text:p>员工：姓名</text:p>
   <text:p>实发：实发工资 元</text:p>
   <text:p>大写：实发工资大写</text:p>
   <text:p>公积金比例：12%</text:p>
   <text:p>缴存：公积金 元</text:p>
  </office:text>
 </office:body>
</office:document>
FODT
profile="$work/profile"
for fmt in docx "doc:MS Word 97"; do
  soffice -env:UserInstallation=file://"$profile" --headless --convert-to "$fmt" --outdir "$work" \
    "$work/嵌套标题.fodt" >/dev/null
done
cp "$work/嵌套标题.docx" "$work/嵌套标题.doc" "$out/"
