// Opens table documents from disk in headless Chromium with the real web libraries they load
// and checks that they work as a table: DataTables starts, search, sorting and paging work,
// the ratings turn into star bars, the fonts load and nothing is logged as an error, and the
// spreadsheet buttons save and copy the rows the search shows.
//
// Usage:
//   node table_document.test.mjs --cli PATH [--site DIR] [--artifacts DIR] [--mutants]
//        --doc LABEL,ROWS,PATH [--doc LABEL,ROWS,PATH ...]
//
// --doc        a document to check, with the number of rows it must show.
// --cli        ordertable-cli: the workbook of its export of each document is what the
//              workbook of the page's Excel button must hold, its amount and currency aside.
// --site       the folder whose ae/ subfolder web/stage-assets.sh staged, for documents whose
//              head names an asset host: it is served on 127.0.0.1 and that host is mapped to it.
// --artifacts  where the screenshots go (default: artifacts/browser).
// --speed      a table of thousands of orders: opened from disk, it must be ready in under a
//              third of the time the same orders take as the earlier version wrote them,
//              measured in this run, and ask for no more than kMostRequests pictures.
// --mutants    also derive broken copies of the last document (the last one that uses the
//              folder beside it, if any) and require each one to fail.
//
// A document whose head refers to the folder of assets beside it is opened with every host
// unreachable (every name resolves to nothing) and no server running: all it needs must come
// from that folder, and only the product pictures and the favicon, which stay on the
// marketplace's hosts, may fail to load. For a document served by an asset host, the https
// hosts it names (marketplace images, icon font, web font) are answered from local files
// through request routes and every other host resolves to nothing, so the test never touches
// the network either way. The files the buttons save are caught as downloads, the clipboard
// is read back, and the workbooks are opened by workbook_cells.py (zipfile and ElementTree).
// Exits 1 when a check fails; the last line is the summary.

import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import zlib from 'node:zlib';
import { asWrittenEarlier, launch, measureOpen } from './open_timing.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '../..');
const webModules = path.join(repo, 'web/node_modules');

const kAssetFiles = [
  'css/bootstrap.min.css',
  'css/mdb.min.css',
  'css/style.css',
  'css/addons/datatables.min.css',
  'css/addons/buttons.bootstrap4.min.css',
  'js/jquery.min.js',
  'js/popper.min.js',
  'js/bootstrap.min.js',
  'js/mdb.min.js',
  'js/addons/datatables.min.js',
  'js/addons/jszip.min.js',
  'js/addons/dataTables.buttons.min.js',
  'js/addons/buttons.bootstrap4.min.js',
  'js/addons/buttons.html5.min.js',
  'js/order-export.js',
  'stars.png',
];
// The files of the folder beside the table that a page must load besides kAssetFiles.
const kFontFiles = [
  'fontawesome/css/all.min.css',
  'fontawesome/webfonts/fa-solid-900.woff2',
  'roboto/300.css',
  'roboto/400.css',
  'roboto/500.css',
  'roboto/700.css',
  'roboto/files/roboto-latin-300-normal.woff2',
];
const kTimeout = 8000;
// Pictures a table may ask for before the shopper pages or scrolls: those of the ten rows
// shown, with room for the favicon and a longer first page.
const kMostRequests = 50;

// ---------------------------------------------------------------------------------------------
// Command line

function parseArgs(argv) {
  const args = { docs: [], artifacts: path.join(repo, 'artifacts/browser'), mutants: false };
  for (let i = 0; i < argv.length; i++) {
    const a = argv[i];
    if (a === '--site') args.site = path.resolve(argv[++i]);
    else if (a === '--cli') args.cli = path.resolve(argv[++i]);
    else if (a === '--artifacts') args.artifacts = path.resolve(argv[++i]);
    else if (a === '--mutants') args.mutants = true;
    else if (a === '--speed') args.speed = path.resolve(argv[++i]);
    else if (a === '--doc') {
      const value = argv[++i];
      const first = value.indexOf(',');
      const second = value.indexOf(',', first + 1);
      if (first < 0 || second < 0) throw new Error(`--doc wants LABEL,ROWS,PATH, got ${value}`);
      args.docs.push({
        label: value.slice(0, first),
        rows: Number(value.slice(first + 1, second)),
        file: path.resolve(value.slice(second + 1)),
      });
    } else throw new Error(`unknown argument ${a}`);
  }
  if (args.docs.length === 0 || !args.cli) {
    throw new Error(
      'usage: table_document.test.mjs --cli PATH [--site DIR] --doc LABEL,ROWS,PATH ...');
  }
  return args;
}

// ---------------------------------------------------------------------------------------------
// What the document says, read from its source independently of the browser

function decodeEntities(text) {
  return text
    .replace(/&lt;/g, '<')
    .replace(/&gt;/g, '>')
    .replace(/&quot;/g, '"')
    .replace(/&#39;/g, "'")
    .replace(/&nbsp;/g, '\u00a0')
    .replace(/&amp;/g, '&');
}

function cellText(html) {
  return decodeEntities(html.replace(/<[^>]*>/g, ''));
}

function hostOf(line, scheme) {
  const m = line.match(new RegExp(`${scheme}://([^/'"]+)/`));
  return m ? m[1] : null;
}

/// The hosts, rows and ratings of a document, from its lines.
function readDocument(file) {
  const lines = fs.readFileSync(file, 'latin1').split('\r\n');
  const find = (needle) => lines.find((l) => l.includes(needle)) || '';
  const assets = (find('css/bootstrap.min.css').match(/href='([^']*)css\/bootstrap\.min\.css'/) ||
    [])[1] || null;
  const doc = {
    imageHost: hostOf(find("rel='icon'"), 'https'),
    favicon: (find("rel='icon'").match(/href='([^']*)'/) || [])[1],
    iconFontHost: hostOf(find('/releases/v5.11.2/css/all.css'), 'https'),
    webFontHost: hostOf(find('/css?family=Roboto'), 'https'),
    // Where the head finds the table's own files: http://<asset host>/ae/, or the folder beside
    // the table by a relative address.
    assets,
    assetHost: assets ? hostOf(assets, 'http') : null,
    rows: [],
  };
  const cell = (l) => {
    const m = l.match(/^<td>(.*)<\/t[dh]>$/);
    return m ? m[1] : null;
  };
  for (let i = 0; i < lines.length; i++) {
    if (!/^<!--.*-->$/.test(lines[i]) || lines[i + 1] !== '<tr>') continue;
    const cells = lines.slice(i + 2, i + 11).map(cell);
    const rating = cells[8] && cells[8].match(/^<span class='stars'>(.*)<\/span>$/);
    const img = cells[4] && cells[4].match(/<img src='([^']*)'[^>]*>/);
    doc.rows.push({
      id: lines[i].slice(4, -3),
      number: Number(cells[0]),
      date: cells[1],
      text: cells.slice(0, 8).map((c) => cellText(c || '')),
      description: cellText(cells[5] || ''),
      rating: rating ? rating[1] : null,
      thumbnail: img ? img[1] : null,
      lazy: / loading='lazy'/.test(cells[4] || ''),
    });
  }
  return doc;
}

