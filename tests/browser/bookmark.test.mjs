// Runs the bookmark, taken from the page that `ordertable-cli bookmark` writes, in headless
// Chromium on a stand-in "My Orders" page, and hands what it copies and saves to
// `ordertable-cli import`.
//
// The stand-in is served over HTTPS from this machine under the marketplace's host name (the
// browser maps www.aliexpress.com to it, every other name to nothing; its certificate is made
// by openssl for this run) with a strict Content-Security-Policy (scripts by nonce only, no
// inline style). Its `window.lib.mtop.request` answers from replies of the C++ generator
// (`ordertable-sample-capture --replies`) and checks each request as the description of the
// format says: the first a GET of the first page, every next one a POST carrying the previous
// reply's linkage, hierarchy, endpoint, body and header-action components, the body's key as
// operator and the next pageIndex, and no region or language read from a cookie. A request of
// another shape gets SUCCESS with empty data, as the marketplace answers it. The bookmark is
// run by navigating the tab to its address, as a click on a bookmark does (the page's policy
// does not apply to it).
//
// For each complete case the copied text and the saved file must give, through import and
// export, exactly the CSV that the generator's own HAR of the same orders gives (every order,
// newest first, every item and option). Early ends must be offered, labelled, and refused
// for a new table. No request may leave the stand-in. Broken copies of the bookmark must fail.
//
// Usage: node bookmark.test.mjs --cli PATH --sample-capture PATH --work DIR [--artifacts DIR]
//        [--picture FILE]
// Exits 1 when a check fails; the last line is the summary.

import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import https from 'node:https';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '../..');
const { chromium } = createRequire(path.join(repo, 'web/package.json'))('playwright-core');

const kHost = 'www.aliexpress.com';
const kOrdersPage = `https://${kHost}/p/order/index.html`;
const kApiAddress = 'https://acs.aliexpress.com/h5/mtop.aliexpress.trade.buyer.order.list/1.0/';
const kFirstId = 8214000000000001;
const kSecret = 'SECRET-SESSION-TOKEN_1788774073218';
const kTimeout = 20000;

function parseArgs(argv) {
  const args = { artifacts: path.join(repo, 'artifacts/browser') };
  for (let i = 0; i < argv.length; i++) {
    const name = argv[i].replace(/^--/, '');
    if (!['cli', 'sample-capture', 'work', 'artifacts', 'picture'].includes(name)) {
      throw new Error(`unknown argument ${argv[i]}`);
    }
    args[name] = path.resolve(argv[++i]);
  }
  if (!args.cli || !args['sample-capture'] || !args.work) {
    throw new Error('usage: bookmark.test.mjs --cli PATH --sample-capture PATH --work DIR');
  }
  return args;
}

