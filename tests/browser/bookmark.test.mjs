// Runs the bookmark, taken from the page that `ordertable-cli bookmark` writes, in headless
// Chromium on a stand-in "My Orders" page, and hands what it copies and saves to
// `ordertable-cli import`.
//
// The stand-in is served over HTTPS from this machine under the marketplace's host name (the
// browser maps www.aliexpress.com to it, every other name to nothing; openssl makes its
// certificate for the run) with a strict Content-Security-Policy (scripts by nonce only, no
// inline style). Its `window.lib.mtop.request` answers from replies of the C++ generator
// (`ordertable-sample-capture --replies`) and checks each request as the description of the
// format says: the first a GET of the first page, every next one a POST carrying the previous
// reply's linkage, hierarchy, endpoint, body and header-action components, the body's key as
// operator and the next pageIndex, and no region or language read from a cookie. A request of
// another shape gets SUCCESS with empty data, as the marketplace answers it. The bookmark is
// run by navigating the tab to its address, as a click on a bookmark does (the page's policy
// does not apply to it).
//
// A whole list, copied and saved, must import as exactly the CSV that the generator's own HAR
// of the same orders gives (every order, newest first, every item and option). An early end
// must be said, offered as not the whole list, and refused for a new table. No request may
// leave the stand-in and no cookie reach the HAR. Broken copies of the bookmark must fail.
//
// Usage: node bookmark.test.mjs --cli PATH --sample-capture PATH --work DIR [--artifacts DIR]
// Exits 1 when a check fails; the last line is the summary.

import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import https from 'node:https';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const { chromium } = createRequire(path.join(repo, 'web/package.json'))('playwright-core');

const kHost = 'www.aliexpress.com';
const kOrdersPage = `https://${kHost}/p/order/index.html`;
const kApiAddress = 'https://acs.aliexpress.com/h5/mtop.aliexpress.trade.buyer.order.list/1.0/';
const kFirstId = 8214000000000001n;
const kSecret = 'SECRET-SESSION-TOKEN_1788774073218';
const kTimeout = 20000;

// The stand-in page's own script: it runs in the browser.
function standIn() {
  const config = window.__standIn;
  const API = 'mtop.aliexpress.trade.buyer.order.list';
  const calls = (window.__standInCalls = []);
  const attempts = {};
  document.cookie = `_m_h5_tk=${config.secret}; path=/`;
  const keyOf = (reply, tag) =>
    Object.keys(reply.data.data).find((key) => reply.data.data[key].tag === tag);
  const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
  const parse = (text) => { try { return JSON.parse(text); } catch (e) { return undefined; } };

  // The page of the list that `options` asks for; 0 for a request of another shape.
  function pageAskedFor(options) {
    const data = options.data || {};
    if (options.api !== API || options.v !== '1.0' || 'shipToCountry' in data || '_lang' in data) {
      return 0;
    }
    if (options.type === 'GET') {
      return +(options.dataType === 'originaljsonp' && data.renderType === 'init' &&
        data.statusTab === null);
    }
    const params = parse(data.params) || {};
    const state = parse(params.data) || {};
    const body = state[params.operator];
    const page = body && body.fields && body.fields.pageIndex;
    const previous = config.replies[page - 2];
    if (options.type !== 'POST' || options.dataType !== 'originaljson' || !previous) return 0;
    const d = previous.data;
    const action = keyOf(previous, 'pc_om_list_header_action');
    return params.operator === keyOf(previous, 'pc_om_list_body') && body.fields.pageSize === 10 &&
      same(state[action], d.data[action]) && same(parse(params.linkage), d.linkage) &&
      same(parse(params.hierarchy), d.hierarchy) && same(parse(params.endpoint), d.endpoint)
      ? page : 0;
  }

  function answer(options, own) {
    const page = pageAskedFor(options);
    const attempt = (attempts[page] = (attempts[page] || 0) + 1);
    if (!own) calls.push(page);
    const fault = own ? null : config.faults[`${page}:${attempt}`];
    const empty = { api: API, data: {}, ret: ['SUCCESS::\u8c03\u7528\u6210\u529f'], v: '1.0' };
    return new Promise((resolve, reject) => setTimeout(() => {
      if (fault && fault.network) reject(new TypeError('Failed to fetch'));
      else if (fault) (fault.reject ? reject : resolve)({ api: API, data: {}, ret: [fault.ret] });
      else resolve(page ? JSON.parse(JSON.stringify(config.replies[page - 1])) : empty);
    }, config.latencyMs));
  }

  if (!config.noClient) window.lib = { mtop: { request: (options) => answer(options, false) } };
  // Something of the page's own that wants to be on top too.
  const banner = document.createElement('div');
  banner.textContent = 'My Orders';
  banner.style.cssText = 'position:fixed;top:0;right:0;width:60%;height:260px;' +
    'z-index:2147483647;background:#f2f2f2;font:32px sans-serif;padding:24px';
  document.body.appendChild(banner);
  // The page reloading its own list now and then, and drawing it anew.
  if (config.reloadMs) {
    setInterval(() => answer({ api: API, v: '1.0', type: 'GET', dataType: 'originaljsonp',
      data: { statusTab: null, renderType: 'init' } }, true).then(() => {
      document.body.innerHTML = `<main>reloaded at ${Date.now()}</main>`;
      document.body.appendChild(banner);
    }), config.reloadMs);
  }
}

