// The bookmark that reads the whole order list in the shopper's own browser.
//
// The build minifies this file (web/build-bookmark.mjs) into a `javascript:` address that the
// shopper drags to the bookmarks bar from "Get AliExpress orders.html". Clicked on "My Orders",
// it asks the page's own API client (window.lib.mtop.request) for the first page of the list
// and then for every next one, and offers the replies as a HAR that OrderTable reads as it
// reads a HAR of the browser's developer tools: copied to the clipboard, or saved as a file.
//
// All of it runs inside the address: the page's Content-Security-Policy would block a script
// fetched from elsewhere. It never reads a cookie or a token and talks to no host itself; the
// page's client signs each request and sends it. The overlay is drawn in a shadow root with a
// stylesheet built in script (neither is subject to the page's style policy), so nothing of
// the page changes.
(function () {
  'use strict';

  var API = 'mtop.aliexpress.trade.buyer.order.list';
  // Each entry's address: the API's without its query, which holds the token and the sign.
  var API_ADDRESS = 'https://acs.aliexpress.com/h5/' + API + '/1.0/';
  var ORDERS_PAGE = 'https://www.aliexpress.com/p/order/index.html';
  var TIME_LIMIT_MS = 30000;

  // A click while a run is in progress does nothing; after the end, a click starts anew.
  var previous = window.__orderTableBookmark;
  if (previous && previous.running) return;
  if (previous && previous.host) previous.host.remove();
  var run = { running: true, stop: false, host: null };
  window.__orderTableBookmark = run;

  // A test may shorten every pause, the retry's included; read once, at the start.
  var paceMs = typeof window.orderTablePaceMs === 'number' ? window.orderTablePaceMs : null;

  // ---------------------------------------------------------------------------------------
  // The overlay

  var CSS =
    ':host{all:initial}' +
    '.box{position:fixed;top:16px;right:16px;width:400px;box-sizing:border-box;padding:16px 18px;' +
    'background:#fff;color:#222;border:1px solid #bbb;border-radius:8px;' +
    'box-shadow:0 6px 24px rgba(0,0,0,.25);font:14px/1.45 system-ui,-apple-system,"Segoe UI",' +
    'Roboto,Arial,sans-serif;text-align:left}' +
    'h1{margin:0 0 8px;font-size:16px;font-weight:600}' +
    'p{margin:0 0 10px}' +
    '.note{color:#a15c00}.bad{color:#b00020}' +
    'button{font:inherit;margin:0 8px 0 0;padding:6px 12px;border-radius:5px;cursor:pointer;' +
    'border:1px solid #888;background:#f4f4f4;color:#222}' +
    'button.main{background:#e62e04;border-color:#e62e04;color:#fff}' +
    'a{color:#0645ad}';

  var host = document.createElement('div');
  run.host = host;
  host.id = 'ordertable-overlay';
  // Fixed to the viewport above everything: in the top layer where the browser has one,
  // else at the greatest z-index.
  host.style.cssText =
    'all:initial;position:fixed;top:0;right:0;left:auto;bottom:auto;width:auto;height:auto;' +
    'margin:0;padding:0;border:0;background:transparent;overflow:visible;z-index:2147483647';
  var root = host.attachShadow({ mode: 'open' });
  if ('adoptedStyleSheets' in root) {
    var sheet = new CSSStyleSheet();
    sheet.replaceSync(CSS);
    root.adoptedStyleSheets = [sheet];
  } else {
    var style = document.createElement('style');
    style.textContent = CSS;
    root.appendChild(style);
  }
  var box = element('div', 'box');
  root.appendChild(box);
  document.documentElement.appendChild(host);
  if (host.showPopover) {
    host.popover = 'manual';
    host.showPopover();
  }

  function element(tag, className, text) {
    var made = document.createElement(tag);
    if (className) made.className = className;
    if (text) made.textContent = text;
    return made;
  }

  // Replaces the overlay's content: a title, then paragraphs (strings or elements).
  function show(parts) {
    box.textContent = '';
    box.appendChild(element('h1', '', 'OrderTable'));
    parts.forEach(function (part) {
      box.appendChild(typeof part === 'string' ? element('p', '', part) : part);
    });
  }

  function button(text, className, onClick) {
    var made = element('button', className, text);
    made.type = 'button';
    made.addEventListener('click', onClick);
    return made;
  }

  function closeButton() {
    return button('Close', '', function () {
      host.remove();
    });
  }

  // ---------------------------------------------------------------------------------------
  // Where it runs

  var here = location.hostname.toLowerCase();
  var onMarketplace = /(^|\.)aliexpress\.com$/.test(here) || here === 'aliexpress.us';
  if (!onMarketplace || location.pathname.indexOf('/p/order/') !== 0) {
    var link = element('a', '', 'My Orders');
    link.href = ORDERS_PAGE;
    var words = element('p');
    words.append('This is not the AliExpress "My Orders" page. Open ', link,
      ', log in if asked, then click the bookmark there.');
    show([words, closeButton()]);
    run.running = false;
    return;
  }
  var lib = window.lib;
  if (!lib || !lib.mtop || typeof lib.mtop.request !== 'function') {
    show([
      element('p', 'bad', 'This page has no order-list client that the bookmark can use ' +
        '(AliExpress may have changed the page).'),
      'Use the developer-tools route instead: the steps are under "Without the bookmark" in ' +
        '"Get AliExpress orders.html", beside your table.',
      closeButton()]);
    run.running = false;
    return;
  }

  // ---------------------------------------------------------------------------------------
  // Asking for the list

  var entries = [];
  var orderIds = {};
  var orderCount = 0;
  var pageCount = 0;
  var started = Date.now();
  var wakePause = null;

  // Waits like a person would between two requests (1.5 to 3 s), or before a retry (5 to 8 s);
  // Stop ends the wait at once.
  function pause(retry) {
    var ms = paceMs !== null ? paceMs : retry ? 5000 + Math.random() * 3000
      : 1500 + Math.random() * 1500;
    return new Promise(function (resolve) {
      var timer = setTimeout(resolve, ms);
      wakePause = function () {
        clearTimeout(timer);
        resolve();
      };
    });
  }

  // "GMT+0100" for a zone one hour east of Greenwich.
  function timeZone() {
    var offset = -new Date().getTimezoneOffset();
    var hours = Math.floor(Math.abs(offset) / 60);
    var minutes = Math.abs(offset) % 60;
    return 'GMT' + (offset < 0 ? '-' : '+') + (hours < 10 ? '0' : '') + hours +
      (minutes < 10 ? '0' : '') + minutes;
  }

  function componentKey(reply, tag) {
    var components = reply.data.data || {};
    for (var key in components) {
      if (components[key] && components[key].tag === tag) return key;
    }
    return null;
  }

  // The request for the first page, or for the page after `last`, a good reply: the next
  // one carries the previous reply's state (without its linkage the answer is empty).
  function requestFor(last) {
    if (!last) {
      return {
        api: API, v: '1.0', type: 'GET', needLogin: true, dataType: 'originaljsonp',
        // No shipToCountry and no _lang: they come from a cookie, which the bookmark does
        // not read; the page's client and the server fill them in.
        data: { statusTab: null, renderType: 'init', clientPlatform: 'pc', timeZone: timeZone() }
      };
    }
    var d = last.data;
    var bodyKey = componentKey(last, 'pc_om_list_body');
    var actionKey = componentKey(last, 'pc_om_list_header_action');
    var body = JSON.parse(JSON.stringify(d.data[bodyKey]));
    body.fields = body.fields || {};
    body.fields.pageIndex = (body.fields.pageIndex || 1) + 1;
    body.fields.pageSize = 10;
    var state = {};
    state[bodyKey] = body;
    if (actionKey) state[actionKey] = d.data[actionKey];
    return {
      api: API, v: '1.0', type: 'POST', post: '1', isSec: '1', needLogin: true,
      dataType: 'originaljson',
      data: {
        params: JSON.stringify({
          data: JSON.stringify(state),
          linkage: JSON.stringify(d.linkage),
          hierarchy: JSON.stringify(d.hierarchy),
          endpoint: JSON.stringify(d.endpoint),
          operator: bodyKey
        })
      }
    };
  }

  // One request. Resolves {reply} when the marketplace answered (its `ret` read whether the
  // client's promise resolved or rejected: it may do either on a refusal), or {failed} on a
  // network failure or when no answer came in time.
  function ask(request) {
    return new Promise(function (resolve) {
      var timer = setTimeout(function () {
        resolve({ failed: 'no answer within ' + TIME_LIMIT_MS / 1000 + ' s' });
      }, TIME_LIMIT_MS);
      function settle(value) {
        clearTimeout(timer);
        var answered = value && Array.isArray(value.ret);
        var code = answered ? String(value.ret[0] || '') : '';
        if (answered && !/NETWORK|TIMEOUT|ABORT/i.test(code)) resolve({ reply: value });
        else resolve({ failed: code || String(value && value.message || value) });
      }
      try {
        lib.mtop.request(request).then(settle, settle);
      } catch (error) {
        settle(error);
      }
    });
  }

  function record(request, reply, startedAt) {
    if (!reply.api) reply = Object.assign({ api: API }, reply);
    var text = JSON.stringify(reply);
    entries.push({
      startedDateTime: new Date(startedAt).toISOString(),
      time: Date.now() - startedAt,
      request: {
        method: request.type, url: API_ADDRESS, httpVersion: 'HTTP/1.1', cookies: [],
        headers: [], queryString: [], headersSize: -1, bodySize: -1
      },
      response: {
        status: 200, statusText: 'OK', httpVersion: 'HTTP/1.1', cookies: [], headers: [],
        content: { size: text.length, mimeType: 'application/json', text: text },
        redirectURL: '', headersSize: -1, bodySize: -1
      },
      cache: {},
      timings: { send: 0, wait: Date.now() - startedAt, receive: 0 }
    });
  }

  function showProgress() {
    var seconds = Math.round((Date.now() - started) / 1000);
    var stop = button('Stop', '', function () {
      run.stop = true;
      stop.disabled = true;
      stop.textContent = 'Stopping...';
      if (wakePause) wakePause();
    });
    show(['Page ' + pageCount + ' \u00b7 ' + orderCount + ' orders \u00b7 ' + seconds +
      ' s so far', 'Reading your order list like a person paging through it. Keep this tab ' +
      'open.', stop]);
  }

  // How a good reply moves the run on: 'end' (the list's last page), 'same' (nothing new:
  // no new order, or a page number seen before) or 'more'.
  function take(reply, lastIndex) {
    var d = reply.data || {};
    var bodyKey = d.data ? componentKey(reply, 'pc_om_list_body') : null;
    if (!bodyKey) return { step: 'same' };
    var fields = d.data[bodyKey].fields || {};
    var keys = (d.hierarchy && d.hierarchy.structure && d.hierarchy.structure[bodyKey]) || [];
    var added = 0;
    keys.forEach(function (key) {
      var order = d.data[key];
      if (!order || order.tag !== 'pc_om_list_order' || !order.fields) return;
      var id = String(order.fields.orderId);
      if (!orderIds[id]) {
        orderIds[id] = true;
        added++;
      }
    });
    orderCount += added;
    var index = fields.pageIndex || lastIndex + 1;
    if (fields.hasMore !== true) return { step: 'end' };
    if (added === 0 || index <= lastIndex) return { step: 'same', index: index };
    return { step: 'more', index: index };
  }

  async function readList() {
    var last = null;
    var lastIndex = 0;
    var tokenRetried = false;
    for (;;) {
      var request = requestFor(last);
      var startedAt = Date.now();
      var answer = await ask(request);
      if (answer.failed) {
        // A network failure or time-out: once more after a longer pause.
        if (run.stop) return { end: 'stopped' };
        await pause(true);
        if (run.stop) return { end: 'stopped' };
        startedAt = Date.now();
        answer = await ask(request);
        if (answer.failed) return { end: 'network', detail: answer.failed };
      }
      var reply = answer.reply;
      record(request, reply, startedAt);
      var code = String(reply.ret[0] || '');
      if (code.indexOf('FAIL_SYS_USER_VALIDATE') === 0) return { end: 'robot' };
      if (/^FAIL_SYS_TOKEN_/.test(code) && !tokenRetried) {
        // The client renews an expired token on such a refusal: the same page once more.
        tokenRetried = true;
      } else if (/^FAIL_SYS_(TOKEN_|SESSION|LOGIN)/.test(code)) {
        return { end: 'login' };
      } else if (code.indexOf('SUCCESS') !== 0) {
        return { end: 'refused', detail: code.split('::')[0] };
      } else {
        tokenRetried = false;
        pageCount++;
        var taken = take(reply, lastIndex);
        if (taken.step === 'end') return { end: 'done' };
        if (taken.step === 'same') return { end: 'same' };
        last = reply;
        lastIndex = taken.index;
      }
      showProgress();
      if (run.stop) return { end: 'stopped' };
      await pause(false);
      if (run.stop) return { end: 'stopped' };
    }
  }

  // ---------------------------------------------------------------------------------------
  // The result

  function harText() {
    var page = location.origin + location.pathname;
    return JSON.stringify({
      log: {
        version: '1.2',
        creator: { name: 'OrderTable bookmark', version: '1.0' },
        pages: [{
          startedDateTime: new Date(started).toISOString(), id: 'page_1', title: page,
          pageTimings: {}
        }],
        entries: entries.map(function (entry) {
          return Object.assign({ pageref: 'page_1' }, entry);
        })
      }
    });
  }

  function localDate() {
    var now = new Date();
    var two = function (n) { return (n < 10 ? '0' : '') + n; };
    return now.getFullYear() + '-' + two(now.getMonth() + 1) + '-' + two(now.getDate());
  }

  function copy(text, said) {
    function done() {
      said.textContent = 'Copied. Switch to OrderTable: it takes the orders from the clipboard.';
    }
    function fallback() {
      var area = element('textarea');
      area.value = text;
      root.appendChild(area);
      area.select();
      var copied = document.execCommand('copy');
      area.remove();
      if (copied) done();
      else said.textContent = 'The browser did not let the bookmark copy: use Save as file.';
    }
    if (navigator.clipboard && navigator.clipboard.writeText) {
      navigator.clipboard.writeText(text).then(done, fallback);
    } else {
      fallback();
    }
  }

  function save(text, said) {
    var address = URL.createObjectURL(new Blob([text], { type: 'application/json' }));
    var link = element('a');
    link.href = address;
    link.download = 'AliExpress orders ' + localDate() + '.har';
    root.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(address); }, 60000);
    said.textContent = 'Saved as "' + link.download + '" in your downloads. Give it to ' +
      'OrderTable, then delete it.';
  }

  var ENDS = {
    done: '',
    stopped: 'You stopped the bookmark.',
    same: 'AliExpress sent a page with no new order, so the bookmark stopped there.',
    login: 'AliExpress says you are not logged in, or your session expired. Log in, reload ' +
      '"My Orders", then click the bookmark again.',
    robot: 'AliExpress wants to check that you are not a robot. Solve the check on the page, ' +
      'then click the bookmark again.',
    network: 'The network failed twice in a row, so the bookmark stopped. Check the ' +
      'connection, reload "My Orders", then click the bookmark again.',
    refused: 'AliExpress refused to send the next page',
    error: 'The bookmark met a reply it cannot read'
  };

  function finish(outcome) {
    run.running = false;
    var parts = [];
    var whole = outcome.end === 'done';
    var words = ENDS[outcome.end];
    if (outcome.detail && outcome.end !== 'network') words += ' (' + outcome.detail + ').';
    if (words) parts.push(element('p', whole || outcome.end === 'stopped' ? '' : 'bad', words));
    if (orderCount === 0) {
      if (whole) parts.push('Your order list is empty: there is nothing to copy.');
      else parts.push('No order was read, so there is nothing to copy.');
      parts.push(closeButton());
      show(parts);
      return;
    }
    var pages = pageCount + (pageCount === 1 ? ' page' : ' pages');
    if (whole) {
      parts.push('All ' + orderCount + ' orders read (' + pages + '). Hand them to ' +
        'OrderTable: copy them, or save them as a file.');
    } else {
      parts.push(element('p', 'note', orderCount + ' orders read (' + pages + '). This is ' +
        'not the whole list: good for an update of your table, not for a new table.'));
    }
    var text = harText();
    var said = element('p');
    var actions = element('p');
    actions.append(
      button('Copy for OrderTable', 'main', function () { copy(text, said); }),
      button('Save as file', '', function () { save(text, said); }),
      closeButton());
    parts.push(actions, said);
    show(parts);
  }

  show(['Asking for page 1 of your orders...']);
  readList().then(finish, function (error) {
    finish({ end: 'error', detail: String(error && error.message || error) });
  });
})();