// ---------------------------------------------------------------------------------------------
// The stand-in page. standIn() runs in the browser, as the page's own script.

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

  // The page of the list that `options` asks for, or 0 when the request is not of the shape
  // the marketplace answers.
  function pageAskedFor(options) {
    const data = options.data || {};
    if (options.api !== API || options.v !== '1.0' || 'shipToCountry' in data || '_lang' in data) {
      return 0;
    }
    if (options.type === 'GET') {
      return options.dataType === 'originaljsonp' && data.renderType === 'init' &&
        data.statusTab === null ? 1 : 0;
    }
    if (options.type !== 'POST' || options.dataType !== 'originaljson') return 0;
    const params = parse(data.params) || {};
    const state = parse(params.data) || {};
    const body = state[params.operator];
    const page = body && body.fields && body.fields.pageIndex;
    const previous = config.replies[page - 2];
    if (!previous) return 0;
    const bodyKey = keyOf(previous, 'pc_om_list_body');
    const actionKey = keyOf(previous, 'pc_om_list_header_action');
    const d = previous.data;
    const ok = params.operator === bodyKey && body.fields.pageSize === 10 &&
      body.tag === 'pc_om_list_body' && same(state[actionKey], d.data[actionKey]) &&
      same(parse(params.linkage), d.linkage) && same(parse(params.hierarchy), d.hierarchy) &&
      same(parse(params.endpoint), d.endpoint);
    return ok ? page : 0;
  }

  function answer(options, own) {
    const page = pageAskedFor(options);
    const attempt = (attempts[page] = (attempts[page] || 0) + 1);
    if (!own) calls.push({ page, attempt, type: options.type, at: Date.now() });
    const fault = own ? null : config.faults[`${page}:${attempt}`];
    return new Promise((resolve, reject) => setTimeout(() => {
      if (fault && fault.network) return reject(new TypeError('Failed to fetch'));
      if (fault) {
        const refusal = { api: API, data: {}, ret: [fault.ret], v: '1.0' };
        return (fault.reject ? reject : resolve)(refusal);
      }
      if (page === 0) {
        return resolve({ api: API, data: {}, ret: ['SUCCESS::\u8c03\u7528\u6210\u529f'], v: '1.0' });
      }
      resolve(JSON.parse(JSON.stringify(config.replies[page - 1])));
    }, config.latencyMs));
  }

  if (!config.noClient) {
    window.lib = { mtop: { request: (options) => answer(options, false) } };
  }
  // Something of the page's own that wants to be on top too.
  const banner = document.createElement('div');
  banner.id = 'page-banner';
  banner.textContent = 'My Orders';
  banner.style.cssText = 'position:fixed;top:0;right:0;width:60%;height:260px;z-index:2147483647;' +
    'background:#f2f2f2;font:32px sans-serif;padding:24px';
  document.body.appendChild(banner);
  // The page reloading its own list now and then: its own first-page request, and its list
  // drawn anew.
  if (config.reloadMs) {
    setInterval(() => {
      answer({ api: API, v: '1.0', type: 'GET', dataType: 'originaljsonp',
               data: { statusTab: null, renderType: 'init' } }, true).then(() => {
        document.body.innerHTML = `<main>reloaded at ${Date.now()}</main>`;
        document.body.appendChild(banner);
      });
    }, config.reloadMs);
  }
}

function standInPage(config, nonce) {
  const json = JSON.stringify(config).replace(/</g, '\\u003c');
  return `<!DOCTYPE html><html><head><meta charset="utf-8"><title>My Orders</title></head>` +
    `<body><main>Your orders</main><script nonce="${nonce}">window.__standIn = ${json};</script>` +
    `<script nonce="${nonce}" src="/stand-in.js"></script></body></html>`;
}

async function startServer(work, cases) {
  const key = path.join(work, 'key.pem');
  const cert = path.join(work, 'cert.pem');
  execFileSync('openssl', ['req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-days', '1',
    '-keyout', key, '-out', cert, '-subj', `/CN=${kHost}`,
    '-addext', `subjectAltName=DNS:${kHost}`], { stdio: 'ignore' });
  const nonce = 'n' + Math.random().toString(36).slice(2);
  const server = https.createServer(
    { key: fs.readFileSync(key), cert: fs.readFileSync(cert) }, (request, response) => {
      const address = new URL(request.url, `https://${kHost}`);
      const headers = {
        'content-type': 'text/html; charset=utf-8',
        'content-security-policy': `script-src 'nonce-${nonce}'; style-src 'self'; object-src 'none'`,
      };
      if (address.pathname === '/stand-in.js') {
        response.writeHead(200, { 'content-type': 'text/javascript' });
        response.end(`(${standIn.toString()})();`);
      } else if (address.pathname === '/p/order/index.html' && cases[address.searchParams.get('case')]) {
        response.writeHead(200, headers);
        response.end(standInPage(cases[address.searchParams.get('case')], nonce));
      } else {
        response.writeHead(200, headers);
        response.end(`<!DOCTYPE html><title>Item</title><p>A product page</p>` +
          `<script nonce="${nonce}">window.lib = {};</script>`);
      }
    });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return server;
}

// ---------------------------------------------------------------------------------------------
// The programs

function run(program, args, cwd) {
  const result = spawnSync(program, args, { cwd, encoding: 'utf8' });
  return { status: result.status, out: result.stdout + result.stderr };
}

function replies(args, orders, dir) {
  execFileSync(args['sample-capture'], [dir, '--replies', '--orders', String(orders)]);
  return fs.readdirSync(dir).sort().map((f) => JSON.parse(fs.readFileSync(path.join(dir, f), 'utf8')));
}