async function startServer(work, cases) {
  const [key, cert] = [path.join(work, 'key.pem'), path.join(work, 'cert.pem')];
  execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1', '-keyout',
    key, '-out', cert, '-subj', `/CN=${kHost}`, '-addext', `subjectAltName=DNS:${kHost}`],
  { stdio: 'ignore' });
  const nonce = 'n' + Math.random().toString(36).slice(2);
  const server = https.createServer({ key: fs.readFileSync(key), cert: fs.readFileSync(cert) },
    (request, response) => {
      const address = new URL(request.url, `https://${kHost}`);
      const config = cases[Number(address.searchParams.get('case'))];
      const script = (text) => `<script nonce="${nonce}">${text}</script>`;
      response.writeHead(200, { 'content-type': 'text/html; charset=utf-8', 'content-security-policy':
        `script-src 'nonce-${nonce}'; style-src 'self'; object-src 'none'` });
      if (address.pathname === '/stand-in.js') {
        response.end(`(${standIn.toString()})();`);
      } else if (address.pathname === '/p/order/index.html' && config) {
        const json = JSON.stringify(config).replace(/</g, '\\u003c');
        response.end(`<!DOCTYPE html><title>My Orders</title><main>Your orders</main>` +
          script(`window.__standIn = ${json};`) + `<script nonce="${nonce}" src="/stand-in.js"></script>`);
      } else {
        response.end(`<!DOCTYPE html><title>Item</title><p>A product page</p>${script('window.lib = {};')}`);
      }
    });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return server;
}

function run(program, args, cwd) {
  fs.mkdirSync(cwd, { recursive: true });
  const result = spawnSync(program, args, { cwd, encoding: 'utf8' });
  return { status: result.status, out: result.stdout + result.stderr };
}

// The order ids of the CSV that `import` and `export` give for `har` in `dir`, or the words of
// import's refusal.
function imported(cli, har, dir, update) {
  const done = run(cli, ['import', ...(update ? ['--update'] : []), har], dir);
  if (done.status !== 0) return { refused: done.out.trim().split('\n')[0] };
  if (run(cli, ['export', '--csv', 'orders.csv'], dir).status !== 0) return { refused: 'export' };
  const csv = fs.readFileSync(path.join(dir, 'orders.csv'), 'utf8');
  return { csv, ids: csv.split('\r\n').slice(1).filter(Boolean).map((l) => l.match(/\d{15,}/)[0]) };
}
const generatedIds = (count) => Array.from({ length: count }, (_, i) => String(kFirstId + BigInt(i)));

async function clickBookmark(page, address) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Page.navigate', { url: address });
  await cdp.detach();
}
const overlay = (page) => page.evaluate(() => {
  const host = document.getElementById('ordertable-overlay');
  return host ? host.shadowRoot.textContent : '';
});
const button = (page, text) => page.locator('#ordertable-overlay button', { hasText: text });