// ---------------------------------------------------------------------------------------------
// Local answers for the hosts the document names

function crc32(buf) {
  let c = ~0;
  for (const byte of buf) {
    c ^= byte;
    for (let k = 0; k < 8; k++) c = (c >>> 1) ^ (0xedb88320 & -(c & 1));
  }
  return ~c >>> 0;
}

function encodePng(width, height, pixel) {
  const raw = Buffer.alloc((width * 3 + 1) * height);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const [r, g, b] = pixel(x, y);
      raw.set([r, g, b], y * (width * 3 + 1) + 1 + x * 3);
    }
  }
  const chunk = (type, data) => {
    const body = Buffer.concat([Buffer.from(type), data]);
    const out = Buffer.alloc(body.length + 8);
    out.writeUInt32BE(data.length, 0);
    body.copy(out, 4);
    out.writeUInt32BE(crc32(body), body.length + 4);
    return out;
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 2, 0, 0, 0], 8);  // 8-bit RGB
  return Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', header),
    chunk('IDAT', zlib.deflateSync(raw)),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}

/// A 50 x 50 product picture: a coloured object on a light backdrop, its hue taken from the URL.
function thumbnail(url) {
  const hue = crc32(Buffer.from(url)) % 360;
  const rgb = (h, s, l) => {
    const f = (n) => {
      const k = (n + h / 30) % 12;
      return Math.round(255 * (l - s * Math.min(l, 1 - l) * Math.max(-1, Math.min(k - 3, 9 - k, 1))));
    };
    return [f(0), f(8), f(4)];
  };
  const body = rgb(hue, 0.65, 0.5);
  const shade = rgb(hue, 0.65, 0.35);
  const round = crc32(Buffer.from(url + '#')) % 2 === 0;
  return encodePng(50, 50, (x, y) => {
    const dx = x - 24.5, dy = y - 24.5;
    const inObject = round ? dx * dx + dy * dy < 16 * 16 : Math.abs(dx) < 14 && Math.abs(dy) < 14;
    if (inObject) return dy > 6 ? shade : body;
    return y > 40 ? [226, 226, 226] : [246, 246, 246];
  });
}

const kTypes = {
  '.css': 'text/css',
  '.js': 'application/javascript',
  '.png': 'image/png',
  '.woff2': 'font/woff2',
  '.woff': 'font/woff',
  '.ttf': 'font/ttf',
  '.svg': 'image/svg+xml',
  '.eot': 'application/vnd.ms-fontobject',
  '.txt': 'text/plain',
};
const kCors = { 'Access-Control-Allow-Origin': '*' };

function fileResponse(file) {
  if (!file || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    return { status: 404, headers: kCors, body: 'not found' };
  }
  return {
    status: 200,
    headers: { ...kCors, 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream' },
    body: fs.readFileSync(file),
  };
}

/// Routes that answer the document's https hosts from the installed packages.
function hostRoutes(doc) {
  const fontawesome = path.join(webModules, '@fortawesome/fontawesome-free');
  const roboto = path.join(webModules, '@fontsource/roboto');
  const robotoCss = ['300', '400', '500', '700']
    .map((w) => fs.readFileSync(path.join(roboto, `${w}.css`), 'utf8'))
    .join('\n');
  const routes = new Map();
  const add = (host, answer) => {
    const previous = routes.get(host);
    routes.set(host, previous ? (u) => answer(u) || previous(u) : answer);
  };
  add(doc.iconFontHost, (u) => {
    const m = u.pathname.match(/^\/releases\/v5\.11\.2\/((?:css|webfonts)\/[\w.-]+)$/);
    return m ? fileResponse(path.join(fontawesome, m[1])) : null;
  });
  add(doc.webFontHost, (u) => {
    if (u.pathname === '/css') {
      return { status: 200, headers: { ...kCors, 'Content-Type': 'text/css' }, body: robotoCss };
    }
    const m = u.pathname.match(/^\/files\/([\w.-]+)$/);
    return m ? fileResponse(path.join(roboto, 'files', m[1])) : null;
  });
  const thumbnailHosts = new Set(doc.rows.map((r) => hostOf(r.thumbnail || '', 'https')));
  for (const host of [doc.imageHost, ...thumbnailHosts]) {
    if (!host) continue;
    add(host, (u) => ({
      status: 200,
      headers: { ...kCors, 'Content-Type': 'image/png' },
      body: u.pathname.endsWith('.ico') ? thumbnail('icon') : thumbnail(u.pathname),
    }));
  }
  return routes;
}

/// The asset host: the staged folder, with the CORS header a file:// page (origin "null") needs.
function startAssetServer(site) {
  const log = [];
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://asset-host');
    const file = path.join(site, path.normalize(decodeURIComponent(url.pathname)));
    const answer = file.startsWith(site + path.sep) ? fileResponse(file) : fileResponse(null);
    log.push({ path: url.pathname, status: answer.status });
    res.writeHead(answer.status, answer.headers);
    res.end(answer.body);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({ server, log, port: server.address().port }));
  });
}

// ---------------------------------------------------------------------------------------------
// The spreadsheet buttons: what they must give, read apart from the page

const kSheetColumns = ['Order id', 'Date', 'Price', 'Status', 'Product titles', 'Product links',
  'Options', 'Store', 'Store link', 'Picture link', 'Rating'];
// The columns of the command's export that the page leaves out.
const kCommandOnlyColumns = ['Amount', 'Currency'];
const kExportName = 'AliExpress Orders export';