// The CSV that `import` and `export` give for `har` in a new folder `dir`, or null when import
// refused it (with its words in `refused`).
function exported(args, har, dir, update) {
  fs.mkdirSync(dir, { recursive: true });
  const imported = run(args.cli, ['import', ...(update ? ['--update'] : []), har], dir);
  if (imported.status !== 0) return { csv: null, refused: imported.out };
  const csv = run(args.cli, ['export', '--csv', 'orders.csv'], dir);
  if (csv.status !== 0) throw new Error(`export failed in ${dir}: ${csv.out}`);
  return { csv: fs.readFileSync(path.join(dir, 'orders.csv'), 'utf8') };
}

const idsOf = (csv) => csv.split('\r\n').slice(1).filter(Boolean).map((l) => l.match(/\d{15,}/)[0]);
const generatedIds = (from, count) =>
  Array.from({ length: count }, (_, i) => String(BigInt(kFirstId) + BigInt(from + i)));

// ---------------------------------------------------------------------------------------------
// One run of the bookmark

function localDate() {
  const now = new Date();
  const two = (n) => String(n).padStart(2, '0');
  return `${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())}`;
}

async function clickBookmark(page, address) {
  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Page.navigate', { url: address });
  await cdp.detach();
}

const overlayText = (page) => page.evaluate(() => {
  const host = document.getElementById('ordertable-overlay');
  return host && host.shadowRoot ? host.shadowRoot.textContent : '';
});

