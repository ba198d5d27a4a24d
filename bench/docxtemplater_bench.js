// The peer comparison of word_bench: docxtemplater fills the same pay slip (titles written as
// {tags}) with the same 999 rows, read from the same .xlsx with SheetJS, one document per
// record and one file through a loop. Run by run_word_bench.sh, which installs docxtemplater,
// pizzip and SheetJS (xlsx) into a temporary folder.
// Usage: node docxtemplater_bench.js <fixture folder> <workbook.xlsx> <output folder> [runs]
'use strict';
const fs = require('fs');
const path = require('path');
const PizZip = require('pizzip');
const Docxtemplater = require('docxtemplater');
const XLSX = require('xlsx');

// The records of the workbook's first sheet, keyed by the titles of row 1.
function readRecords(workbook) {
  const wb = XLSX.readFile(workbook);
  return XLSX.utils.sheet_to_json(wb.Sheets[wb.SheetNames[0]], { defval: '', raw: false });
}

const [fixtures, workbook, outBase, runsArg] = process.argv.slice(2);
const runs = Number(runsArg || 3);
const tags = fs.readFileSync(path.join(fixtures, 'payslip_tags.docx'));
const loop = fs.readFileSync(path.join(fixtures, 'payslip_loop.docx'));
let n = 0;
function fresh() {
  const dir = outBase + '-' + (++n);
  fs.mkdirSync(dir, { recursive: true });
  return dir;
}

function perRecord() {
  const out = fresh();
  const t0 = process.hrtime.bigint();
  for (const rec of readRecords(workbook)) {
    const doc = new Docxtemplater(new PizZip(tags), { paragraphLoop: true, linebreaks: true });
    doc.render(rec);
    fs.writeFileSync(path.join(out, rec['姓名'] + '.docx'),
                     doc.getZip().generate({ type: 'nodebuffer', compression: 'DEFLATE' }));
  }
  return Number(process.hrtime.bigint() - t0) / 1e9;
}

function oneFile(records) {
  const out = fresh();
  const t0 = process.hrtime.bigint();
  const rows = readRecords(workbook).slice(0, records);
  const doc = new Docxtemplater(new PizZip(loop), { paragraphLoop: true, linebreaks: true });
  doc.render({ rows });
  fs.writeFileSync(path.join(out, '合并输出.docx'),
                   doc.getZip().generate({ type: 'nodebuffer', compression: 'DEFLATE' }));
  return Number(process.hrtime.bigint() - t0) / 1e9;
}

function median(f) {
  const t = [];
  for (let i = 0; i < runs; ++i) t.push(f());
  t.sort((a, b) => a - b);
  return t[Math.floor(t.length / 2)];
}

const version = require('docxtemplater/package.json').version;
console.log(`docxtemplater ${version}, ${runs} runs each, medians`);
console.log(`  one document per record, 999:       ${median(perRecord).toFixed(3)} s`);
const o100 = median(() => oneFile(100));
const o999 = median(() => oneFile(999));
console.log(`  one file, 100 records:              ${o100.toFixed(3)} s`);
console.log(`  one file, 999 records:              ${o999.toFixed(3)} s  (${(o999 / o100).toFixed(1)} x the 100 run)`);
