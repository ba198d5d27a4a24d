#!/usr/bin/env bash
# The whole CLI on 999 records (.docx template, .xlsx data), without and with PDF, side by side
# with docxtemplater (from npm, installed here into a temporary folder, never a vexlo dependency)
# followed by LibreOffice converting its 999 .docx sequentially in batches of 200.
# Run by hand after scripts/build.sh; needs node and npm. Prints the figures.
# Usage: bench/merge_bench.sh [RECORDS]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
records=${1:-999}
cli="$root/build/vexlo-merge"
[ -x "$cli" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
command -v node >/dev/null && command -v npm >/dev/null && [ -x /usr/bin/time ] ||
  { echo "needs node, npm and /usr/bin/time" >&2; exit 1; }
work=$(mktemp -d /tmp/vexlo-bench-XXXXXX)
[ -n "${KEEP:-}" ] && echo "keeping $work" || trap 'rm -rf "$work"' EXIT
cd "$work"

# --- inputs: one letter template (titles as plain text, and with {tags} for docxtemplater),
# the records as a flat ODF sheet and as JSON ---
cat > gen.js <<'JS'
const fs = require('fs');
const n = Number(process.argv[2]);
const titles = ['姓名', '部门', '工号', '月薪', '入职日期'];
const depts = ['销售部', '技术部', '财务部', '人事部'];
const rows = [];
for (let i = 1; i <= n; i++) {
  rows.push({'姓名': '员工' + String(i).padStart(4, '0'), '部门': depts[i % 4],
             '工号': 'A' + (10000 + i), '月薪': String(5000 + (i * 37) % 9000),
             '入职日期': '2026年' + (1 + i % 12) + '月' + (1 + i % 28) + '日'});
}
fs.writeFileSync('data.json', JSON.stringify(rows));
const esc = s => s.replace(/&/g, '&amp;').replace(/</g, '&lt;');
const cell = v => `<table:table-cell office:value-type="string"><text:p>${esc(v)}</text:p></table:table-cell>`;
let sheet = '<table:table-row>' + titles.map(cell).join('') + '</table:table-row>\n';
for (const r of rows) sheet += '<table:table-row>' + titles.map(t => cell(r[t])).join('') + '</table:table-row>\n';
fs.writeFileSync('data.fods', `<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="Sheet1">
${sheet}</table:table></office:spreadsheet></office:body></office:document>`);
const letter = f => ['录用通知书',
  `尊敬的${f('姓名')}：`,
  `经研究决定，录用您到${f('部门')}工作，工号 ${f('工号')}，月薪 ${f('月薪')} 元。`,
  `请于 ${f('入职日期')} 到公司报到。`, '此致', '人力资源部'];
const fodt = lines => `<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text>
${lines.map(l => `<text:p>${esc(l)}</text:p>`).join('\n')}
</office:text></office:body></office:document>`;
fs.writeFileSync('模板.fodt', fodt(letter(t => ' ' + t + ' ')));
fs.writeFileSync('dt.fodt', fodt(letter(t => '{' + t + '}')));
JS
node gen.js "$records"
profile="file://$work/lo-profile"
soffice -env:UserInstallation="$profile" --headless --convert-to xlsx data.fods >/dev/null 2>&1
soffice -env:UserInstallation="$profile" --headless --convert-to docx 模板.fodt dt.fodt >/dev/null 2>&1
mv data.xlsx 数据.xlsx

calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
# measure NAME COMMAND...: runs the command; sets NAME_s (wall seconds) and NAME_cpu (user + system
# seconds of it and its children: what an idle machine would spread over its cores).
measure() {
  local name=$1; shift
  /usr/bin/time -o "$work/time.txt" -f "%e %U %S" "$@"
  read -r wall user sys < "$work/time.txt"
  printf -v "${name}_s" '%s' "$wall"
  printf -v "${name}_cpu" '%s' "$(calc "$user + $sys")"
}

# --- docxtemplater + LibreOffice ---
mkdir -p node dt lo
npm --prefix node install --silent --no-audit --no-fund docxtemplater pizzip >/dev/null
cat > dt.js <<'JS'
const fs = require('fs');
const PizZip = require('./node/node_modules/pizzip');
const Docxtemplater = require('./node/node_modules/docxtemplater');
const rows = JSON.parse(fs.readFileSync('data.json'));
const template = fs.readFileSync('dt.docx');
for (const r of rows) {
  const doc = new Docxtemplater(new PizZip(template), {paragraphLoop: true, linebreaks: true});
  doc.render(r);
  fs.writeFileSync('dt/' + r['姓名'] + '.docx', doc.getZip().generate({type: 'nodebuffer'}));
}
JS
measure dt node dt.js
cat > lo.sh <<'SH'
files=(dt/*.docx)
for ((i = 0; i < ${#files[@]}; i += 200)); do
  soffice -env:UserInstallation="$1" --headless --convert-to pdf --outdir lo "${files[@]:i:200}" >/dev/null 2>&1
done
SH
soffice -env:UserInstallation="$profile" --headless --convert-to pdf --outdir warm dt.docx >/dev/null 2>&1
measure lo bash lo.sh "$profile"
lo_pdfs=$(ls lo | wc -l)

# --- vexlo-merge ---
mkdir -p out out-pdf
measure v "$cli" --data 数据.xlsx --template 模板.docx --out out
measure vp "$cli" --data 数据.xlsx --template 模板.docx --out out-pdf --pdf
v_docs=$(ls out/*.docx | wc -l)
vp_pdfs=$(ls out-pdf/*.pdf | wc -l)
sample=$(pdftotext -enc UTF-8 out-pdf/员工0001.pdf - | tr -d '\n' | cut -c1-60)

printf '\n%d records, %s cores, load %s\n' "$records" "$(nproc)" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-46s %8s %8s\n' "" "wall s" "CPU s"
printf '%-46s %8.1f %8.1f  (%d .docx)\n' "vexlo-merge, documents only" "$v_s" "$v_cpu" "$v_docs"
printf '%-46s %8.1f %8.1f  (%d .pdf)\n' "vexlo-merge --pdf" "$vp_s" "$vp_cpu" "$vp_pdfs"
printf '%-46s %8.1f %8.1f\n' "docxtemplater, documents only" "$dt_s" "$dt_cpu"
printf '%-46s %8.1f %8.1f  (%d .pdf)\n' "LibreOffice alone, batches of 200 in sequence" "$lo_s" "$lo_cpu" "$lo_pdfs"
printf '%-46s %8.1f %8.1f\n' "docxtemplater + LibreOffice" "$(calc "$dt_s + $lo_s")" "$(calc "$dt_cpu + $lo_cpu")"
printf '%-46s %8.2f  (target <= 0.60)\n' "vexlo-merge --pdf / LibreOffice alone, wall" "$(calc "$vp_s / $lo_s")"
printf 'first PDF reads: %s\n' "$sample"
