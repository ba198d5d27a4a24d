#!/usr/bin/env bash
# Makes the bundled examples 示例/模板.doc and 示例/数据.xls: a pay slip template and ten
# employees' pay for one month. Both are written as flat OpenDocument XML here and converted by
# LibreOffice (headless, private profile). Run by hand from anywhere; the results are committed.
#   bash tools/examples/make_examples.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

month="2026年11月"
# 姓名 部门 职务 基本工资 岗位津贴 绩效奖金 加班费
employees=(
  "张伟 研发部 高级工程师 12000 1500 2600 800"
  "王芳 市场部 市场专员 7800 800 1200 0"
  "李娜 财务部 会计 8500 1000 900 300"
  "刘洋 研发部 工程师 9800 1200 1800 1200"
  "陈静 行政部 行政主管 8200 1000 700 0"
  "杨帆 销售部 销售经理 10500 1500 4200 0"
  "赵磊 研发部 测试工程师 8800 1000 1100 650"
  "黄敏 人事部 招聘专员 7200 800 600 0"
  "周杰 销售部 销售代表 6800 600 3100 400"
  "吴婷 财务部 出纳 6500 600 500 0"
)
titles=(姓名 部门 职务 月份 基本工资 岗位津贴 绩效奖金 加班费 社保扣款 公积金扣款 个人所得税 实发工资)

# Monthly income tax on the part above 5000 yuan, by the seven-bracket table, whole yuan.
tax() {
  local t=$1
  ((t <= 0)) && { echo 0; return; }
  local rate quick
  if ((t <= 3000)); then rate=3 quick=0
  elif ((t <= 12000)); then rate=10 quick=210
  elif ((t <= 25000)); then rate=20 quick=1410
  elif ((t <= 35000)); then rate=25 quick=2660
  elif ((t <= 55000)); then rate=30 quick=4410
  elif ((t <= 80000)); then rate=35 quick=7160
  else rate=45 quick=15160
  fi
  echo $(((t * rate + 50) / 100 - quick))
}

cell_text() { printf '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' "$1"; }
cell_num() { printf '<table:table-cell office:value-type="float" office:value="%s"><text:p>%s</text:p></table:table-cell>' "$1" "$1"; }

# ---- the data workbook ----
{
  cat <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
  office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
  <style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="2.4cm"/></style:style>
  <style:style style:name="head" style:family="table-cell"><style:text-properties fo:font-weight="bold"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet>
<table:table table:name="工资表">
<table:table-column table:style-name="co1" table:number-columns-repeated="12"/>
<table:table-row>
XML
  for t in "${titles[@]}"; do
    printf '<table:table-cell table:style-name="head" office:value-type="string"><text:p>%s</text:p></table:table-cell>' "$t"
  done
  echo '</table:table-row>'
  for row in "${employees[@]}"; do
    read -r name dept job base allowance bonus overtime <<<"$row"
    social=$(((base * 105 + 500) / 1000))
    fund=$(((base * 7 + 50) / 100))
    gross=$((base + allowance + bonus + overtime))
    income_tax=$(tax $((gross - social - fund - 5000)))
    net=$((gross - social - fund - income_tax))
    echo -n '<table:table-row>'
    cell_text "$name"; cell_text "$dept"; cell_text "$job"; cell_text "$month"
    for v in "$base" "$allowance" "$bonus" "$overtime" "$social" "$fund" "$income_tax" "$net"; do
      cell_num "$v"
    done
    echo '</table:table-row>'
  done
  echo '</table:table></office:spreadsheet></office:body></office:document>'
} >"$work/数据.fods"

