// How long a table document takes to open in headless Chromium, from disk with every host
// unreachable: the time from the start of the navigation until DataTables has drawn its first
// page, the requests the page sent to other hosts by then (and half a second later, when the
// pictures of the rows shown have been asked for), and the peak memory of the page's
// renderer process. Shared by the browser test and bench/table-open.mjs.

import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { createRequire } from 'node:module';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '../..');
const { chromium } = createRequire(path.join(repo, 'web/package.json'))('playwright-core');

/// The line that started the table in documents written before the page's start moved into
/// the page's own script: every star bar drawn at once, then DataTables on every row.
export const kEarlierStart =
  "<script>$(document).ready(function(){" +
  "var o=$.fn.orderExport?$('#ae').orderExport():{};$('span.stars').stars();" +
  "$('#ae').DataTable(o);$('.dataTables_length').addClass('bs-select');});</script>";

const kEarlierStyle = '<style>.centered{margin:auto; width: 90%}</style>';

/// The document as the earlier version wrote it for the same orders: its rows without the
/// lazy pictures, its head without the rule that keeps the rows out of the layout until the
/// table has started, and its earlier start line.
export function asWrittenEarlier(text) {
  const lines = text.split('\r\n');
  const start = lines.findIndex((l) => l.startsWith('<script>(function(t){'));
  const style = lines.findIndex((l) => l.startsWith('<style>.centered{'));
  if (start < 0 || style < 0) throw new Error('no start line or no style line in the document');
  lines[start] = kEarlierStart;
  lines[style] = kEarlierStyle;
  return lines.join('\r\n').replace(/(<img [^>]*?) loading='lazy'/g, '$1');
}

/// Headless Chromium whose host names resolve as `mapping` says (by default: to nothing).
export async function launch(mapping = 'MAP * ~NOTFOUND') {
  const executablePath = execFileSync('sh', ['-c', 'command -v chromium'], { encoding: 'utf8' })
    .trim();
  return chromium.launch({
    executablePath,
    headless: true,
    chromiumSandbox: false,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run',
      `--host-resolver-rules=${mapping}`],
  });
}

// The timer does not keep the program running once the rest is done.
const after = (ms) => new Promise((resolve) => setTimeout(() => resolve(null), ms).unref());

// Peak resident memory (VmHWM) of the browser's renderer processes, in MiB.
async function rendererPeakMiB(browser) {
  const session = await browser.newBrowserCDPSession();
  const { processInfo } = await session.send('SystemInfo.getProcessInfo');
  await session.detach();
  let peak = 0;
  for (const p of processInfo.filter((p) => p.type === 'renderer')) {
    const status = fs.readFileSync(`/proc/${p.id}/status`, 'utf8').match(/VmHWM:\s+(\d+) kB/);
    if (status) peak = Math.max(peak, Number(status[1]) / 1024);
  }
  return peak;
}

/// Opens `file` in a browser of its own and returns {readyMs, requestsAtReady, requests,
/// remote, peakMiB, page, browser}; with `keep` the caller closes the browser.
export async function measureOpen(file, { keep = false, timeoutMs = 600000 } = {}) {
  const browser = await launch();
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 },
    acceptDownloads: true });
  // Ready: the first time the info line under the table gets its text, which DataTables
  // writes when it has drawn its first page.
  await context.addInitScript(() => {
    new MutationObserver((_, observer) => {
      const info = document.getElementById('ae_info');
      if (info && info.textContent) {
        window.tableReadyAt = performance.now();
        observer.disconnect();
      }
    }).observe(document, { childList: true, subtree: true, characterData: true });
  });
  const page = await context.newPage();
  const remote = [];
  page.on('request', (r) => {
    if (!r.url().startsWith('file:')) remote.push(r.url());
  });
  await page.goto(pathToFileURL(file).href, { waitUntil: 'commit' });
  // Not ready within the time allowed: readyMs is null, the other figures are those so far.
  // (A page busy laying out 50,000 rows answers nothing, so the clock is this side's own.)
  const readyMs = await Promise.race([page.waitForFunction(() => window.tableReadyAt, null,
    { timeout: 0, polling: 100 }).then((h) => h.jsonValue()), after(timeoutMs)]);
  const requestsAtReady = remote.length;
  if (readyMs !== null) await page.waitForTimeout(500);
  const result = { readyMs, requestsAtReady, requests: remote.length, remote,
    peakMiB: await Promise.race([rendererPeakMiB(browser), after(10000)]), page, browser };
  if (!keep) await browser.close();
  return result;
}
