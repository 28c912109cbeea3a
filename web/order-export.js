// The page's own script. It starts the table ($('#ae').orderTable(), called by the table's
// start line) and fills the spreadsheet buttons above it: Copy, CSV and Excel of the orders
// that the search shows, from every page, in the table's order. Loaded after DataTables and
// its Buttons extension. Tables written before orderTable() existed start themselves and call
// $('#ae').orderExport() before anything changes the rows, handing what it returns to
// DataTable(): that call keeps working as it did.
//
// The columns are those of `ordertable-cli export` but the amount and the currency, which
// only the command reads out of the price. Their cells follow the command's rules, so that
// a file saved here opens in a spreadsheet as the command's does: the order id (which the
// table keeps only in the key comment before each row) and every other text stays text, a
// date is a date, a rating a number, and no cell can start a formula.
(function ($) {
  'use strict';

  var kColumns = ['Order id', 'Date', 'Price', 'Status', 'Product titles', 'Product links',
    'Options', 'Store', 'Store link', 'Picture link', 'Rating'];
  var kNote = 'Copy, CSV and Excel take the rows that the search shows, from all pages, ' +
    'in the order of the table.';
  var kFileName = 'AliExpress Orders export';
  // The rows the search shows, all pages, sorted as on screen.
  var kRows = { search: 'applied', order: 'applied' };
  // What a row's key comment and rating said before the star bars replaced the rating.
  var kKept = 'orderExport';
  // The same, kept on the row itself by orderTable(): the id before DataTables takes the row
  // out of the document (and away from its comment), the rating before its bar is drawn.
  var kId = 'aeOrderId';
  var kRating = 'aeRating';
  // Excel refuses text constants longer than this (in bytes) in a formula.
  var kLongestFormulaText = 255;
  // Cell styles of the workbook that the Buttons extension writes: wrapped text, and the
  // short date of the reader's locale.
  var kWrapStyle = '55';
  var kDateStyle = '67';

  // ---------------------------------------------------------------------------------------
  // Cells as the command reads them

  // `text` fit for a cell: CR LF as LF, tabs as spaces, no other control character, trimmed.
  function plainText(text) {
    return String(text).replace(/\r\n?/g, '\n').replace(/\t/g, ' ')
      .replace(/[\x00-\x09\x0b-\x1f\ufffe\uffff]/g, '').replace(/^[ \n]+|[ \n]+$/g, '');
  }

  // The text a browser shows of `node` as one cell: <br> and the end of a paragraph,
  // division or list item as a line break, runs of blanks as one space.
  function shownText(node) {
    var out = '';
    var blank = false;
    var lineBreak = function () {
      if (out && out.slice(-1) !== '\n') {
        out += '\n';
        blank = false;
      }
    };
    var add = function (run) {
      if (/^[ \t\r\n\f]/.test(run)) {
        blank = true;
        return;
      }
      if (blank && out && out.slice(-1) !== '\n') out += ' ';
      blank = false;
      out += run;
    };
    (function walk(parent) {
      for (var child = parent.firstChild; child; child = child.nextSibling) {
        if (child.nodeType === 3) {
          child.data.replace(/[ \t\r\n\f]+|[^ \t\r\n\f]+/g, add);
        } else if (child.nodeType === 1) {
          var name = child.nodeName.toLowerCase();
          if (name !== 'br') walk(child);
          if (/^(br|p|div|li)$/.test(name)) lineBreak();
        }
      }
    })(node);
    return plainText(out);
  }

  // The order id: the key comment before the row, blanks aside; empty when there is none.
  function keyComment(tr) {
    for (var node = tr.previousSibling; node; node = node.previousSibling) {
      if (node.nodeType === 8) return plainText(node.data);
      if (node.nodeType !== 3 || /[^ \t\r\n\f]/.test(node.data)) break;
    }
    return '';
  }

  function textCell(text) {
    return { kind: 'text', text: text, number: 0 };
  }

  function pad(number, digits) {
    return ('000' + number).slice(-digits);
  }

  // A year-month-day date ("2019-3-5", also with "/" or "."), as the spreadsheet's day
  // number since 1899-12-30; a text cell unless it names a real day from 1900-03-01 on.
  function dateCell(text) {
    var m = /^[ \t\u00a0]*(\d{4})([-\/.])(\d{1,2})\2(\d{1,2})[ \t\u00a0]*$/.exec(text);
    if (!m) return textCell(text);
    var year = Number(m[1]), month = Number(m[3]), day = Number(m[4]);
    var time = Date.UTC(year, month - 1, day);
    var date = new Date(time);
    if (date.getUTCFullYear() !== year || date.getUTCMonth() !== month - 1 ||
        date.getUTCDate() !== day || time < Date.UTC(1900, 2, 1)) {
      return textCell(text);
    }
    return {
      kind: 'date',
      text: year + '-' + pad(month, 2) + '-' + pad(day, 2),
      number: time / 86400000 + 25569,
    };
  }

  // A number written with a point or a comma ("4.84", ".66", "4,5"), else a text cell.
  function numberCell(text) {
    var plain = text.replace(/^[ \t\u00a0]+|[ \t\u00a0]+$/g, '');
    if (!/^\d*[.,]?\d*$/.test(plain) || !/\d/.test(plain)) return textCell(text);
    var number = parseFloat('0' + plain.replace(',', '.'));
    return { kind: 'number', text: String(number), number: number };
  }

  // Every link of a cell: its address as written and its text.
  function links(cell) {
    return $(cell).find('a').map(function () {
      return { address: plainText(this.getAttribute('href') || ''), text: shownText(this) };
    }).get();
  }

  // The full-size picture the thumbnail links to, else the thumbnail.
  function pictureLink(cell) {
    var link = plainText($(cell).find('a[href]').attr('href') || '');
    return link || plainText($(cell).find('img[src]').attr('src') || '');
  }

  // One line of the sheet for a row: # date price status image description options store
  // rating become the columns of kColumns.
  function sheetLine(tr) {
    var cell = function (i) {
      return tr.cells[i] || document.createElement('td');
    };
    var kept = $.data(tr, kKept) || {
      id: tr[kId] || '',
      rating: tr[kRating] !== undefined ? tr[kRating] : shownText(cell(8)),
    };
    var products = links(cell(5));
    var store = links(cell(7));
    return [
      textCell(kept.id),
      dateCell(shownText(cell(1))),
      textCell(shownText(cell(2))),
      textCell(shownText(cell(3))),
      textCell(products.length ? products.map(function (l) { return l.text; }).join('\n')
        : shownText(cell(5))),
      textCell(products.map(function (l) { return l.address; }).join('\n')),
      textCell(shownText(cell(6))),
      textCell(store.length ? store[0].text : shownText(cell(7))),
      textCell(store.length ? store[0].address : ''),
      textCell(pictureLink(cell(4))),
      numberCell(kept.rating),
    ];
  }

  // ---------------------------------------------------------------------------------------
  // Text files: CSV and the clipboard

  function utf8Length(text) {
    return new TextEncoder().encode(text).length;
  }

  // Text that a spreadsheet would read as a number, a date, a time, a percentage, an amount
  // of money or a truth value instead of keeping it: "8012000000000010", "1/4", "(12)".
  function readsAsValue(text) {
    return /^(TRUE|FALSE|true|false)$/.test(text) ||
      (/^[0-9 .,:\/'()+\-%eE$\u20ac\u00a3\u00a5\u00a0]*$/.test(text) && /[0-9]/.test(text));
  }

  // Text that a spreadsheet would run as a formula: =, +, - or @ first (also full-width),
  // or a tab or line break before them.
  function startsFormula(text) {
    return /^[=+\-@\t\r\n\uff1d\uff0b\uff0d\uff20]/.test(text);
  }

  // A cell as a field of a text file, before quoting: a text that a spreadsheet would take
  // for a value (and every order id) as ="text", which gives back the text itself; any other
  // text that would start a formula behind an apostrophe.
  function textField(cell, keepsText) {
    var text = cell.text;
    if (cell.kind !== 'text') return text;
    if ((keepsText || readsAsValue(text)) && text && utf8Length(text) <= kLongestFormulaText) {
      return '="' + text.replace(/"/g, '""') + '"';
    }
    return (startsFormula(text) ? "'" : '') + text;
  }

  // The clipboard's fields are separated by tabs, and quoted only where they must be.
  function tabField(field) {
    return /[\t\r\n"]/.test(field) ? '"' + field.replace(/"/g, '""') + '"' : field;
  }

  // ---------------------------------------------------------------------------------------
  // The workbook

  // 0 for "A1", 26 for "AA7".
  function columnOf(reference) {
    var letters = /^[A-Z]+/.exec(reference)[0];
    var column = 0;
    for (var i = 0; i < letters.length; i++) column = column * 26 + letters.charCodeAt(i) - 64;
    return column - 1;
  }

  // The extension guesses numbers, money and dates from the look of a text, which would
  // turn order ids into numbers that lose their last digits: every cell of the lines is
  // written again with the kind this sheet gives it.
  function writeCells(xlsx, lines) {
    var sheet = xlsx.xl.worksheets['sheet1.xml'];
    // Made as the extension makes its elements, which it serialises without a namespace of
    // their own: they take the sheet's.
    var element = function (name) {
      return sheet.createElement(name);
    };
    $('sheetData row', sheet).each(function () {
      var line = lines[Number(this.getAttribute('r')) - 2];  // row 1 holds the titles
      if (!line) return;
      $('c', this).each(function () {
        var cell = line[columnOf(this.getAttribute('r'))];
        $(this).empty().removeAttr('s').removeAttr('t');
        if (cell.kind === 'text') {
          var text = element('t');
          text.setAttribute('xml:space', 'preserve');
          text.appendChild(sheet.createTextNode(cell.text));
          var inline = element('is');
          inline.appendChild(text);
          this.setAttribute('t', 'inlineStr');
          if (cell.text.indexOf('\n') >= 0) this.setAttribute('s', kWrapStyle);
          this.appendChild(inline);
        } else {
          var value = element('v');
          value.appendChild(sheet.createTextNode(String(cell.number)));
          if (cell.kind === 'date') this.setAttribute('s', kDateStyle);
          this.appendChild(value);
        }
      });
    });
  }

  // ---------------------------------------------------------------------------------------
  // The buttons

  // Reads what the export needs of the rows before the page changes them, and returns the
  // options that give DataTable() the buttons; none when the extension is not loaded, so
  // that the table still works without it.
  $.fn.orderExport = function () {
    var table = this[0];
    if (!table || !$.fn.dataTable || !$.fn.dataTable.Buttons) return {};
    $(table).children('tbody').children('tr').each(function () {
      var rating = this.cells[8];
      $.data(this, kKept, { id: keyComment(this), rating: rating ? shownText(rating) : '' });
    });
    return buttonOptions(table);
  };

  // The options that give DataTable() the buttons, once each row's id and rating are kept.
  function buttonOptions(table) {
    // The extension stores the files inside the workbook uncompressed: ten times the size.
    if (window.JSZip && window.JSZip.defaults) window.JSZip.defaults.compression = 'DEFLATE';
    var sheetLines = function () {
      return $(table).DataTable().rows(kRows).nodes().toArray().map(sheetLine);
    };
    var lines = [];
    // The extension's own gathering of the cells takes a minute for 20,000 rows (it looks
    // each one up by its row's index): it is given no row, and the lines come from the
    // rows themselves.
    var exportOptions = function (fields) {
      return {
        rows: function () {
          return false;
        },
        modifier: kRows,
        customizeData: function (data) {
          lines = sheetLines();
          data.header = fields ? kColumns.map(fields) : kColumns.slice();
          data.footer = null;
          data.body = lines.map(function (line) {
            return line.map(function (cell, i) {
              return fields ? fields(textField(cell, i === 0)) : cell.text;
            });
          });
        },
      };
    };
    var same = function (field) {
      return field;
    };
    var common = {
      className: 'btn-sm',
      title: null,
      messageTop: null,
      messageBottom: null,
      filename: kFileName,
    };

    return {
      dom: "<'row'<'col-sm-12 col-md-6'l><'col-sm-12 col-md-6'f>>" +
        "<'row'<'col-sm-12 ae-export'B>>" +
        "<'row'<'col-sm-12'tr>>" +
        "<'row'<'col-sm-12 col-md-5'i><'col-sm-12 col-md-7'p>>",
      buttons: [
        $.extend({}, common, {
          extend: 'copyHtml5',
          titleAttr: 'Copy to the clipboard, for a spreadsheet',
          exportOptions: exportOptions(tabField),
        }),
        $.extend({}, common, {
          extend: 'csvHtml5',
          titleAttr: 'Save as a CSV file (UTF-8)',
          bom: true,
          charset: 'utf-8',
          newline: '\r\n',
          exportOptions: exportOptions(same),
        }),
        $.extend({}, common, {
          extend: 'excelHtml5',
          titleAttr: 'Save as an Excel workbook',
          sheetName: 'Orders',
          autoFilter: true,
          exportOptions: exportOptions(null),
          customize: function (xlsx) {
            writeCells(xlsx, lines);
          },
        }),
      ],
      initComplete: function () {
        $('div.ae-export', this.api().table().container())
          .append($('<small class="ae-export-note text-muted ml-3"></small>').text(kNote));
      },
    };
  }


  // ---------------------------------------------------------------------------------------
  // Sorting: dates and prices as what they say, whatever else the column holds

  // The text of a cell's markup as DataTables holds it: tags out, blanks as one space.
  function cellText(html) {
    return String(html).replace(/<[^>]*>/g, '').replace(/&nbsp;|&#160;|\u00a0/g, ' ')
      .replace(/&amp;/g, '&').replace(/\s+/g, ' ').trim();
  }

  // "2026-07-3" (the table writes days and months without a leading zero, and a date it
  // could not read as it came) as 20260703; null when the text is no year-month-day date.
  function dateKey(html) {
    var m = /^(\d{4})[-\/.](\d{1,2})[-\/.](\d{1,2})$/.exec(cellText(html));
    return m ? Number(m[1]) * 10000 + Number(m[2]) * 100 + Number(m[3]) : null;
  }

  // "R$31,93", "US $18.04", "€4.76", "1.234,56 руб." as [currency, amount]; null when the
  // cell holds no single amount ("3 x €9.87 + US $1.00"). The last point or comma followed
  // by one or two digits is the decimal sign; every other one groups thousands.
  function priceKey(html) {
    var m = /^([^\d]*?)\s?(\d(?:[\d., '\u2009\u202f]*\d)?)\s?([^\d]*)$/.exec(cellText(html));
    if (!m) return null;
    var digits = m[2].replace(/[ '\u2009\u202f]/g, '');
    var decimal = /[.,](\d{1,2})$/.exec(digits);
    var whole = decimal ? digits.slice(0, decimal.index) : digits;
    if (/[.,]\d{0,2}$|[.,]\d{4}/.test(whole) || /[.,][.,]/.test(whole)) return null;
    var amount = Number(whole.replace(/[.,]/g, '') + (decimal ? '.' + decimal[1] : ''));
    return [(m[1] + ' ' + m[3]).replace(/\s+/g, ' ').trim(), amount];
  }

  // A comparison of keys in which a cell without one comes last in both directions.
  function unreadableLast(keyOf, compare) {
    var keys = {};
    var key = function (html) {
      return Object.prototype.hasOwnProperty.call(keys, html) ? keys[html]
        : (keys[html] = keyOf(html));
    };
    return function (direction) {
      return function (a, b) {
        var x = key(a), y = key(b);
        if (x === null || y === null) return (x === null) - (y === null);
        return direction * compare(x, y);
      };
    };
  }

  function registerSortTypes(ext) {
    var date = unreadableLast(dateKey, function (x, y) {
      return x - y;
    });
    var price = unreadableLast(priceKey, function (x, y) {
      return x[0] < y[0] ? -1 : x[0] > y[0] ? 1 : x[1] - y[1];
    });
    ext.type.order['ae-date-asc'] = date(1);
    ext.type.order['ae-date-desc'] = date(-1);
    ext.type.order['ae-price-asc'] = price(1);
    ext.type.order['ae-price-desc'] = price(-1);
    // A rating as its number ("4,5" written by hand too), one that is none below 0.
    ext.type.order['ae-rating-pre'] = function (html) {
      var rating = parseFloat(cellText(html).replace(',', '.'));
      return isNaN(rating) ? -1 : rating;
    };
    ext.type.search['ae-rating'] = cellText;
  }

  // ---------------------------------------------------------------------------------------
  // The table's start

  // Each row's order id from the key comment before it, in one pass over the body.
  function keepOrderIds(tbody) {
    var id = '';
    for (var node = tbody.firstChild; node; node = node.nextSibling) {
      if (node.nodeType === 8) id = plainText(node.data);
      else if (node.nodeType === 1) {
        node[kId] = id;
        id = '';
      } else if (/[^ \t\r\n\f]/.test(node.data)) id = '';
    }
  }

  // Makes the table a DataTables table that does at its start only the work for what it
  // shows: the column types are given (no cell is read to guess them), the columns take the
  // widths of the rows shown (no copy of every row is measured), and the star bars and
  // pictures are drawn for the rows of the page shown, at each draw. Dates sort as dates
  // and prices by amount, a cell that is neither coming last.
  $.fn.orderTable = function () {
    var $table = this;
    var table = this[0];
    if (!table) return this;
    // The head hides the rows until the table has started: if it cannot start (its script
    // missing, a row it cannot take), they are shown as they are rather than not at all.
    if (!$.fn.dataTable) return $table.addClass('ae-plain');
    try {
      startTable($table, table);
    } catch (error) {
      $table.addClass('ae-plain');
      throw error;
    }
    return this;
  };

  function startTable($table, table) {
    registerSortTypes($.fn.dataTable.ext);
    keepOrderIds(table.tBodies[0] || table);
    var options = $.fn.dataTable.Buttons ? buttonOptions(table) : {};
    options.autoWidth = false;
    options.columnDefs = [
      { targets: 0, type: 'num' },
      { targets: 1, type: 'ae-date' },
      { targets: 2, type: 'ae-price' },
      { targets: [3, 4, 5, 6, 7], type: 'html' },
      { targets: 8, type: 'ae-rating' },
    ];
    // Each row shown keeps its rating before the bar replaces it, for the spreadsheet.
    options.rowCallback = function (tr) {
      var span = $(tr.cells[8]).children('span.stars');
      if (span.length && !span.children().length) {
        tr[kRating] = shownText(tr.cells[8]);
        span.stars();
      }
    };
    $table.DataTable(options);
    $('.dataTables_length').addClass('bs-select');
  }
})(jQuery);
