#!/usr/bin/env python3
"""End-to-end check of `ordertable-cli export` on tables the tool itself wrote.

    export_end_to_end.py ORDERTABLE_CLI SAMPLE_PAGES

A new table from generated pages whose first titles and store start with "=", "+", "-" and
"@"; then an update that adds orders above them; then a hand edit of that table (ratings
changed, one row's status cell deleted, LF line ends). Each is exported as CSV and as XLSX.
The expected lines come from reading the table with Python's own HTML parser, apart from the
program's reader. The workbook is opened with zipfile and ElementTree only: every order id
must be a string, every date a date, and the CSV must give the same cells, with no field
that a spreadsheet would run as a formula.
"""

import csv
import datetime
import html.parser
import os
import re
import subprocess
import sys
import tempfile
import zipfile
import xml.etree.ElementTree as ET

CLI, SAMPLE_PAGES = (os.path.abspath(path) for path in sys.argv[1:3])
MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
COLUMNS = ["Order id", "Date", "Price", "Amount", "Currency", "Status", "Product titles",
           "Product links", "Options", "Store", "Store link", "Picture link", "Rating"]
HOSTILE_TITLES = ['=HYPERLINK("http://attacker.example/","Click")', "+1+cmd|' /C calc'!A0",
                  "-2+3", "@SUM(1,1)"]
HOSTILE_STORE = "=1+2"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def blanks_collapsed(text):
    return re.sub(r"[ \t\r\n\f]+", " ", text).strip()