/// The first sheet of a workbook: rows of [kind, value], kind "text", "number" or "date".
function workbookCells(file) {
  const out = execFileSync('python3', [path.join(here, 'workbook_cells.py'), file],
    { encoding: 'utf8' });
  const book = JSON.parse(out);
  // An absent cell and an empty text read alike in a spreadsheet.
  book.rows = book.rows.map((row) =>
    row.map(([kind, value]) => (kind === 'empty' ? ['text', ''] : [kind, value])));
  return book;
}

const commandSheets = new Map();

/// The lines of the command's workbook export of the table in `file`'s folder, in the page's
/// columns, by order id.
function commandSheet(cli, file) {
  const folder = path.dirname(file);
  if (commandSheets.has(folder)) return commandSheets.get(folder);
  const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'ordertable-cli-')), 'export.xlsx');
  execFileSync(cli, ['export', '--xlsx', out], { cwd: folder, stdio: 'pipe' });
  const [header, ...lines] = workbookCells(out).rows;
  fs.rmSync(path.dirname(out), { recursive: true, force: true });
  const keep = header.map(([, title]) => !kCommandOnlyColumns.includes(title));
  const byId = new Map();
  for (const line of lines) {
    const cells = kSheetColumns.map(() => ['text', '']);
    line.filter((_, i) => keep[i]).forEach((cell, i) => { cells[i] = cell; });
    byId.set(cells[0][1], cells);
  }
  expectEqual(header.filter((_, i) => keep[i]).map(([, title]) => title), kSheetColumns,
    "the command's columns");
  commandSheets.set(folder, byId);
  return byId;
}

/// The records of `text`, fields split at `separator`; a field in double quotes may hold the
/// separator, line breaks and doubled quotes. `lineEnds` lists the ends of the records.
function parseRecords(text, separator) {
  const records = [];
  records.lineEnds = new Set();
  let record = [], field = '', quoted = false, i = 0;
  const endField = () => { record.push(field); field = ''; };
  while (i < text.length) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') { field += '"'; i += 2; continue; }
      if (c === '"') quoted = false;
      else field += c;
      i++;
    } else if (c === '"' && field === '') {
      quoted = true;
      i++;
    } else if (c === separator) {
      endField();
      i++;
    } else if (c === '\r' || c === '\n') {
      endField();
      records.push(record);
      record = [];
      const end = c === '\r' && text[i + 1] === '\n' ? '\r\n' : c;
      records.lineEnds.add(end);
      i += end.length;
    } else {
      field += c;
      i++;
    }
  }
  if (field !== '' || record.length) { endField(); records.push(record); }
  return records;
}

