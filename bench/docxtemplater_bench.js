// The peer comparison of word_bench: docxtemplater fills the same pay slip (titles written as
// {tags}) with the same 999 rows, one document per record and one file through a loop.
// Run by run_word_bench.sh, which installs docxtemplater and pizzip into a temporary folder.
// Usage: node docxtemplater_bench.js <fixture folder> <output folder> [runs]
'use strict';
const fs = require('fs');
const path = require('path');
const PizZip = require('pizzip');
const Docxtemplater = require('docxtemplater');

const titles = ['姓名', '工号', '部门', '岗位', '基本工资', '绩效工资',
                '加班费', '社保', '公积金', '个税', '实发工资', '发放月份'];
const depts = ['销售部', '财务部', '技术部', '人事部'];

// The same values as word_bench.cpp.
function cell(r, k) {
  switch (k) {
    case 0: return '员工' + r;
    case 1: return 'E' + (10000 + r);
    case 2: return depts[r % 4];
    case 3: return '专员';
    case 11: return '2026年11月';
    default: return (1000 + (r * 37 + k * 101) % 9000) + '.00';
  }
}
function record(r) {
  const o = {};
  titles.forEach((t, k) => { o[t] = cell(r, k); });
  return o;
}

const [fixtures, outBase, runsArg] = process.argv.slice(2);
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
  for (let r = 2; r <= 1000; ++r) {
    const doc = new Docxtemplater(new PizZip(tags), { paragraphLoop: true, linebreaks: true });
    doc.render(record(r));
    fs.writeFileSync(path.join(out, cell(r, 0) + '.docx'),
                     doc.getZip().generate({ type: 'nodebuffer', compression: 'DEFLATE' }));
  }
  return Number(process.hrtime.bigint() - t0) / 1e9;
}

function oneFile(records) {
  const out = fresh();
  const t0 = process.hrtime.bigint();
  const rows = [];
  for (let r = 2; r < records + 2; ++r) rows.push(record(r));
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
