#!/usr/bin/env bash
# Remakes the .doc templates that test the proof of the .doc-to-.docx detour, written here as flat
# ODF and converted by LibreOffice:
#  toc_localised.doc: a report whose table of contents has real entries and whose field
#    instruction names the field in German ("INHALTSVERZEICHNIS", as localised word processors
#    wrote it); an empty paragraph ends its first section;
#  section_gap.doc: a notice whose empty paragraph just before a section break is all that
#    separates its two sections;
#  plain_two_pages.doc: an ordinary two-page pay slip with a table.
# The office writes a TOC instruction of its own; it is renamed in place in the WordDocument
# stream (same length, padded with spaces), so that every position in the file stays right.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
out="$root/tests/data/word"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head='<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
  xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:styles><style:style style:name="TocExtraStyle" style:family="paragraph"/></office:styles>
 <office:automatic-styles>
  <style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm"/></style:page-layout>
  <style:page-layout style:name="pm2"><style:page-layout-properties fo:page-width="29.7cm" fo:page-height="21cm" style:print-orientation="landscape"/></style:page-layout>
  <style:style style:name="Land" style:family="paragraph" style:master-page-name="Landscape"/>
  <style:style style:name="Break" style:family="paragraph"><style:paragraph-properties fo:break-before="page"/></style:style>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Standard" style:page-layout-name="pm1"/>
  <style:master-page style:name="Landscape" style:page-layout-name="pm2"/>
 </office:master-styles>
 <office:body>
  <office:text>'
tail='  </office:text>
 </office:body>
</office:document>'
{
  echo "$head"
  cat <<'BODY'
   <text:p>季度报告 姓名</text:p>
   <text:table-of-content text:name="目录1">
    <text:table-of-content-source text:outline-level="3" text:use-index-source-styles="true">
     <text:index-source-styles text:outline-level="2"><text:index-source-style text:style-name="TocExtraStyle"/></text:index-source-styles>
    </text:table-of-content-source>
    <text:index-body>
     <text:index-title text:name="目录1_Head"><text:p>目录</text:p></text:index-title>
     <text:p>第一章 概况<text:tab/>1</text:p>
     <text:p>第二章 数据<text:tab/>2</text:p>
    </text:index-body>
   </text:table-of-content>
   <text:h text:outline-level="1">第一章 概况</text:h>
   <text:p>部门 的情况说明。</text:p>
   <text:p/>
   <text:h text:style-name="Land" text:outline-level="1">第二章 数据</text:h>
   <text:p>工号 ID 的数据。</text:p>
BODY
  echo "$tail"
} > "$work/toc_localised.fodt"
{
  echo "$head"
  cat <<'BODY'
   <text:p>通知 姓名</text:p>
   <text:p>部门 第一节。</text:p>
   <text:p/>
   <text:p text:style-name="Land">第二节 工号 ID。</text:p>
BODY
  echo "$tail"
} > "$work/section_gap.fodt"
{
  echo "$head"
  echo '   <text:p>工资条</text:p><text:p>姓名 部门</text:p>'
  echo '   <table:table table:name="工资"><table:table-column table:number-columns-repeated="2"/>'
  for item in 基本工资 岗位津贴 绩效奖金 加班费 交通补贴 餐费补贴 养老保险 医疗保险 失业保险 住房公积金 个人所得税 实发工资; do
    echo "    <table:table-row><table:table-cell><text:p>$item</text:p></table:table-cell><table:table-cell><text:p>ID</text:p></table:table-cell></table:table-row>"
  done
  echo '   </table:table>'
  echo '   <text:p text:style-name="Break">说明</text:p>'
  for i in $(seq 1 8); do echo "   <text:p>第 $i 条：工资按月发放，如有疑问请与人事部联系。</text:p>"; done
  echo "$tail"
} > "$work/plain_two_pages.fodt"
profile="$work/profile"
for name in toc_localised section_gap plain_two_pages; do
  soffice -env:UserInstallation=file://"$profile" --headless --norestore \
    --convert-to "doc:MS Word 97" --outdir "$work" "$work/$name.fodt" >/dev/null
  cp "$work/$name.doc" "$out/$name.doc"
done
python3 - "$out/toc_localised.doc" <<'PY'
import sys
path = sys.argv[1]
data = open(path, "rb").read()
old = ' TOC \\f \\o "1-3" \\t "TocExtraStyle,2" \\h'
new = ' INHALTSVERZEICHNIS \\o "1-3" \\h'
new += " " * (len(old) - len(new))
o, n = old.encode("utf-16-le"), new.encode("utf-16-le")
assert data.count(o) == 1, "the office wrote another TOC instruction"
open(path, "wb").write(data.replace(o, n))
PY
ls -l "$out"/toc_localised.doc "$out"/section_gap.doc "$out"/plain_two_pages.doc
