// Writes the text pdf.js finds on every page of a PDF to standard output:
// its text items in order, a line break where pdf.js ends a line, as its
// viewer's find bar searches them.
// Usage: node pdfjs_text.js <pdfjs-dist folder> <input.pdf>
const fs = require('fs');
const [, , pdfjsDir, input] = process.argv;
// Loading warns about the canvas module, which text extraction does not need.
const log = console.log;
console.log = () => {};
const pdfjs = require(pdfjsDir + '/legacy/build/pdf.js');
console.log = log;

(async () => {
  const data = new Uint8Array(fs.readFileSync(input));
  const doc = await pdfjs.getDocument({data, verbosity: 0, disableFontFace: true}).promise;
  let text = '';
  for (let i = 1; i <= doc.numPages; ++i) {
    const content = await (await doc.getPage(i)).getTextContent();
    for (const item of content.items) text += item.str + (item.hasEOL ? '\n' : '');
    text += '\n\f';
  }
  process.stdout.write(text);
})().catch((error) => {
  console.error(String(error));
  process.exit(1);
});