// Opens `url`, clicks the bookmark, waits for its end, presses Copy and Save when offered.
async function runBookmark(context, address, url, c) {
  const page = await context.newPage();
  const r = { page, requests: [] };
  page.on('request', (request) => r.requests.push(request.url()));
  await page.goto(url);
  await page.evaluate((ms) => { window.orderTablePaceMs = ms; }, c.pace || 0);
  await clickBookmark(page, address);
  if (c.stop) {
    // Stop once page 3 is in, after a second click that must start nothing.
    await page.waitForFunction(() => Number((/Page (\d+) /.exec(document.getElementById(
      'ordertable-overlay').shadowRoot.textContent) || [])[1]) >= 3, null, { timeout: kTimeout, polling: 20 });
    await clickBookmark(page, address);
    await button(page, 'Stop').click();
  }
  await page.waitForFunction(() => !window.__orderTableBookmark.running, null, { timeout: kTimeout });
  if (c.again) {
    await clickBookmark(page, address);
    await page.waitForFunction(() => !window.__orderTableBookmark.running, null, { timeout: kTimeout });
  }
  r.text = await overlay(page);
  await new Promise((resolve) => setTimeout(resolve, 200));  // a request after the end would show
  r.calls = await page.evaluate(() => window.__standInCalls || []);
  r.overlays = await page.evaluate(() => document.querySelectorAll('#ordertable-overlay').length);
  r.link = await page.evaluate(() => (document.getElementById('ordertable-overlay').shadowRoot
    .querySelector('a') || {}).href);
  r.reloaded = await page.evaluate(() => document.body.textContent.includes('reloaded at'));
  if (await button(page, 'Copy for OrderTable').count()) {
    await page.evaluate(() => navigator.clipboard.writeText('nothing copied yet'));
    await button(page, 'Copy for OrderTable').click();
    await page.waitForFunction(() => /Copied/.test(document.getElementById('ordertable-overlay')
      .shadowRoot.textContent), null, { timeout: kTimeout });
    r.copied = await page.evaluate(() => navigator.clipboard.readText());
    const [download] = await Promise.all([page.waitForEvent('download', { timeout: kTimeout }),
      button(page, 'Save as file').click()]);
    r.fileName = download.suggestedFilename();
    r.saved = fs.readFileSync(await download.path(), 'utf8');
  }
  return r;
}

function localDate() {
  const now = new Date();
  const two = (n) => String(n).padStart(2, '0');
  return `${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())}`;
}