class TableParser(html.parser.HTMLParser):
    """The rows of the table body: key comment, then each cell's text, links and pictures."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.key, self.cell, self.link, self.in_body = [], None, None, None, False

    def handle_comment(self, data):
        self.key = data

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "tbody":
            self.in_body = True
        elif tag == "tfoot":
            self.in_body = False
        elif tag == "tr" and self.in_body:
            self.rows.append({"id": self.key, "cells": []})
            self.key = None
        elif tag == "td" and self.in_body:
            self.cell = {"text": "", "links": [], "pictures": []}
            self.rows[-1]["cells"].append(self.cell)
        elif tag == "a" and self.cell is not None:
            self.link = [attrs.get("href", ""), ""]
            self.cell["links"].append(self.link)
        elif tag == "img" and self.cell is not None:
            self.cell["pictures"].append(attrs.get("src", ""))
        elif tag == "br" and self.cell is not None:
            self.cell["text"] += "\n"

    def handle_endtag(self, tag):
        if tag in ("td", "th"):
            self.cell = None
        elif tag == "a":
            self.link = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell["text"] += data
        if self.link is not None:
            self.link[1] += data


def expected_lines(table_path, left_out):
    parser = TableParser()
    with open(table_path, encoding="utf-8") as table:
        parser.feed(table.read())
    lines = []
    for row in parser.rows:
        if row["id"] in left_out:
            continue
        cells = row["cells"]
        check(len(cells) == 9, f"{table_path}: row {row['id']} has {len(cells)} cells")
        text = [blanks_collapsed(cell["text"]) for cell in cells]
        price = re.fullmatch(r"US \$(\d+\.\d\d)", text[2])
        date = re.fullmatch(r"(\d{4})-(\d{1,2})-(\d{1,2})", text[1])
        rating = text[8].replace(",", ".")
        description, store, image = cells[5], cells[7], cells[4]
        lines.append([
            row["id"],
            datetime.date(*map(int, date.groups())) if date else text[1],
            text[2],
            float(price.group(1)) if price else None,
            "USD" if price else "",
            text[3],
            "\n".join(blanks_collapsed(link[1]) for link in description["links"]),
            "\n".join(link[0] for link in description["links"]),
            text[6],
            blanks_collapsed(store["links"][0][1]),
            store["links"][0][0],
            image["links"][0][0] if image["links"] else image["pictures"][0],
            float(rating) if re.fullmatch(r"\d*\.?\d+", rating) else text[8],
        ])
    return lines


def workbook_lines(path):
    """The lines of the workbook's one sheet, each cell as str, float or date; also checks
    that the package is one Excel can open: its parts, relationships and CRCs."""
    with zipfile.ZipFile(path) as workbook:
        # Reading every part inflates it (the sheet is deflated) and checks its CRC.
        check(workbook.testzip() is None, f"{path}: a part fails its CRC")
        check(workbook.getinfo("xl/worksheets/sheet1.xml").compress_type == zipfile.ZIP_DEFLATED,
              f"{path}: the sheet is not deflated")
        names = set(workbook.namelist())
        for part in ("[Content_Types].xml", "_rels/.rels", "xl/workbook.xml",
                     "xl/_rels/workbook.xml.rels", "xl/styles.xml", "xl/worksheets/sheet1.xml"):
            check(part in names, f"{path}: no {part}")
        types = workbook.read("[Content_Types].xml").decode()
        check("/xl/worksheets/sheet1.xml" in types and "spreadsheetml.sheet.main" in types,
              f"{path}: content types")
        book = ET.fromstring(workbook.read("xl/workbook.xml"))
        sheets = book.findall(f"{MAIN}sheets/{MAIN}sheet")
        check([sheet.get("name") for sheet in sheets] == ["Orders"], f"{path}: sheet names")
        styles = ET.fromstring(workbook.read("xl/styles.xml"))
        formats = {fmt.get("numFmtId"): fmt.get("formatCode")
                   for fmt in styles.iter(f"{MAIN}numFmt")}
        xfs = styles.findall(f"{MAIN}cellXfs/{MAIN}xf")
        sheet = ET.fromstring(workbook.read("xl/worksheets/sheet1.xml"))
    lines = []
    for row_number, row in enumerate(sheet.iter(f"{MAIN}row"), start=1):
        check(row.get("r") == str(row_number), f"{path}: row {row_number} is numbered {row.get('r')}")
        line = [""] * len(COLUMNS)
        for cell in row.iter(f"{MAIN}c"):
            reference = re.fullmatch(r"([A-Z]+)(\d+)", cell.get("r"))
            column = ord(reference.group(1)) - ord("A")
            check(reference.group(2) == str(row_number), f"{path}: cell {cell.get('r')}")
            kind, style = cell.get("t"), xfs[int(cell.get("s", "0"))]
            if kind == "inlineStr":
                line[column] = "".join(cell.find(f"{MAIN}is").itertext())
            elif kind is None:
                value = float(cell.find(f"{MAIN}v").text)
                if "yyyy" in (formats.get(style.get("numFmtId")) or ""):
                    value = datetime.date(1899, 12, 30) + datetime.timedelta(days=value)
                line[column] = value
            else:
                check(False, f"{path}: cell {cell.get('r')} of type {kind}")
        lines.append(line)
    return lines


def unguarded(field):
    """The text a CSV field was written from; a field that could run as a formula fails."""
    if field.startswith('="') and field.endswith('"'):
        inner = field[2:-1]
        check(re.fullmatch(r'([^"]|"")*', inner), f"CSV: a formula that is not one string: {field}")
        return inner.replace('""', '"')
    if field[:1] in ("=", "+", "-", "@"):
        check(False, f"CSV: a field that runs as a formula: {field}")
    if field[:1] == "'" and field[1:2] in ("=", "+", "-", "@"):
        return field[1:]
    return field


def csv_lines(path):
    with open(path, "rb") as raw:
        check(raw.read(3) == b"\xef\xbb\xbf", f"{path}: no byte order mark")
    with open(path, encoding="utf-8-sig", newline="") as text:
        return [[unguarded(field) for field in record] for record in csv.reader(text)]


def same_cell(csv_text, value):
    if isinstance(value, float):
        return csv_text != "" and float(csv_text) == value
    if isinstance(value, datetime.date):
        return csv_text == value.isoformat()
    return csv_text == value


def check_export(name, folder, expected_rows, left_out=()):
    table = os.path.join(folder, "AliExpress Orders.html")
    expected = expected_lines(table, left_out)
    check(len(expected) == expected_rows, f"{name}: the table holds {len(expected)} rows")
    for args, file in ((["export"], "AliExpress Orders export.csv"),
                       (["export", "--xlsx"], "AliExpress Orders export.xlsx")):
        run = subprocess.run([CLI, *args], cwd=folder, capture_output=True, text=True)
        check(run.returncode == 0, f"{name}: {' '.join(args)} exited with {run.returncode}")
        check(run.stdout.startswith(f'{expected_rows} row(s) written to "{file}"'),
              f"{name}: {run.stdout!r}")
        for order_id in left_out:
            check(re.search(rf"row \d+ \(#\d+, order {order_id}, line \d+\): it has 8 cells "
                            r"instead of 9; it is left out", run.stderr),
                  f"{name}: the unreadable row is not named: {run.stderr!r}")
        check(len(run.stderr.splitlines()) == len(left_out), f"{name}: {run.stderr!r}")
    book = workbook_lines(os.path.join(folder, "AliExpress Orders export.xlsx"))
    sheet = csv_lines(os.path.join(folder, "AliExpress Orders export.csv"))
    check(book[0] == COLUMNS and sheet[0] == COLUMNS, f"{name}: header {book[0]} / {sheet[0]}")
    check(len(book) == len(expected) + 1 and len(sheet) == len(expected) + 1,
          f"{name}: {len(book) - 1} lines in the workbook, {len(sheet) - 1} in the CSV")
    for number, (want, got, text) in enumerate(zip(expected, book[1:], sheet[1:]), start=2):
        check(isinstance(got[0], str), f"{name}: the order id of line {number} is no string")
        for column, title in enumerate(COLUMNS):
            if not check(got[column] == (want[column] if want[column] is not None else ""),
                         f"{name}, line {number}, {title}: {got[column]!r} != {want[column]!r}"):
                break
            check(same_cell(text[column], got[column]),
                  f"{name}, CSV line {number}, {title}: {text[column]!r} != {got[column]!r}")
    return book


def make_hostile(page_path):
    with open(page_path, encoding="utf-8", newline="") as page:
        text = page.read()
    titles = iter(HOSTILE_TITLES)
    text = re.sub(r'(class="baobei-name"[^>]*>)[^<]*', lambda m: m.group(1) + next(titles), text,
                  count=len(HOSTILE_TITLES))
    text = re.sub(r'(Store name:</span>\s*<span class="info-body">)[^<]*',
                  lambda m: m.group(1) + HOSTILE_STORE, text, count=1)
    with open(page_path, "w", encoding="utf-8", newline="") as page:
        page.write(text)


def hand_edit(table_path):
    """Ratings changed to 5 and 4,5; the status cell of the fifth row deleted; LF line ends.
    Returns the order id of the row left unreadable."""
    with open(table_path, encoding="utf-8", newline="") as table:
        lines = table.read().split("\r\n")
    stars = [i for i, line in enumerate(lines) if line.startswith("<td><span class='stars'>")]
    lines[stars[0]] = "<td><span class='stars'>5</span></td>"
    lines[stars[2]] = "<td><span class='stars'>4,5</span></td>"
    keys = [i for i, line in enumerate(lines) if line.startswith("<!--")]
    del lines[keys[4] + 5]  # key comment, <tr>, #, date, price, status
    with open(table_path, "w", encoding="utf-8", newline="") as table:
        table.write("\n".join(lines))
    return lines[keys[4]][4:-3]


def main():
    work = tempfile.mkdtemp(prefix="ordertable-export-")
    for folder, first_id, pages in (("first", "8012000000000100", "3"),
                                    ("later", "8012000000000088", "4")):
        subprocess.run([SAMPLE_PAGES, os.path.join(work, folder), "--pages", pages,
                        "--orders-per-page", "8", "--first-id", first_id],
                       check=True, capture_output=True)
    make_hostile(os.path.join(work, "first", "page_01.html"))
    table = os.path.join(work, "table")
    os.mkdir(table)

    def cli(*args):
        pages = sorted(os.listdir(os.path.join(work, args[-1])))
        subprocess.run([CLI, *args[:-1], *(os.path.join(work, args[-1], p) for p in pages)],
                       cwd=table, check=True, capture_output=True)

    cli("import", "first")
    book = check_export("new table", table, 24)
    # The table turns the title's double quotes into single ones.
    check(book[1][6] == HOSTILE_TITLES[0].replace('"', "'"), f"new table: title {book[1][6]!r}")
    check(book[1][9] == HOSTILE_STORE, f"new table: store {book[1][9]!r}")

    cli("import", "--update", "later")
    check_export("updated table", table, 36)

    unreadable = hand_edit(os.path.join(table, "AliExpress Orders.html"))
    book = check_export("hand-edited table", table, 35, left_out=(unreadable,))
    check(book[1][12] == 5.0 and book[3][12] == 4.5, "hand-edited table: ratings not read")

    subprocess.run(["rm", "-rf", work], check=False)
    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print("all export checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
