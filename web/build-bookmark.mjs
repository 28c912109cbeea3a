// Turns web/bookmark.js into the bookmark's address: minified with the pinned terser, then
// written as `javascript:` followed by the code, percent-encoded where a browser or the page
// that carries the link would otherwise change it. Fails when the address is larger than a
// bookmark should be.
//
// Usage: node build-bookmark.mjs OUT_FILE
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { minify } from 'terser';

const kLimit = 12 * 1024;
const here = path.dirname(fileURLToPath(import.meta.url));
const out = process.argv[2];
if (!out) {
  console.error('usage: node build-bookmark.mjs OUT_FILE');
  process.exit(2);
}

const source = fs.readFileSync(path.join(here, 'bookmark.js'), 'utf8');
const result = await minify(source, {
  ecma: 2017,
  compress: { passes: 2 },
  mangle: true,
  format: { comments: false, ascii_only: true, quote_style: 1 },
});
// The browser percent-decodes the address before it runs the code: a '%' must be written
// '%25'. Spaces, quotes, angle brackets and '#' are encoded too, so that the address survives
// being dragged, stored as a bookmark and written into an HTML attribute unchanged.
const encoded = result.code.replace(/[%\s"<>#]/g,
  (c) => '%' + c.charCodeAt(0).toString(16).toUpperCase().padStart(2, '0'));
const address = 'javascript:' + encoded;
if (address.length > kLimit) {
  console.error(`the bookmark's address is ${address.length} bytes, over ${kLimit}`);
  process.exit(1);
}
fs.writeFileSync(out + '.new', address);
fs.renameSync(out + '.new', out);