// Opens `url`, clicks the bookmark, waits for its end, presses Copy and Save when offered.
async function runBookmark(context, address, url, { pace = 0, during } = {}) {
  const page = await context.newPage();
  const requests = [];
  page.on('request', (request) => requests.push(request.url()));
  await page.goto(url);
  await page.evaluate((ms) => { window.orderTablePaceMs = ms; }, pace);
  await clickBookmark(page, address);
  if (during) await during(page);
  await page.waitForFunction(() => {
    const run = window.__orderTableBookmark;
    return run && !run.running;
  }, null, { timeout: kTimeout });
  const result = { page, requests, text: await overlayText(page) };
  result.calls = await page.evaluate(() => window.__standInCalls || []);
  const copyButton = page.locator('#ordertable-overlay button', { hasText: 'Copy for OrderTable' });
  if (await copyButton.count()) {
    await page.evaluate(() => navigator.clipboard.writeText('nothing copied yet'));
    await copyButton.click();
    await page.waitForFunction(() => /Copied/.test(
      document.getElementById('ordertable-overlay').shadowRoot.textContent), null, { timeout: kTimeout });
    result.copied = await page.evaluate(() => navigator.clipboard.readText());
    const [download] = await Promise.all([
      page.waitForEvent('download', { timeout: kTimeout }),
      page.locator('#ordertable-overlay button', { hasText: 'Save as file' }).click(),
    ]);
    result.fileName = download.suggestedFilename();
    result.saved = fs.readFileSync(await download.path(), 'utf8');
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// The cases

async function main() {
  const args = parseArgs(process.argv.slice(2));
  const work = args.work;
  fs.rmSync(work, { recursive: true, force: true });
  fs.mkdirSync(work, { recursive: true });
  fs.mkdirSync(args.artifacts, { recursive: true });
  let passed = 0, failed = 0;
  const check = (ok, text) => {
    if (ok) passed++;
    else failed++;
    console.log(`${ok ? 'ok  ' : 'FAIL'}  ${text}`);
    return ok;
  };

  // The bookmark, as the page written by the command line hands it over.
  const written = run(args.cli, ['bookmark'], work);
  const pageFile = path.join(work, 'Get AliExpress orders.html');
  const html = fs.existsSync(pageFile) ? fs.readFileSync(pageFile, 'utf8') : '';
  const href = (html.match(/<a id="ordertable-bookmark" href="([^"]*)"/) || [])[1] || '';
  const address = href.replace(/&amp;/g, '&').replace(/&#39;/g, "'");
  check(written.status === 0 && address.startsWith('javascript:') && address.length < 12 * 1024,
    `ordertable-cli bookmark writes the page with the bookmark (${address.length} bytes)`);

  const sets = {};
  for (const n of [0, 1, 10, 11, 250]) sets[n] = replies(args, n, path.join(work, `replies-${n}`));
  const base = { secret: kSecret, latencyMs: 1, faults: {}, reloadMs: 0, noClient: false };
  const refusal = (ret, reject, page) => ({ [`${page}:1`]: { ret, reject } });
  const cases = {
    0: { ...base, replies: sets[0] },
    1: { ...base, replies: sets[1] },
    10: { ...base, replies: sets[10] },
    11: { ...base, replies: sets[11], reloadMs: 15 },
    // A network failure at page 5, asked again after the retry's pause.
    250: { ...base, replies: sets[250], faults: { '5:1': { network: true } } },
    token: { ...base, replies: sets[11],
      faults: refusal('FAIL_SYS_TOKEN_EXOIRED::\u4ee4\u724c\u8fc7\u671f', true, 1) },
    session: { ...base, replies: sets[250],
      faults: refusal('FAIL_SYS_SESSION_EXPIRED::Session\u8fc7\u671f', false, 3) },
    robot: { ...base, replies: sets[250],
      faults: refusal('FAIL_SYS_USER_VALIDATE::\u54ce\u54df\u5587', true, 4) },
    stop: { ...base, replies: sets[250], latencyMs: 30 },
    noclient: { ...base, replies: sets[1], noClient: true },
  };
  const server = await startServer(work, cases);
  const browser = await chromium.launch({
    executablePath: execFileSync('sh', ['-c', 'command -v chromium'], { encoding: 'utf8' }).trim(),
    chromiumSandbox: false,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run',
      `--host-resolver-rules=MAP ${kHost} 127.0.0.1:${server.address().port}, MAP * ~NOTFOUND`],
  });
  const context = await browser.newContext({ ignoreHTTPSErrors: true, acceptDownloads: true });
  await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: `https://${kHost}` });

  // What every run that offers a result must show: one HAR, the same on the clipboard and in
  // the file, of the replies in the order received, without a query, a cookie or a token.
  const checkHar = (label, r, entries) => {
    let har = null;
    try { har = JSON.parse(r.copied); } catch (e) { /* checked below */ }
    const urls = har ? har.log.entries.map((e) => e.request.url) : [];
    return check(har && r.saved === r.copied && r.fileName === `AliExpress orders ${localDate()}.har` &&
      har.log.version === '1.2' && har.log.creator.name === 'OrderTable bookmark' &&
      urls.length === entries && urls.every((u) => u === kApiAddress) && !r.copied.includes(kSecret),
    `${label}: Copy and Save give the same HAR 1.2 of ${entries} replies, no query, no cookie ` +
      `(got ${urls.length}, file "${r.fileName}")`);
  };
  const checkRequests = (label, r) => check(
    r.requests.every((u) => u.startsWith(`https://${kHost}/`) || u.startsWith('blob:')),
    `${label}: no request leaves the stand-in (${r.requests.length} requests)`);

  try {
    // Complete lists: exactly the generator's orders, as its own HAR gives them.
    for (const n of [1, 10, 11, 250]) {
      const label = n === 11 ? '11 orders, the page reloading its list meanwhile' : `${n} orders`;
      const started = Date.now();
      const r = await runBookmark(context, address, `${kOrdersPage}?case=${n}`);
      const pages = Math.max(1, Math.ceil(n / 10));
      check(r.text.includes(`All ${n} orders read`), `${label}: the overlay says all are read`);
      checkRequests(label, r);
      if (!checkHar(label, r, pages)) { await r.page.close(); continue; }
      const reference = path.join(work, `reference-${n}.har`);
      execFileSync(args['sample-capture'], [reference, '--orders', String(n)]);
      const want = exported(args, reference, path.join(work, `reference-${n}`)).csv;
      const copied = path.join(work, `copied-${n}.har`);
      fs.writeFileSync(copied, r.copied);
      const savedFile = path.join(work, `saved-${n}.har`);
      fs.writeFileSync(savedFile, r.saved);
      const fromCopy = exported(args, copied, path.join(work, `from-copy-${n}`));
      const fromFile = exported(args, savedFile, path.join(work, `from-file-${n}`));
      check(want && fromCopy.csv === want && fromFile.csv === want &&
        JSON.stringify(idsOf(want)) === JSON.stringify(generatedIds(0, n)),
      `${label}: the copy and the file import as exactly the generated orders, newest first ` +
        `${fromCopy.refused || fromFile.refused || ''}`);
      if (n === 250) {
        const retried = r.calls.filter((c) => c.page === 5).length;
        check(retried === 2 && r.calls.every((c) => c.page > 0),
          `250 orders: every request of the expected shape, the network failure asked again once ` +
          `(${r.calls.length} requests)`);
        const har = JSON.parse(r.copied).log.entries;
        const last = har[har.length - 1];
        const span = Date.parse(last.startedDateTime) + last.time - Date.parse(har[0].startedDateTime);
        console.log(`      time per page besides the pause: ${(span / pages).toFixed(1)} ms ` +
          `(${pages} pages in ${span} ms, stand-in answering in 1 ms; ${Date.now() - started} ms ` +
          'for the whole case with Copy, Save and the page load)');
        // The overlay above the page's own banner, at the greatest z-index too.
        const onTop = await r.page.evaluate(() => {
          const box = document.getElementById('ordertable-overlay').shadowRoot.querySelector('.box');
          const rect = box.getBoundingClientRect();
          const hit = document.elementFromPoint(rect.left + 20, rect.top + 20);
          return hit && hit.id === 'ordertable-overlay' && getComputedStyle(box).position === 'fixed';
        });
        check(onTop, '250 orders: the overlay stays above the page, with its own styles');
        await r.page.screenshot({ path: path.join(args.artifacts, 'bookmark-overlay.png'),
          clip: { x: 840, y: 0, width: 440, height: 260 } });
        if (args.picture) fs.copyFileSync(path.join(args.artifacts, 'bookmark-overlay.png'), args.picture);
      }
      if (n === 11) {
        const own = await r.page.evaluate(() => document.body.textContent);
        check(own.includes('reloaded at'), '11 orders: the page did reload its list meanwhile');
      }
      await r.page.close();
    }

    // A token refusal, then the same page asked again and the whole list.
    {
      const r = await runBookmark(context, address, `${kOrdersPage}?case=token`);
      checkHar('token refusal', r, 3);
      const copied = path.join(work, 'copied-token.har');
      fs.writeFileSync(copied, r.copied || '');
      const csv = exported(args, copied, path.join(work, 'from-copy-token')).csv;
      check(csv && JSON.stringify(idsOf(csv)) === JSON.stringify(generatedIds(0, 11)),
        'token refusal: then the whole list, which imports as a new table');
      await r.page.close();
    }

    // Early ends: offered, labelled not the whole list, refused for a new table; refusals
    // never asked again.
    const early = [
      ['session expired at page 3', 'session', /not logged in, or your session expired/, 3, 20, 3],
      ['anti-robot check at page 4', 'robot', /not a robot\. Solve the check on the page/, 4, 30, 4],
    ];
    for (const [label, name, words, entries, orders, lastPage] of early) {
      const r = await runBookmark(context, address, `${kOrdersPage}?case=${name}`);
      check(words.test(r.text) && r.text.includes(`${orders} orders read`) &&
        r.text.includes('not the whole list') && r.calls.length === lastPage &&
        r.calls[lastPage - 1].page === lastPage,
      `${label}: says so, offers ${orders} orders as not the whole list, asks no more ` +
        `(${r.calls.length} requests)`);
      checkHar(label, r, entries);
      checkRequests(label, r);
      const copied = path.join(work, `copied-${name}.har`);
      fs.writeFileSync(copied, r.copied || '');
      const result = exported(args, copied, path.join(work, `from-copy-${name}`));
      check(result.csv === null && /end|short/i.test(result.refused),
        `${label}: import refuses the copy for a new table (${(result.refused || '').trim().split('\n')[0]})`);
      await r.page.close();
    }

    // Stop while it runs, a second click meanwhile; then an update that reaches known orders.
    {
      const r = await runBookmark(context, address, `${kOrdersPage}?case=stop`, {
        pace: 200,
        during: async (page) => {
          await page.waitForFunction(() => Number((/Page (\d+) /.exec(
            document.getElementById('ordertable-overlay').shadowRoot.textContent) || [])[1]) >= 3,
          null, { timeout: kTimeout, polling: 20 });
          await clickBookmark(page, address);
          await page.locator('#ordertable-overlay button', { hasText: 'Stop' }).click();
        },
      });
      const read = Number((r.text.match(/(\d+) orders read/) || [])[1]);
      const later = await r.page.evaluate(() => new Promise((resolve) =>
        setTimeout(() => resolve(window.__standInCalls.length), 300)));
      const overlays = await r.page.evaluate(() => document.querySelectorAll('#ordertable-overlay').length);
      check(read >= 30 && read < 250 && r.text.includes('You stopped') &&
        r.text.includes('not the whole list') && later === r.calls.length &&
        r.calls.filter((c) => c.page === 1).length === 1 && overlays === 1,
      `Stop: ends after the reply in flight with ${read} orders, not the whole list; the ` +
        'second click started nothing');
      checkHar('Stop', r, read / 10);
      const copied = path.join(work, 'copied-stop.har');
      fs.writeFileSync(copied, r.copied || '');
      check(exported(args, copied, path.join(work, 'stop-new')).csv === null,
        'Stop: import refuses the copy for a new table');
      // A table of every order but the 20 newest, updated from the stopped run's copy.
      const older = path.join(work, 'older.har');
      execFileSync(args['sample-capture'], [older, '--orders', '230', '--first-id', String(kFirstId + 20)]);
      const dir = path.join(work, 'stop-update');
      exported(args, older, dir);
      const updated = exported(args, copied, dir, true);
      check(updated.csv && JSON.stringify(idsOf(updated.csv)) === JSON.stringify(generatedIds(0, 250)),
        'Stop: the copy updates a table that holds the older orders with the 20 new ones');
      await r.page.close();
    }

    // An empty list; then a second run after the end.
    {
      const r = await runBookmark(context, address, `${kOrdersPage}?case=0`);
      check(r.text.includes('Your order list is empty') && r.copied === undefined,
        'no orders: the overlay says so and offers nothing');
      await clickBookmark(r.page, address);
      await r.page.waitForFunction(() => !window.__orderTableBookmark.running, null, { timeout: kTimeout });
      const again = await r.page.evaluate(() => [window.__standInCalls.length,
        document.querySelectorAll('#ordertable-overlay').length]);
      check(again[0] === 2 && again[1] === 1, 'no orders: a click after the end runs again');
      await r.page.close();
    }

    // Not the orders page; a page without the API client.
    for (const [label, url, words] of [
      ['a product page', `https://${kHost}/item/1005007712345671.html`, /not the AliExpress "My Orders" page/],
      ['no API client', `${kOrdersPage}?case=noclient`, /no order-list client/],
    ]) {
      const r = await runBookmark(context, address, url);
      const link = await r.page.evaluate(() => {
        const a = document.getElementById('ordertable-overlay').shadowRoot.querySelector('a');
        return a ? a.href : '';
      });
      check(words.test(r.text) && r.copied === undefined &&
        (label !== 'a product page' || link === kOrdersPage),
      `${label}: the overlay says so${link ? `, with a link to ${link}` : ''}`);
      await r.page.close();
    }

    // Broken copies of the bookmark must not pass the stand-in's checks.
    const source = decodeURIComponent(address.slice('javascript:'.length));
    const mutants = [
      ['the linkage left out', /linkage:JSON\.stringify\([^)]*\),/, ''],
      ['the same pageIndex again', /\.pageIndex=\([^)]*\)\+1/, '.pageIndex=1'],
      ['the region read from the cookie', /timeZone:/, 'shipToCountry:document.cookie,timeZone:'],
    ];
    for (const [label, pattern, replacement] of mutants) {
      const broken = source.replace(pattern, replacement);
      if (!check(broken !== source, `mutant "${label}": the bookmark has it to break`)) continue;
      const r = await runBookmark(context, 'javascript:' + encodeURIComponent(broken),
        `${kOrdersPage}?case=11`);
      check(!r.text.includes('All 11 orders read'), `mutant "${label}" caught: ${r.text.slice(10, 90)}...`);
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
