#!/usr/bin/env bash
# Remakes the documents the merge and output tests use, written here as flat ODF and converted by
# LibreOffice:
#  tests/data/output/: a small Chinese letter as .docx and .doc, fed to the PDF and print queue;
#  tests/data/merge/: a letter template (titles as plain text) as .docx/.doc and a three-record
#  data sheet as .xlsx/.xls (the third record's name holds a "/" that no file name can hold),
#  plus a sheet with titles but no record, one without titles, one with a 300-byte record name
#  and one with a record named "合并输出".
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/tests/data/merge"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$root/tests/data/output"
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
cp "$work/letter.docx" "$root/tests/data/output/通知.docx"
cp "$work/letter.doc" "$root/tests/data/output/通知.doc"
cat > "$work/模板.fodt" <<'FODT'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"
  office:mimetype="application/vnd.oasis.opendocument.text">
 <office:body>
  <office:text>
   <text:p>录用通知</text:p>
   <text:p>尊敬的 姓名 ：您已被 部门 录用，工号 ID ，IDENTITY 保持不变。</text:p>
  </office:text>
 </office:body>
</office:document>
FODT
cell() { printf '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' "$1"; }
row() { printf '<table:table-row>'; for v in "$@"; do cell "$v"; done; printf '</table:table-row>\n'; }
{
  cat <<'HEAD'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"
  office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
 <office:body><office:spreadsheet><table:table table:name="名单">
HEAD
  row 姓名 部门 ID
  row 张三 销售部 A001
  row 李四 技术部 A002
  row 王/五 财务部 A003
  cat <<'TAIL'
 </table:table></office:spreadsheet></office:body>
</office:document>
TAIL
} > "$work/数据.fods"
sheet() {  # sheet NAME ROWS...: a one-sheet flat ODF workbook; each row is "a|b|c"
  local name=$1; shift
  {
    sed -n '/^<?xml/,/<table:table table:name/p' "$work/数据.fods"
    for r in "$@"; do IFS='|' read -ra cells <<<"$r"; row "${cells[@]}"; done
    printf ' </table:table></office:spreadsheet></office:body>\n</office:document>\n'
  } > "$work/$name.fods"
}
sheet 无记录 "姓名|部门|ID"          # titles, no record
sheet 无标题 "|部门|ID" "张三|销售部|A001"  # A1 empty: no titles at all
long_name=$(printf '长%.0s' $(seq 1 100))   # 300 bytes: more than a file name can hold
sheet 长名 "姓名|部门|ID" "张三|销售部|A001" "$long_name|技术部|A002" "李四|财务部|A003"
sheet 保留名 "姓名|部门|ID" "合并输出|销售部|A001" "张三|技术部|A002"  # a record named like the merged document
p="-env:UserInstallation=file://$work/profile"
(cd "$work" &&
  soffice "$p" --headless --convert-to docx 模板.fodt >/dev/null &&
  soffice "$p" --headless --convert-to "doc:MS Word 97" 模板.fodt >/dev/null &&
  soffice "$p" --headless --convert-to xlsx 数据.fods 无记录.fods 无标题.fods 长名.fods 保留名.fods >/dev/null &&
  soffice "$p" --headless --convert-to "xls:MS Excel 97" 数据.fods >/dev/null)
cp "$work"/模板.docx "$work"/模板.doc "$work"/数据.xlsx "$work"/数据.xls "$work"/无记录.xlsx \
  "$work"/无标题.xlsx "$work"/长名.xlsx "$work"/保留名.xlsx "$out/"
echo "wrote tests/data/output and tests/data/merge"
