// Benchmark of opening a table document in headless Chromium, from disk with every host
// unreachable: for tables of 1,000, 10,000 and 50,000 generated orders, the time until
// DataTables has drawn its first page, the requests sent to other hosts (the product pictures)
// and the peak memory of the page's renderer, for the document as this version writes it and
// as the earlier version wrote it for the same orders (rows without lazy pictures, the earlier
// start line), one after the other in one run. Run it with bench/table-open.sh.
//
// Usage: node bench/table_open.mjs --cli PATH --sample-pages PATH --work DIR
//        [--sizes 1000,10000,50000] [--timeout SECONDS]

import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { asWrittenEarlier, measureOpen } from '../tests/browser/open_timing.mjs';

function parseArgs(argv) {
  const args = { sizes: [1000, 10000, 50000], timeout: 900 };
  for (let i = 0; i < argv.length; i++) {
    const value = argv[++i];
    if (argv[i - 1] === '--cli') args.cli = path.resolve(value);
    else if (argv[i - 1] === '--sample-pages') args.samplePages = path.resolve(value);
    else if (argv[i - 1] === '--work') args.work = path.resolve(value);
    else if (argv[i - 1] === '--sizes') args.sizes = value.split(',').map(Number);
    else if (argv[i - 1] === '--timeout') args.timeout = Number(value);
    else throw new Error(`unknown argument ${argv[i - 1]}`);
  }
  if (!args.cli || !args.samplePages || !args.work) {
    throw new Error('usage: table_open.mjs --cli PATH --sample-pages PATH --work DIR');
  }
  return args;
}

// A new table of `orders` generated orders (pages of up to 1,000) in its own folder.
function buildTable(args, orders) {
  const folder = path.join(args.work, `table-${orders}`);
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  const perPage = Math.min(orders, 1000);
  const pages = path.join(folder, 'pages');
  execFileSync(args.samplePages, [pages, '--pages', String(Math.ceil(orders / perPage)),
    '--orders-per-page', String(perPage)], { stdio: 'ignore' });
  const pageFiles = fs.readdirSync(pages).sort().map((f) => path.join(pages, f));
  execFileSync(args.cli, ['import', ...pageFiles], { cwd: folder, stdio: 'ignore' });
  const now = path.join(folder, 'AliExpress Orders.html');
  const earlier = path.join(folder, 'earlier.html');
  fs.writeFileSync(earlier, asWrittenEarlier(fs.readFileSync(now, 'latin1')), 'latin1');
  return { now, earlier };
}

async function measure(file, timeoutSeconds) {
  const r = await measureOpen(file, { timeoutMs: timeoutSeconds * 1000 });
  const ready = r.readyMs === null ? `> ${timeoutSeconds} s (stopped)`
    : `${(r.readyMs / 1000).toFixed(1)} s`;
  const peak = r.peakMiB === null ? '?' : String(Math.round(r.peakMiB));
  return `${ready.padStart(18)} ${String(r.requests).padStart(9)} ${peak.padStart(8)} MiB`;
}

const args = parseArgs(process.argv.slice(2));
console.log('orders   document                 ready  requests  peak memory');
for (const orders of args.sizes) {
  const table = buildTable(args, orders);
  for (const [label, file] of [['earlier', table.earlier], ['this one', table.now]]) {
    const figures = await measure(file, args.timeout);
    console.log(`${String(orders).padStart(6)}   ${label.padEnd(10)} ${figures}`);
  }
}