/// The text a field of a CSV or the clipboard was written from. A field that a spreadsheet
/// would run as a formula throws: only ="text" (a string, which keeps ids from turning into
/// numbers) and text behind an apostrophe may start with one of =, +, - and @.
function unguarded(field, what) {
  if (field.startsWith('="') && field.endsWith('"')) {
    const inner = field.slice(2, -1);
    if (!/^(?:[^"]|"")*$/.test(inner)) {
      throw new Error(`${what}: a formula that is no string: ${field}`);
    }
    return { text: inner.replace(/""/g, '"'), kept: true };
  }
  if (/^[=+\-@\t\r\n\uff1d\uff0b\uff0d\uff20]/.test(field)) {
    throw new Error(`${what}: a field that runs as a formula: ${JSON.stringify(field)}`);
  }
  if (/^'[=+\-@]/.test(field)) return { text: field.slice(1), kept: false };
  return { text: field, kept: false };
}

/// Compares the records of a text export with the workbook's lines (header first); order
/// ids must be kept as text in it.
function expectSameAsWorkbook(records, workbook, what) {
  expectEqual(records.length, workbook.length, `${what}: lines`);
  records.forEach((record, r) => {
    expectEqual(record.length, kSheetColumns.length, `${what}: fields of line ${r + 1}`);
    record.forEach((field, c) => {
      const where = `${what}, line ${r + 1}, ${kSheetColumns[c]}`;
      const { text, kept } = r === 0 ? { text: field, kept: true } : unguarded(field, where);
      const [kind, value] = workbook[r][c];
      const same = kind === 'number' ? text !== '' && Number(text) === value
        : text === String(value);
      if (!same) {
        const has = JSON.stringify(value);
        throw new Error(`${where}: ${JSON.stringify(field)}, the workbook has ${has}`);
      }
      if (r > 0 && c === 0 && text !== '' && !kept) {
        throw new Error(`${where}: the order id ${field} is not kept as text`);
      }
    });
  });
}

/// Presses the button and saves the file it downloads into `folder`.
async function download(page, selector, folder) {
  const [file] = await Promise.all([page.waitForEvent('download', { timeout: kTimeout }),
    page.click(selector, { timeout: kTimeout })]);
  const saved = path.join(folder, file.suggestedFilename());
  await file.saveAs(saved);
  return { name: file.suggestedFilename(), file: saved };
}

/// The rows in the order the table first shows them: by "#" rising, equal numbers in the
/// order of the document.
function shownOrder(rows) {
  return rows.map((r, i) => ({ r, i })).sort((a, b) => a.r.number - b.r.number || a.i - b.i)
    .map(({ r }) => r);
}

// ---------------------------------------------------------------------------------------------
// The checks

function starExpectation(ratingText) {
  const t = parseFloat(ratingText);
  return { width: 16 * Math.max(0, Math.min(5, t)), text: String(parseInt(t * 100)) };
}

/// Expected number of rows for a DataTables smart search: every word in some cell, any case.
function searchMatches(rows, term) {
  const words = term.toLowerCase().split(/\s+/).filter(Boolean);
  return rows.filter((r) => {
    const text = r.text.join('  ').toLowerCase();
    return words.every((w) => text.includes(w));
  });
}

function pickSearchTerm(rows) {
  // A word of the text cells (status, description, options, store) that some rows hold and
  // others do not, so the filter shows.
  const counts = new Map();
  for (const r of rows) {
    const words = [3, 5, 6, 7].map((c) => r.text[c]).join(' ').toLowerCase().split(/[^a-z]+/);
    for (const w of new Set(words)) {
      if (w.length >= 4) counts.set(w, (counts.get(w) || 0) + 1);
    }
  }
  const candidates = [...counts].filter(([, c]) => c >= 1 && c < rows.length);
  candidates.sort((a, b) => a[1] - b[1] || a[0].localeCompare(b[0]));
  const [word] = candidates[Math.floor(candidates.length / 2)] || [];
  // Letters only: the hidden rating numbers are searchable too, and would blur the expectation.
  return word;
}

/// The dates in calendar order (`direction` 1) or the reverse (-1), a cell that is no date
/// last either way. The day is not padded ("2019-03-5"), so text order would put the 5th
/// after the 15th.
function chronological(dates, direction = 1) {
  const key = (d) => (/^\d{4}-\d{1,2}-\d{1,2}$/.test(d)
    ? d.split('-').map(Number).reduce((k, part) => k * 100 + part, 0) : null);
  const known = dates.filter((d) => key(d) !== null);
  return [...known.sort((a, b) => direction * (key(a) - key(b))),
    ...dates.filter((d) => key(d) === null)];
}

/// Throws unless the prices in `order` that are one amount in US dollars ("US $12.34") rise
/// (`direction` 1) or fall (-1) and every price of several amounts comes after all of them.
function expectPricesSorted(order, direction, what) {
  const amounts = [];
  let severalSeen = false;
  for (const price of order) {
    const m = /^US \$(\d+)\.(\d\d)$/.exec(price);
    if (/ \+ /.test(price)) severalSeen = true;
    else if (severalSeen) throw new Error(`${what}: "${price}" after a price of several amounts`);
    if (m) amounts.push(Number(m[1]) * 100 + Number(m[2]));
  }
  if (amounts.length < 2) throw new Error(`${what}: fewer than two prices in dollars`);
  amounts.forEach((a, i) => {
    if (i && direction * (a - amounts[i - 1]) < 0) {
      throw new Error(`${what}: ${amounts[i - 1] / 100} before ${a / 100}`);
    }
  });
}

async function visibleColumn(page, column) {
  return page.$$eval(`#ae tbody tr`, (trs, c) => trs.map((tr) => tr.cells[c]?.textContent ?? ''),
    column);
}

async function infoText(page, timeout = kTimeout) {
  return (await page.textContent('#ae_info', { timeout })).trim();
}

function expectEqual(actual, expected, what) {
  const a = JSON.stringify(actual), e = JSON.stringify(expected);
  if (a !== e) throw new Error(`${what}: expected ${e}, got ${a}`);
}

/// Runs every check on one document; returns [{name, ok, detail}].
async function checkDocument(browser, args, assets, label, file, expectedRows, screenshot) {
  const doc = readDocument(file);
  const results = [];
  let started = true;  // the checks after the first need a running table
  const check = async (name, fn, needsTable = true) => {
    if (needsTable && !started) {
      results.push({ name, ok: false, detail: 'not run: the table did not start' });
      return;
    }
    try {
      const detail = await fn();
      results.push({ name, ok: true, detail: detail || '' });
    } catch (e) {
      results.push({ name, ok: false, detail: String(e.message || e).split('\n')[0] });
    }
  };
  const offline = !assets;  // no asset host: all must come from the folder beside the table
  const problems = [];
  const routed = [];
  const localLoads = new Set();  // offline: the files loaded, relative to the table's folder
  const unreachable = [];        // offline: the pictures that needed the network
  const pictureHosts = new Set([doc.imageHost,
    ...doc.rows.map((r) => hostOf(r.thumbnail || '', 'https'))]);
  const folderUrl = pathToFileURL(path.dirname(file)).href + '/';
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 },
    acceptDownloads: true });
  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  if (!offline) {
    const routes = hostRoutes(doc);
    await context.route('**/*', async (route) => {
      const url = new URL(route.request().url());
      const answer = url.protocol === 'https:' && routes.has(url.host) ? routes.get(url.host)(url)
        : null;
      if (!answer) return route.continue();
      routed.push({ url: url.href, status: answer.status });
      return route.fulfill(answer);
    });
  }
  // DataTables keeps every row, shown or not, under its data index, which follows the source.
  await context.addInitScript(() => {
    window.rowsInDocumentOrder = () => {
      const nodes = [];
      $('#ae').DataTable().rows().every(function (index) {
        nodes[index] = this.node();
      });
      return nodes;
    };
  });
  const page = await context.newPage();
  // Offline, a picture on the marketplace's hosts cannot load, and says so on the console.
  const isPicture = (url) => offline && /^https:/.test(url) && pictureHosts.has(new URL(url).host);
  page.on('console', (m) => {
    if (m.type() !== 'error') return;
    if (/^Failed to load resource/.test(m.text()) && isPicture(m.location().url)) return;
    problems.push(`console error: ${m.text()}`);
  });
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('requestfailed', (r) => {
    if (isPicture(r.url())) unreachable.push(r.url());
    else problems.push(`request failed: ${r.url()} ${r.failure()?.errorText}`);
  });
  page.on('requestfinished', (r) => {
    if (r.url().startsWith(folderUrl)) localLoads.add(decodeURIComponent(r.url().slice(folderUrl.length)));
  });
  if (assets) assets.log.length = 0;

  await page.goto(pathToFileURL(file).href, { waitUntil: 'load', timeout: 20000 }).catch(
    (e) => problems.push(`load: ${e.message.split('\n')[0]}`));

  let total = expectedRows;
  await check('DataTables initialised', async () => {
    if (doc.rows.length !== expectedRows) {
      throw new Error(`the document holds ${doc.rows.length} row blocks, ${expectedRows} expected`);
    }
    const shown = Math.min(10, total);
    const want = total === 0 ? 'Showing 0 to 0 of 0 entries' : `Showing 1 to ${shown} of ${total} entries`;
    // The table starts on document ready, which comes before the load event waited for.
    const info = await infoText(page, 2000).catch(() => {
      throw new Error('no #ae_info line: DataTables did not start on #ae');
    });
    expectEqual(info, want, 'info line');
    const lengthClass = await page.getAttribute('.dataTables_length', 'class');
    if (!lengthClass.split(/\s+/).includes('bs-select')) throw new Error('no bs-select class');
    return want;
  });
  started = results[0].ok;

  await check(offline ? 'only the pictures need the network' : 'thumbnails loaded', async () => {
    const missing = doc.rows.filter((r) => !r.thumbnail || !/^https:\/\//.test(r.thumbnail));
    if (missing.length) {
      throw new Error(`${missing.length} rows without an https thumbnail, e.g. ${JSON.stringify(missing[0].thumbnail)}`);
    }
    // The pictures of the rows shown, and those of rows written before pictures waited for
    // their row to be shown; no other.
    await page.waitForFunction(() => [...document.querySelectorAll('#ae tbody img')]
      .every((i) => i.complete), null, { timeout: kTimeout });
    const shown = await page.evaluate(() => $('#ae').DataTable().rows({ page: 'current' })
      .indexes().toArray());
    const wanted = new Set([...shown.map((i) => doc.rows[i]), ...doc.rows.filter((r) => !r.lazy)]
      .map((r) => r.thumbnail));
    if (offline) {
      // Each could not come: the table does not wait for them.
      const deadline = Date.now() + kTimeout;
      while ([...wanted].some((u) => !unreachable.includes(u)) && Date.now() < deadline) {
        await page.waitForTimeout(100);
      }
      const asked = new Set(unreachable);
      const never = [...wanted].filter((u) => !asked.has(u));
      if (never.length) throw new Error(`${never.length} pictures never asked for, e.g. ${never[0]}`);
      const needless = [...asked].filter((u) => !wanted.has(u) && u !== doc.favicon);
      if (needless.length) {
        throw new Error(`${needless.length} pictures of rows not shown asked for, e.g. ${needless[0]}`);
      }
      return `${asked.size} pictures unreachable, as expected`;
    }
    const state = await page.evaluate(() => [...document.querySelectorAll('#ae tbody img')]
      .map((i) => ({ src: i.getAttribute('src'), w: i.naturalWidth, h: i.naturalHeight })));
    expectEqual(state.length, shown.length, 'pictures shown');
    const broken = state.filter((s) => s.w !== 50 || s.h !== 50);
    if (broken.length) throw new Error(`${broken.length} pictures did not load, e.g. ${broken[0].src}`);
    return `${state.length} pictures`;
  });

  // Addresses are cut from the order pages and written inside single-quoted attributes: a
  // quote or an angle bracket in one must not end its attribute and turn into markup.
  await check('links stay inside their attributes', async () => {
    const found = await page.evaluate(() => {
      const problems = [];
      const only = (cell, selector, elements) =>
        cell.children.length === 1 && cell.firstElementChild.matches(selector) &&
        cell.querySelectorAll('*').length === elements;
      rowsInDocumentOrder().forEach((tr, i) => {
        const cells = [...tr.cells];
        if (cells.length !== 9) problems.push(`row ${i + 1}: ${cells.length} cells`);
        else if (!only(cells[4], 'a[href]', 2) || !cells[4].querySelector('a > img[src]')) {
          problems.push(`row ${i + 1}: image cell ${cells[4].innerHTML}`);
        } else if (cells[5].querySelectorAll('a[href]').length < 1 ||
            [...cells[5].querySelectorAll('*')].some((e) => !e.matches('a[href], br'))) {
          // One link per item of the order (an order of today's list can have several), one
          // item to a line, and nothing else.
          problems.push(`row ${i + 1}: description cell ${cells[5].innerHTML}`);
        } else if (!only(cells[7], 'a[href]', 1)) {
          problems.push(`row ${i + 1}: store cell ${cells[7].innerHTML}`);
        }
        for (const e of tr.querySelectorAll('*')) {
          const handler = [...e.attributes].find((a) => a.name.startsWith('on'));
          if (handler) problems.push(`row ${i + 1}: ${e.tagName} with ${handler.name}`);
        }
      });
      if (document.querySelector('#ae script')) problems.push('a script inside the table');
      if (window.injected !== undefined) problems.push(`injected script ran (${window.injected})`);
      return problems;
    });
    if (found.length) throw new Error(`${found.length} problems, first: ${found[0]}`);
    return `${doc.rows.length} rows`;
  });

  // The bars of the rows shown (drawn page by page), each from its row's rating.
  const expectStarBars = async () => {
    const spans = await page.evaluate(() => {
      const found = [];
      $('#ae').DataTable().rows({ page: 'current' }).every(function (index) {
        for (const s of this.node().querySelectorAll('span.stars')) {
          const inner = s.firstElementChild;
          found.push({ index, children: s.children.length, inner: inner?.tagName,
            width: inner?.style.width, text: inner?.textContent });
        }
      });
      return found;
    });
    expectEqual(spans.length, Math.min(10, total), 'star spans shown');
    spans.forEach((s) => {
      const row = doc.rows[s.index];
      const want = starExpectation(row.rating);
      const what = `row ${s.index + 1} rating ${row.rating}`;
      expectEqual([s.children, s.inner], [1, 'SPAN'], `${what}: inner span`);
      if (Math.abs(parseFloat(s.width) - want.width) > 0.01) {
        throw new Error(`${what}: inner span ${s.width} wide, ${want.width}px expected`);
      }
      expectEqual(s.text, want.text, `${what}: inner text`);
    });
    return spans.length;
  };

  await check('stars drawn', async () => {
    const bars = await expectStarBars();
    // As laid out on screen: 80 x 16 bars with the drawn picture, the number hidden.
    const boxes = await page.$$eval('#ae tbody span.stars', (list) => list.map((s) => {
      const outer = s.getBoundingClientRect(), inner = s.firstElementChild.getBoundingClientRect();
      const style = getComputedStyle(s), innerStyle = getComputedStyle(s.firstElementChild);
      return {
        outer: [outer.width, outer.height],
        inner: [inner.width, inner.height],
        background: style.backgroundImage,
        offsets: [style.backgroundPosition, innerStyle.backgroundPosition],
        font: innerStyle.fontSize,
        rating: s.closest('tr').cells[0].textContent,
      };
    }));
    for (const b of boxes) {
      expectEqual(b.outer, [80, 16], 'star bar size');
      const want = offline ? `url("${folderUrl}${doc.assets}stars.png")` : '/ae/stars.png';
      if (!b.background.includes(want)) throw new Error(`star background ${b.background}`);
      expectEqual(b.offsets, ['0px -16px', '0px 0px'], 'star picture offsets');
      expectEqual(b.font, '0px', 'hidden rating text size');
    }
    const starsLoaded = offline ? localLoads.has(`${decodeURIComponent(doc.assets)}stars.png`)
      : assets.log.some((r) => r.path === '/ae/stars.png' && r.status === 200);
    if (!starsLoaded) throw new Error('stars.png was not loaded');
    // Filled row on top, empty row below: 80 x 32.
    const picture = await page.evaluate((url) => new Promise((resolve) => {
      const img = new Image();
      img.onload = () => resolve([img.naturalWidth, img.naturalHeight]);
      img.onerror = () => resolve(null);
      img.src = url;
    }), boxes.length ? boxes[0].background.match(/url\("?([^")]*)/)[1] : '');
    expectEqual(picture, [80, 32], 'stars.png size');
    return `${bars} bars on the page shown`;
  });

  if (screenshot) {
    await check('screenshot', async () => {
      await page.evaluate(() => document.fonts.ready);
      fs.mkdirSync(args.artifacts, { recursive: true });
      const out = path.join(args.artifacts, `${label}.png`);
      await page.screenshot({ path: out, fullPage: true });
      // The buttons above the table, with the table's title and header row.
      const top = path.join(args.artifacts, `${label}-buttons.png`);
      const clip = await page.evaluate(() => {
        const from = document.querySelector('h2').getBoundingClientRect();
        const to = document.querySelector('#ae thead').getBoundingClientRect();
        return {
          x: from.left - 16,
          y: from.top - 12,
          width: to.width + 32,
          height: to.bottom - from.top + 24,
        };
      });
      await page.screenshot({ path: top, clip });
      return `${path.relative(process.cwd(), out)}, ${path.basename(top)}`;
    }, false);
  }

  // The buttons take the rows the search shows, from every page, sorted as on screen. The
  // workbook must hold what the command's export holds (two programs, one result), the ids
  // come from the key comments, and the CSV and the clipboard must give the same cells.
  await check('spreadsheet buttons', async () => {
    const buttons = await page.$$eval('.dt-buttons button',
      (bs) => bs.map((b) => b.textContent.trim()));
    expectEqual(buttons, ['Copy', 'CSV', 'Excel'], 'buttons above the table');
    const note = (await page.textContent('.ae-export-note', { timeout: kTimeout })).trim();
    if (!/rows that the search shows, from all pages/.test(note)) throw new Error(`note "${note}"`);
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'ordertable-buttons-'));
    try {
      const byId = commandSheet(args.cli, file);
      const expected = (rows) => [kSheetColumns.map((t) => ['text', t]),
        ...rows.map((r) => {
          if (!byId.has(r.id)) throw new Error(`order ${r.id} is not in the command's export`);
          return byId.get(r.id);
        })];
      const want = expected(shownOrder(doc.rows));

      const excel = await download(page, '.buttons-excel', folder);
      expectEqual(excel.name, `${kExportName}.xlsx`, 'workbook name');
      const book = workbookCells(excel.file);
      expectEqual([book.sheets, book.deflated], [['Orders'], true], 'sheets, and deflated');
      expectEqual(book.rows.length, want.length, 'workbook lines');
      book.rows.forEach((line, i) => {
        if (i > 0 && line[0][0] !== 'text') {
          throw new Error(`line ${i + 1}: order id ${JSON.stringify(line[0])} is no text`);
        }
        expectEqual(line, want[i], `workbook line ${i + 1}`);
      });

      const csv = await download(page, '.buttons-csv', folder);
      expectEqual(csv.name, `${kExportName}.csv`, 'CSV name');
      const bytes = fs.readFileSync(csv.file);
      expectEqual([...bytes.subarray(0, 3)], [0xef, 0xbb, 0xbf], 'byte order mark');
      const text = new TextDecoder('utf-8', { fatal: true }).decode(bytes.subarray(3));
      const records = parseRecords(text, ',');
      expectEqual([...records.lineEnds], ['\r\n'], 'CSV line ends');
      expectSameAsWorkbook(records, book.rows, 'CSV');

      await page.evaluate(() => navigator.clipboard.writeText('nothing copied yet'));
      await page.click('.buttons-copy', { timeout: kTimeout });
      const copied = await page.evaluate(() => navigator.clipboard.readText());
      expectSameAsWorkbook(parseRecords(copied, '\t'), book.rows, 'clipboard');

      // With a search, only its rows.
      const term = pickSearchTerm(doc.rows);
      const matches = searchMatches(doc.rows, term);
      await page.fill('#ae_filter input', term, { timeout: kTimeout });
      const found = await download(page, '.buttons-csv', folder);
      const searched = parseRecords(fs.readFileSync(found.file, 'utf8').slice(1), ',');
      await page.fill('#ae_filter input', '');
      expectEqual(searched.map((r) => r[0]), [kSheetColumns[0],
        ...shownOrder(matches).map((r) => `="${r.id}"`)], `order ids after searching "${term}"`);
      return `${want.length - 1} rows in the workbook, the CSV and the clipboard; ` +
        `${matches.length} for "${term}"`;
    } finally {
      fs.rmSync(folder, { recursive: true, force: true });
    }
  });

  await check('search filters rows', async () => {
    const term = pickSearchTerm(doc.rows);
    if (!term) throw new Error('no description word to search for');
    const matches = searchMatches(doc.rows, term);
    await page.fill('#ae_filter input', term, { timeout: kTimeout });
    const shown = Math.min(10, matches.length);
    expectEqual(await infoText(page),
      `Showing 1 to ${shown} of ${matches.length} entries (filtered from ${total} total entries)`,
      `info line after searching "${term}"`);
    const shownRows = await page.$$eval('#ae tbody tr', (trs) => trs.map((tr) => tr.textContent));
    for (const t of shownRows) {
      if (!t.toLowerCase().includes(term)) throw new Error(`row "${t}" shown for "${term}"`);
    }
    await page.fill('#ae_filter input', '');
    expectEqual(await infoText(page), `Showing 1 to ${Math.min(10, total)} of ${total} entries`,
      'info line after clearing the search');
    return `"${term}": ${matches.length} of ${total}`;
  });

  await check('header click sorts', async () => {
    const numbers = doc.rows.map((r) => r.number).sort((a, b) => a - b);
    expectEqual((await visibleColumn(page, 0)).map(Number), numbers.slice(0, 10),
      'first page in the initial "#" order');
    const all = (column) => page.evaluate((c) => $('#ae').DataTable()
      .cells(null, c, { order: 'applied' }).nodes().toArray().map((td) => td.textContent), column);
    const dates = doc.rows.map((r) => r.date);
    await page.click('#ae thead th:nth-child(3)', { timeout: kTimeout });
    expectPricesSorted(await all(2), 1, 'prices after one click');
    await page.click('#ae thead th:nth-child(3)', { timeout: kTimeout });
    expectPricesSorted(await all(2), -1, 'prices after a second click');
    await page.click('#ae thead th:nth-child(2)', { timeout: kTimeout });
    expectEqual(await all(1), chronological(dates), 'dates after one click');
    expectEqual(await visibleColumn(page, 1), chronological(dates).slice(0, 10), 'dates shown');
    await page.click('#ae thead th:nth-child(2)', { timeout: kTimeout });
    expectEqual(await all(1), chronological(dates, -1), 'dates after a second click');
    const unread = dates.filter((d) => !/^\d{4}-/.test(d));
    return `by Price and by Date, both ways${unread.length ? `, "${unread[0]}" last` : ''}`;
  });

  await check('paging moves on', async () => {
    if (total <= 10) throw new Error(`only ${total} rows: nothing to page through`);
    const before = await visibleColumn(page, 1);
    await page.click('#ae_next a', { timeout: kTimeout });
    expectEqual(await infoText(page), `Showing 11 to ${Math.min(20, total)} of ${total} entries`,
      'info line on page 2');
    const dates = chronological(doc.rows.map((r) => r.date), -1);
    expectEqual(await visibleColumn(page, 1), dates.slice(10, 20), 'rows on page 2');
    if (JSON.stringify(before) === JSON.stringify(dates.slice(10, 20))) throw new Error('same rows');
    await expectStarBars();
    return 'page 2, with its star bars';
  });

  await check(offline ? 'assets loaded from the folder, no console error'
    : 'assets served, no console error', async () => {
    if (offline) {
      const folder = decodeURIComponent(doc.assets);
      const missing = [...kAssetFiles, ...kFontFiles].filter((f) => !localLoads.has(folder + f));
      if (missing.length) throw new Error(`not loaded from ${folder}: ${missing.join(', ')}`);
    } else {
      const served = new Set(assets.log.filter((r) => r.status === 200).map((r) => r.path));
      const missing = kAssetFiles.filter((f) => !served.has(`/ae/${f}`));
      if (missing.length) throw new Error(`not loaded from the asset host: ${missing.join(', ')}`);
      for (const [what, pattern] of [['icon font stylesheet', /\/releases\/v5\.11\.2\/css\/all\.css$/],
        ['web font stylesheet', /\/css\?family=Roboto/]]) {
        if (!routed.some((r) => pattern.test(r.url))) throw new Error(`${what} not requested`);
      }
      const bad = [...assets.log, ...routed].filter((r) => r.status !== 200);
      if (bad.length) throw new Error(`answered ${bad[0].status}: ${bad[0].path || bad[0].url}`);
    }
    if (problems.length) throw new Error(`${problems.length} problems, first: ${problems[0]}`);
    const fonts = await page.evaluate(async () => {
      await document.fonts.ready;
      return [...document.fonts].filter((f) => f.status === 'loaded').map((f) => f.family);
    });
    for (const family of ['Roboto', 'Font Awesome 5 Free']) {
      if (!fonts.some((f) => f.replace(/"/g, '') === family)) {
        throw new Error(`${family} not loaded (${fonts})`);
      }
    }
    return offline ? `${localLoads.size} files from the folder`
      : `${assets.log.length} asset and ${routed.length} routed requests`;
  }, false);

  await context.close();
  return results;
}

// Broken copies of a good document, or of the script of its spreadsheet buttons in the
// folder beside it (put back afterwards); the checks must catch each of them.
const kScript = 'js/order-export.js';
const kMutants = [
  ['star script line removed', (text) => text.replace(/^<script>\$\.fn\.stars=.*\r\n/m, '')],
  ['table id broken', (text) => text.replace("<table id='ae'", "<table id='orders'")],
  ['star width changed', (text) => text.replace('a=16*Math', 'a=15*Math')],
  ['star picture path broken', (text) => text.replace('stars.png)', 'star.png)')],
  // Offline, a head that still needs a host must fail.
  ['assets from a host', (text) => text.replaceAll('AliExpress%20Orders%20files/', 'http://localhost/ae/')],
  ['addresses not encoded',
    (text) => text.replace(/%27/g, "'").replace(/%3C/g, '<').replace(/%3E/g, '>')],
  ['every star bar drawn before the table starts',
    (text) => text.replace('j(function(){j(t).orderTable()})',
      "j(function(){j('span.stars').stars();j(t).orderTable()})")],
  ['spreadsheet buttons left out', null, (js) => js.replace(
    'var options = $.fn.dataTable.Buttons ? buttonOptions(table) : {};', 'var options = {};')],
  ['ratings read after the star bars', null, (js) => js.replace(
    'tr[kRating] = shownText(tr.cells[8]);\n        span.stars();',
    'span.stars();\n        tr[kRating] = shownText(tr.cells[8]);')],
  ['dates sorted as the library guesses', null,
    (js) => js.replace("{ targets: 1, type: 'ae-date' },", '')],
  ['prices sorted as text', null,
    (js) => js.replace("{ targets: 2, type: 'ae-price' },", "{ targets: 2, type: 'html' },")],
  ['order ids written as numbers', null,
    (js) => js.replace('textCell(kept.id),', 'numberCell(kept.id),')],
  ['order id column dropped', null,
    (js) => js.replace("'Order id', ", '').replace('textCell(kept.id),', '')],
  ['formulas not guarded', null,
    (js) => js.replace(`return (startsFormula(text) ? "'" : '') + text;`, 'return text;')],
  ['CSV without byte order mark', null, (js) => js.replace('bom: true', 'bom: false')],
  // The extension's own guesses: every cell of digits a number, 16-digit order ids included.
  ['workbook cells as the extension guesses them', null,
    (js) => js.replace('writeCells(xlsx, lines);', '')],
];


// A large table opened as this version writes it and as the earlier version wrote the same
// orders (rows without lazy pictures, the earlier start line), one after the other.
async function checkOpening(file, report) {
  const rows = readDocument(file).rows.length;
  const earlier = path.join(path.dirname(file), 'earlier.html');
  fs.writeFileSync(earlier, asWrittenEarlier(fs.readFileSync(file, 'latin1')), 'latin1');
  const figures = (r) => `${r.readyMs === null ? 'not ready' : `${(r.readyMs / 1000).toFixed(1)} s`}` +
    `, ${r.requests} requests, ${Math.round(r.peakMiB)} MiB`;
  const info = `Showing 1 to 10 of ${rows.toLocaleString('en-US')} entries`;
  const then = await measureOpen(earlier, { keep: true, timeoutMs: 900000 });
  const thenInfo = then.readyMs === null ? 'nothing' : await infoText(then.page);
  await then.browser.close();
  const now = await measureOpen(file, { keep: true, timeoutMs: 120000 });
  try {
    if (now.readyMs === null) throw new Error('not ready after two minutes');
    const problems = [];
    if (thenInfo !== info) problems.push(`the earlier document shows "${thenInfo}"`);
    if ((await infoText(now.page)) !== info) problems.push(`it shows "${await infoText(now.page)}"`);
    if (then.readyMs !== null && now.readyMs * 3 >= then.readyMs) {
      problems.push('not ready in a third of the time');
    }
    if (now.requests > kMostRequests) problems.push(`${now.requests} requests`);
    // The next page asks for its own pictures.
    const before = now.remote.length;
    await now.page.click('#ae_next a', { timeout: kTimeout });
    await now.page.waitForTimeout(1000);
    const asked = now.remote.length - before;
    if (asked < 1 || asked > 10) problems.push(`page 2 asked for ${asked} pictures`);
    report(!problems.length, `${rows} rows from disk: ready in ${figures(now)}; earlier ` +
      `${figures(then)}${problems.length ? `: ${problems.join('; ')}` : ''}`);
  } catch (e) {
    report(false, `${rows} rows from disk: ${String(e.message || e).split('\n')[0]}`);
  } finally {
    await now.browser.close();
  }
}

async function main() {
  const args = parseArgs(process.argv.slice(2));
  const docs = args.docs.map((d) => ({ ...d, hosts: readDocument(d.file) }));
  let passed = 0, failed = 0;
  const report = (ok, text) => {
    if (ok) passed++;
    else failed++;
    console.log(`${ok ? 'ok  ' : 'FAIL'}  ${text}`);
  };
  if (args.speed) await checkOpening(args.speed, report);

  // Documents that use the folder beside them: every host unreachable, no server at all.
  const offlineDocs = docs.filter((d) => !d.hosts.assetHost);
  if (offlineDocs.length) {
    const browser = await launch('MAP * ~NOTFOUND');
    try {
      for (const d of offlineDocs) {
        for (const r of await checkDocument(browser, args, null, d.label, d.file, d.rows, true)) {
          report(r.ok, `${d.label}: ${r.name}${r.detail ? ` (${r.detail})` : ''}`);
        }
      }
      if (args.mutants) {
        await checkMutants(browser, args, null, offlineDocs[offlineDocs.length - 1], report);
      }
      // The head hides the rows until the table has started: a table that cannot start, its
      // DataTables script missing, shows every row as it is.
      const last = offlineDocs[offlineDocs.length - 1];
      const text = fs.readFileSync(last.file, 'utf8');
      const cut = text.replace(/<script[^>]*datatables\.min\.js'><\/script>/, '');
      const plainFile = path.join(path.dirname(last.file), 'no-datatables.html');
      fs.writeFileSync(plainFile, cut);
      const page = await browser.newPage();
      await page.goto(pathToFileURL(plainFile).href, { waitUntil: 'load', timeout: 20000 });
      const shown = await page.evaluate(() => [...document.querySelectorAll('#ae tbody tr')]
        .filter((tr) => tr.getBoundingClientRect().height > 0).length);
      await page.close();
      report(cut !== text && shown === last.rows,
        `${last.label} without its DataTables script: ${shown} of ${last.rows} rows shown as they are`);
    } finally {
      await browser.close();
    }
  }

  // Documents served by an asset host: that host mapped to the staged folder.
  const hostedDocs = docs.filter((d) => d.hosts.assetHost);
  if (hostedDocs.length) {
    if (!args.site) throw new Error('documents that name an asset host need --site');
    const assetHost = hostedDocs[0].hosts.assetHost;
    const assets = await startAssetServer(args.site);
    // The asset host may carry a port of its own; the rule replaces host and port.
    const browser = await launch(`MAP ${assetHost.replace(/:\d+$/, '')} 127.0.0.1:${assets.port}, ` +
      'MAP * ~NOTFOUND');
    try {
      for (const d of hostedDocs) {
        for (const r of await checkDocument(browser, args, assets, d.label, d.file, d.rows, true)) {
          report(r.ok, `${d.label}: ${r.name}${r.detail ? ` (${r.detail})` : ''}`);
        }
      }
      if (args.mutants && !offlineDocs.length) {
        await checkMutants(browser, args, assets, hostedDocs[hostedDocs.length - 1], report);
      }
    } finally {
      await browser.close();
      assets.server.close();
    }
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exitCode = failed ? 1 : 0;
}

// Broken copies of `base`, written beside it so that its folder of assets is theirs too.
async function checkMutants(browser, args, assets, base, report) {
  const original = fs.readFileSync(base.file, 'latin1');
  const file = path.join(path.dirname(base.file), 'mutant.html');
  const script = path.join(path.dirname(base.file), 'AliExpress Orders files', kScript);
  const goodScript = assets ? null : fs.readFileSync(script, 'utf8');
  try {
    for (const [name, mutate, mutateScript] of kMutants) {
      const text = mutate ? mutate(original) : original;
      if (mutateScript) {
        if (assets) continue;  // the asset host serves the good script only
        const broken = mutateScript(goodScript);
        if (broken === goodScript) {
          report(false, `mutant "${name}": the script has nothing to break`);
          continue;
        }
        fs.writeFileSync(script, broken);
      } else if (text === original) {
        if (name === 'assets from a host' && assets) continue;  // already served by a host
        report(false, `mutant "${name}": the document has nothing to break`);
        continue;
      }
      fs.writeFileSync(file, text, 'latin1');
      const results = await checkDocument(browser, args, assets, name, file, base.rows, false);
      if (mutateScript) fs.writeFileSync(script, goodScript);
      const caught = results.filter((r) => !r.ok && !r.detail.startsWith('not run'));
      report(caught.length > 0, caught.length
        ? `mutant "${name}" caught by: ${caught.map((r) => r.name).join(', ')} ` +
          `(${caught[0].name}: ${caught[0].detail})`
        : `mutant "${name}" passed every check`);
    }
  } finally {
    fs.rmSync(file, { force: true });
    if (goodScript !== null) fs.writeFileSync(script, goodScript);
  }
}

main().catch((e) => {
  console.error(e.stack || String(e));
  console.log('0 passed, 1 failed');
  process.exitCode = 1;
});