# ---- the template ----
# Every title stands alone (in its own cell, or after a colon), and no label repeats a title, so
# replacing the titles changes nothing else.
label_cell() { printf '<table:table-cell table:style-name="lab" office:value-type="string"><text:p text:style-name="pl">%s</text:p></table:table-cell>' "$1"; }
value_cell() { printf '<table:table-cell table:style-name="val" office:value-type="string"><text:p text:style-name="pv">%s</text:p></table:table-cell>' "$1"; }
{
  cat <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
  xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
  office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:font-face-decls>
  <style:font-face style:name="宋体" svg:font-family="宋体" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"/>
  <style:font-face style:name="黑体" svg:font-family="黑体" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"/>
</office:font-face-decls>
<office:styles>
  <style:default-style style:family="paragraph">
    <style:text-properties style:font-name="宋体" style:font-name-asian="宋体" fo:font-size="11pt" style:font-size-asian="11pt"/>
  </style:default-style>
</office:styles>
<office:automatic-styles>
  <style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm" fo:margin-top="2.5cm" fo:margin-bottom="2.5cm" fo:margin-left="2.5cm" fo:margin-right="2.5cm"/></style:page-layout>
  <style:style style:name="title" style:family="paragraph"><style:paragraph-properties fo:text-align="center" fo:margin-bottom="0.3cm"/><style:text-properties style:font-name="黑体" style:font-name-asian="黑体" fo:font-size="18pt" style:font-size-asian="18pt" fo:font-weight="bold" style:font-weight-asian="bold"/></style:style>
  <style:style style:name="sub" style:family="paragraph"><style:paragraph-properties fo:text-align="center" fo:margin-bottom="0.5cm"/><style:text-properties fo:font-size="12pt" style:font-size-asian="12pt"/></style:style>
  <style:style style:name="body" style:family="paragraph"><style:paragraph-properties fo:margin-top="0.4cm" fo:line-height="150%"/></style:style>
  <style:style style:name="sign" style:family="paragraph"><style:paragraph-properties fo:text-align="end" fo:margin-top="0.8cm"/></style:style>
  <style:style style:name="pl" style:family="paragraph"><style:paragraph-properties fo:text-align="center"/><style:text-properties fo:font-weight="bold" style:font-weight-asian="bold"/></style:style>
  <style:style style:name="pv" style:family="paragraph"><style:paragraph-properties fo:text-align="center"/></style:style>
  <style:style style:name="tbl" style:family="table"><style:table-properties style:width="16cm" table:align="center"/></style:style>
  <style:style style:name="col" style:family="table-column"><style:table-column-properties style:column-width="4cm"/></style:style>
  <style:style style:name="lab" style:family="table-cell"><style:table-cell-properties fo:background-color="#dde4f2" fo:padding="0.15cm" fo:border="0.5pt solid #4a5a8a"/></style:style>
  <style:style style:name="val" style:family="table-cell"><style:table-cell-properties fo:padding="0.15cm" fo:border="0.5pt solid #4a5a8a"/></style:style>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1"/></office:master-styles>
<office:body><office:text>
<text:p text:style-name="title">星河科技有限公司 员工工资条</text:p>
<text:p text:style-name="sub">发放期间：月份</text:p>
<table:table table:name="工资条" table:style-name="tbl">
<table:table-column table:style-name="col" table:number-columns-repeated="4"/>
XML
  rows=(
    "员工 姓名 所属单位 部门"
    "职位 职务 底薪 基本工资"
    "补贴 岗位津贴 绩效 绩效奖金"
    "加班 加班费 社会保险 社保扣款"
    "住房公积金 公积金扣款 个税 个人所得税"
  )
  for r in "${rows[@]}"; do
    read -r l1 v1 l2 v2 <<<"$r"
    echo -n '<table:table-row>'
    label_cell "$l1"; value_cell "$v1"; label_cell "$l2"; value_cell "$v2"
    echo '</table:table-row>'
  done
  echo -n '<table:table-row>'
  label_cell "实发合计（元）"
  printf '<table:table-cell table:style-name="val" table:number-columns-spanned="3" office:value-type="string"><text:p text:style-name="pv">%s</text:p></table:table-cell><table:covered-table-cell/><table:covered-table-cell/>' "实发工资"
  echo '</table:table-row>'
  cat <<'XML'
</table:table>
<text:p text:style-name="body">以上金额单位均为人民币元。社会保险、住房公积金按公司规定比例代扣代缴，个税按月预扣预缴。如对本月收入有疑问，请于收到本条后五个工作日内联系人力资源处。</text:p>
<text:p text:style-name="sign">星河科技有限公司 人力资源处</text:p>
</office:text></office:body></office:document>
XML
} >"$work/模板.fodt"

profile="$work/profile"
cd "$work"
soffice -env:UserInstallation="file://$profile" --headless --convert-to 'xls:MS Excel 97' 数据.fods >/dev/null
soffice -env:UserInstallation="file://$profile" --headless --convert-to 'doc:MS Word 97' 模板.fodt >/dev/null
mkdir -p "$root/示例"
cp 数据.xls 模板.doc "$root/示例/"
echo "wrote $root/示例/数据.xls and $root/示例/模板.doc"
