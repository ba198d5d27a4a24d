#!/usr/bin/env bash
# Remakes tests/data/output/: a small Chinese letter written here as flat ODF, converted by
# LibreOffice into the .docx and .doc files that the PDF and printing tests feed the converter.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/tests/data/output"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cat > "$work/letter.fodt" <<'FODT'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:font-face-decls>
  <style:font-face style:name="宋体" svg:font-family="宋体" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"/>
 </office:font-face-decls>
 <office:automatic-styles>
  <style:style style:name="P1" style:family="paragraph">
   <style:text-properties style:font-name="宋体" style:font-name-asian="宋体" fo:font-size="12pt" style:font-size-asian="12pt"/>
  </style:style>
 </office:automatic-styles>
 <office:body>
  <office:text>
   <text:p text:style-name="P1">录用通知书</text:p>
   <text:p text:style-name="P1">尊敬的张三：您已被销售部录用，月薪 8000 元。</text:p>
   <text:p text:style-name="P1">Offer letter 2026</text:p>
  </office:text>
 </office:body>
</office:document>
FODT
profile="$work/profile"
soffice -env:UserInstallation=file://"$profile" --headless --convert-to docx --outdir "$work" "$work/letter.fodt" >/dev/null
soffice -env:UserInstallation=file://"$profile" --headless --convert-to "doc:MS Word 97" --outdir "$work" "$work/letter.fodt" >/dev/null
cp "$work/letter.docx" "$out/通知.docx"
cp "$work/letter.doc" "$out/通知.doc"
echo "wrote $out"