async function main() {
  const args = {};
  for (let i = 2; i < process.argv.length; i += 2) {
    args[process.argv[i].replace(/^--/, '')] = path.resolve(process.argv[i + 1]);
  }
  const { cli, work } = args;
  const sampleCapture = args['sample-capture'];
  const artifacts = args.artifacts || path.join(repo, 'artifacts/browser');
  fs.rmSync(work, { recursive: true, force: true });
  fs.mkdirSync(artifacts, { recursive: true });
  let passed = 0, failed = 0;
  const check = (ok, text) => {
    ok ? passed++ : failed++;
    console.log(`${ok ? 'ok  ' : 'FAIL'}  ${text}`);
  };

  // The bookmark as the page written by the command line hands it over; a file of the page's
  // name is replaced.
  fs.mkdirSync(work, { recursive: true });
  fs.writeFileSync(path.join(work, 'Get AliExpress orders.html'), 'an older page');
  const written = run(cli, ['bookmark'], work);
  const html = fs.readFileSync(path.join(work, 'Get AliExpress orders.html'), 'utf8');
  const href = (html.match(/<a id="ordertable-bookmark" href="([^"]*)"/) || [])[1] || '';
  const address = href.replace(/&amp;/g, '&').replace(/&#39;/g, "'");
  check(written.status === 0 && address.startsWith('javascript:') && address.length < 12 * 1024,
    `ordertable-cli bookmark writes the page with the bookmark (${address.length} bytes)`);
  const source = decodeURIComponent(address.slice('javascript:'.length));
  const mutant = (pattern, replacement) => 'javascript:' + encodeURIComponent(source.replace(pattern, replacement));

  const replies = {};
  for (const n of [0, 1, 10, 11, 250]) {
    const dir = path.join(work, `replies-${n}`);
    execFileSync(sampleCapture, [dir, '--replies', '--orders', String(n)]);
    replies[n] = fs.readdirSync(dir).sort().map((f) => JSON.parse(fs.readFileSync(path.join(dir, f))));
  }
  const refusal = (page, ret, reject) => ({ [`${page}:1`]: { ret, reject } });
  // whole: the orders of a whole list; early: the orders of an early end; entries: the replies
  // in the HAR; asked: how often pages were asked for; calls: how many requests in all.
  const cases = [
    { name: '1 order', orders: 1, whole: 1 },
    { name: '10 orders', orders: 10, whole: 10 },
    { name: '11 orders, the page reloading its list meanwhile', orders: 11, whole: 11, reloadMs: 15 },
    { name: '250 orders, a network failure at page 5', orders: 250, whole: 250, asked: { 5: 2 },
      faults: { '5:1': { network: true } }, picture: true },
    { name: 'a token refusal, then the list', orders: 11, whole: 11, entries: 3, asked: { 1: 2 },
      faults: refusal(1, 'FAIL_SYS_TOKEN_EXOIRED::\u4ee4\u724c\u8fc7\u671f', true) },
    { name: 'the session expired at page 3', orders: 250, early: 20, entries: 3, calls: 3,
      faults: refusal(3, 'FAIL_SYS_SESSION_EXPIRED::Session\u8fc7\u671f', false),
      words: /not logged in, or your session expired\. Log in, reload/ },
    { name: 'the anti-robot check at page 4', orders: 250, early: 30, entries: 4, calls: 4,
      faults: refusal(4, 'FAIL_SYS_USER_VALIDATE::\u54ce\u54df\u5587', true),
      words: /not a robot\. Solve the check on the page, then click the bookmark again/ },
    { name: 'Stop, after a second click meanwhile', orders: 250, stop: true, pace: 200,
      latencyMs: 30, asked: { 1: 1 }, words: /You stopped the bookmark/ },
    { name: 'no orders, clicked again after the end', orders: 0, again: true, calls: 2,
      words: /Your order list is empty: there is nothing to copy/ },
    { name: 'a product page', url: `https://${kHost}/item/1005007712345671.html`, link: kOrdersPage,
      words: /not the AliExpress "My Orders" page\. Open My Orders/ },
    { name: 'no API client', orders: 1, noClient: true, words: /no order-list client.*developer-tools/ },
    { name: 'broken: the linkage left out', orders: 11, notWhole: 11,
      address: mutant(/linkage:JSON\.stringify\([^)]*\),/, '') },
    { name: 'broken: the same page asked again', orders: 11, notWhole: 11,
      address: mutant(/\.pageIndex=\([^)]*\)\+1/, '.pageIndex=1') },
    { name: 'broken: the region read from the cookie', orders: 11, notWhole: 11,
      address: mutant(/timeZone:/, 'shipToCountry:document.cookie,timeZone:') },
  ];
  const configs = cases.map((c) => ({ secret: kSecret, latencyMs: 1, faults: {}, reloadMs: 0,
    ...c, replies: replies[c.orders] || [] }));
  const server = await startServer(work, configs);
  const browser = await chromium.launch({
    executablePath: execFileSync('sh', ['-c', 'command -v chromium'], { encoding: 'utf8' }).trim(),
    chromiumSandbox: false,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run',
      `--host-resolver-rules=MAP ${kHost} 127.0.0.1:${server.address().port}, MAP * ~NOTFOUND`],
  });
  const context = await browser.newContext({ ignoreHTTPSErrors: true, acceptDownloads: true });
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: `https://${kHost}` });

  try {
    for (const [index, c] of cases.entries()) {
      const dir = path.join(work, `case-${index}`);
      const r = await runBookmark(context, c.address || address, c.url || `${kOrdersPage}?case=${index}`, c);
      const pages = Math.ceil((c.whole || c.early || 1) / 10);
      const count = (page) => r.calls.filter((p) => p === page).length;
      const said = c.whole ? r.text.includes(`All ${c.whole} orders read`)
        : c.notWhole ? !r.text.includes(`All ${c.notWhole} orders read`) : c.words.test(r.text);
      check(said && r.overlays === 1 && (c.calls === undefined || r.calls.length === c.calls) &&
        Object.entries(c.asked || {}).every(([page, times]) => count(Number(page)) === times) &&
        r.calls.every((p) => p > 0 || c.notWhole) && !!c.reloadMs === r.reloaded &&
        (!c.link || r.link === c.link) &&
        (c.notWhole || (r.copied !== undefined) === !!(c.whole || c.early || c.stop)),
      `${c.name}: ${r.text.slice('OrderTable'.length, 150)} (${r.calls.length} requests)`);
      check(r.requests.every((u) => u.startsWith(`https://${kHost}/`) || u.startsWith('blob:')),
        `${c.name}: no request leaves the stand-in`);
      if (r.copied === undefined || c.notWhole) { await r.page.close(); continue; }

      // One HAR, on the clipboard and in the file, of the replies received, in order, without
      // a query, a cookie or a token.
      const read = Number((r.text.match(/(\d+) orders read/) || [])[1]);
      const har = JSON.parse(r.copied);
      const urls = har.log.entries.map((e) => e.request.url);
      check(r.saved === r.copied && r.fileName === `AliExpress orders ${localDate()}.har` &&
        har.log.version === '1.2' && har.log.creator.name === 'OrderTable bookmark' &&
        urls.length === (c.entries || (c.stop ? read / 10 : pages)) &&
        urls.every((u) => u === kApiAddress) && !r.copied.includes(kSecret),
      `${c.name}: Copy and Save give "${r.fileName}", a HAR of ${urls.length} replies`);
      fs.writeFileSync(path.join(work, `copied-${index}.har`), r.copied);
      fs.writeFileSync(path.join(work, `saved-${index}.har`), r.saved);
      const fromCopy = imported(cli, path.join(work, `copied-${index}.har`), path.join(dir, 'copy'));
      if (c.whole) {
        const reference = path.join(work, `reference-${c.whole}.har`);
        execFileSync(sampleCapture, [reference, '--orders', String(c.whole)]);
        const want = imported(cli, reference, path.join(dir, 'reference'));
        const fromFile = imported(cli, path.join(work, `saved-${index}.har`), path.join(dir, 'file'));
        check(want.csv && fromCopy.csv === want.csv && fromFile.csv === want.csv &&
          want.ids.join() === generatedIds(c.whole).join(),
        `${c.name}: the copy and the file import as exactly the generated orders, newest first`);
        // The generator's imitation of the bookmark's copy, which the Windows run hands to the
        // wizard, matches the real one: the same requests, the same orders.
        if (!c.entries) {
          const imitation = path.join(work, `imitation-${c.whole}.har`);
          execFileSync(sampleCapture, [imitation, '--bookmark', '--orders', String(c.whole)]);
          const imitated = JSON.parse(fs.readFileSync(imitation, 'utf8')).log;
          const asked = (log) => log.entries.map((e) => e.request.method + ' ' + e.request.url).join();
          check(asked(imitated) === asked(har.log) && imitated.creator.name === har.log.creator.name &&
            imported(cli, imitation, path.join(dir, 'imitation')).csv === want.csv,
          `${c.name}: the generator's bookmark copy asks and lists as the bookmark does`);
        }
      } else {
        check(read === (c.early || read) && r.text.includes('not the whole list') && fromCopy.refused,
          `${c.name}: ${read} orders offered as not the whole list, refused for a new table ` +
          `(${fromCopy.refused})`);
      }
      if (c.stop) {
        // The stopped run's copy updates a table of every order but the 20 newest.
        const older = path.join(work, 'older.har');
        execFileSync(sampleCapture, [older, '--orders', '230', '--first-id', String(kFirstId + 20n)]);
        imported(cli, older, path.join(dir, 'update'));
        const updated = imported(cli, path.join(work, `copied-${index}.har`), path.join(dir, 'update'), true);
        check(read >= 30 && read < 250 && r.calls.length === read / 10 && updated.ids && updated.ids.join() === generatedIds(250).join(),
          `${c.name}: no request after the reply in flight; the copy adds the 20 new orders to ` +
          'a table of the older ones');
      }
      if (c.picture) {
        const times = har.log.entries.map((e) => [Date.parse(e.startedDateTime), e.time]);
        const span = times[times.length - 1][0] + times[times.length - 1][1] - times[0][0];
        console.log(`      time per page besides the pause: ${(span / pages).toFixed(1)} ms ` +
          `(${pages} pages in ${span} ms from the HAR's times; the stand-in answers in 1 ms)`);
        // Above the page's own banner, which has the greatest z-index too.
        check(await r.page.evaluate(() => {
          const box = document.getElementById('ordertable-overlay').shadowRoot.querySelector('.box');
          const rect = box.getBoundingClientRect();
          const hit = document.elementFromPoint(rect.left + 20, rect.top + 20);
          return hit && hit.id === 'ordertable-overlay' && getComputedStyle(box).position === 'fixed';
        }), `${c.name}: the overlay stays above the page, with its own styles`);
        await r.page.screenshot({ path: path.join(artifacts, 'bookmark-overlay.png'),
          clip: { x: 840, y: 0, width: 440, height: 260 } });
      }
      await r.page.close();
    }
  } finally {
    await browser.close();
    server.close();
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exitCode = failed ? 1 : 0;
}

main().catch((e) => {
  console.error(e.stack || String(e));
  console.log('0 passed, 1 failed');
  process.exitCode = 1;
});
