// Validates each glTF asset named on the command line with the glTF validator. Prints one line per
// error or warning (severity, code, pointer, text), a summary per file and a last line
// "N passed, M failed" (a file fails on any error); exits 1 when any file failed.
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require('gltf-validator');

const severityNames = ['error', 'warning', 'info', 'hint'];

async function validate(file) {
  const bytes = new Uint8Array(fs.readFileSync(file));
  const folder = path.dirname(file);
  const report = await validator.validateBytes(bytes, {
    uri: file,
    maxIssues: 0,
    externalResourceFunction: (uri) =>
      new Promise((resolve, reject) => {
        fs.readFile(path.join(folder, decodeURIComponent(uri)), (error, data) =>
          error ? reject(error.toString()) : resolve(new Uint8Array(data)));
      }),
  });
  for (const message of report.issues.messages) {
    if (message.severity > 1) continue;  // infos and hints are not reported
    console.log(`${file}: ${severityNames[message.severity]} ${message.code} ` +
                `${message.pointer || ''} ${message.message}`);
  }
  console.log(`${file}: ${report.issues.numErrors} errors, ${report.issues.numWarnings} warnings`);
  return report.issues.numErrors === 0;
}

(async () => {
  let passed = 0, failed = 0;
  for (const file of process.argv.slice(2)) {
    let ok = false;
    try {
      ok = await validate(file);
    } catch (error) {
      console.log(`${file}: error cannot be validated: ${error}`);
    }
    if (ok) ++passed; else ++failed;
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 && passed > 0 ? 0 : 1);
})();
