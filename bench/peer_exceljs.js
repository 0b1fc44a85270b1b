// The ExcelJS peer of bench_xlsx: loads a workbook, changes the text of the
// note of Sheet3!C101 and saves, `runs` times in one process.
//
//   node bench/peer_exceljs.js WORKBOOK [runs]
//
// bench/run installs the pinned ExcelJS into the build folder and points
// NODE_PATH at it. Prints {"first_ms", "warm_ms", "runs"} as JSON: the first
// run, and the fastest run after three.
'use strict';
const os = require('os');
const path = require('path');
const fs = require('fs');
const ExcelJS = require('exceljs');

async function once(input, output) {
  const wb = new ExcelJS.Workbook();
  await wb.xlsx.readFile(input);
  wb.getWorksheet('Sheet3').getCell('C101').note = {
    texts: [{font: {bold: true, size: 9, name: 'Tahoma'}, text: 'Bench:'}, {text: '\nchanged'}],
  };
  await wb.xlsx.writeFile(output);
}

async function main() {
  const input = process.argv[2];
  const runs = Number(process.argv[3] || 1);
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'peer-exceljs-'));
  const output = path.join(dir, 'out.xlsx');
  const times = [];
  for (let k = 0; k < runs; ++k) {
    const t0 = performance.now();
    await once(input, output);
    times.push(performance.now() - t0);
  }
  fs.rmSync(dir, {recursive: true, force: true});
  const warm = times.length > 3 ? Math.min(...times.slice(3)) : null;
  console.log(JSON.stringify({first_ms: times[0], warm_ms: warm, runs}));
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
