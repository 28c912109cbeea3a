#!/usr/bin/env python3
"""Prints the cells of a workbook's first sheet as JSON, for the browser test: the workbook is
opened with Python's zipfile and ElementTree only, apart from the scripts that wrote it.

    workbook_cells.py FILE.xlsx

Prints {"sheets": [names], "deflated": bool, "rows": [[[kind, value], ...], ...]}, one list per
row from row 1, where kind is "text" (an inline or shared string), "number", "date" (a number
whose style shows a date; value "YYYY-MM-DD") or "empty"; "deflated" tells whether the sheet
is compressed. Exits 1 when a part is missing or fails its CRC.
"""

import datetime
import json
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
# The number formats built into every spreadsheet that show a date.
BUILT_IN_DATES = {str(n) for n in (*range(14, 23), 45, 46, 47)}


def shows_date(format_code):
    # Letters inside quotes or brackets are literal text or a locale, not date parts.
    bare = re.sub(r'"[^"]*"|\[[^\]]*\]', "", format_code or "")
    return re.search(r"[dmy]", bare, re.IGNORECASE) is not None and "0" not in bare


def column_index(reference):
    index = 0
    for letter in re.match(r"[A-Z]+", reference).group(0):
        index = index * 26 + ord(letter) - ord("A") + 1
    return index - 1


def main(path):
    with zipfile.ZipFile(path) as book:
        bad = book.testzip()
        if bad is not None:
            sys.exit(f"{path}: {bad} fails its CRC")
        names = set(book.namelist())
        for part in ("[Content_Types].xml", "_rels/.rels", "xl/workbook.xml",
                     "xl/_rels/workbook.xml.rels", "xl/styles.xml", "xl/worksheets/sheet1.xml"):
            if part not in names:
                sys.exit(f"{path}: no {part}")
        deflated = book.getinfo("xl/worksheets/sheet1.xml").compress_type == zipfile.ZIP_DEFLATED
        workbook = ET.fromstring(book.read("xl/workbook.xml"))
        styles = ET.fromstring(book.read("xl/styles.xml"))
        sheet = ET.fromstring(book.read("xl/worksheets/sheet1.xml"))
        shared = []
        if "xl/sharedStrings.xml" in names:
            strings = ET.fromstring(book.read("xl/sharedStrings.xml"))
            shared = ["".join(item.itertext()) for item in strings.findall(f"{MAIN}si")]

    formats = {fmt.get("numFmtId"): fmt.get("formatCode") for fmt in styles.iter(f"{MAIN}numFmt")}
    xfs = styles.findall(f"{MAIN}cellXfs/{MAIN}xf")

    def is_date(cell):
        format_id = xfs[int(cell.get("s", "0"))].get("numFmtId", "0")
        return format_id in BUILT_IN_DATES or shows_date(formats.get(format_id))

    rows = []
    for row in sheet.iter(f"{MAIN}row"):
        number = int(row.get("r"))
        while len(rows) < number:
            rows.append([])
        line = rows[number - 1]
        for cell in row.iter(f"{MAIN}c"):
            column = column_index(cell.get("r"))
            while len(line) <= column:
                line.append(["empty", ""])
            kind = cell.get("t")
            if kind == "inlineStr":
                line[column] = ["text", "".join(cell.find(f"{MAIN}is").itertext())]
            elif kind == "s":
                line[column] = ["text", shared[int(cell.find(f"{MAIN}v").text)]]
            elif kind in (None, "n"):
                value = float(cell.find(f"{MAIN}v").text)
                if is_date(cell):
                    date = datetime.date(1899, 12, 30) + datetime.timedelta(days=value)
                    line[column] = ["date", date.isoformat()]
                else:
                    line[column] = ["number", value]
            else:
                line[column] = [kind, "".join(cell.itertext())]
    sheets = [sheet.get("name") for sheet in workbook.iter(f"{MAIN}sheet")]
    json.dump({"sheets": sheets, "deflated": deflated, "rows": rows}, sys.stdout)


if __name__ == "__main__":
    main(sys.argv[1])
