#!/usr/bin/env python3
"""Prints what a spreadsheet holds, read by openpyxl and from its XML, one fact a line:
sheet NAME, freeze CELL, formulas COUNT, then per cell with a value
cell COORD TYPE VALUE BOLD LINK FORMAT (tab-separated; \\, tab and line feed escaped)."""
import re
import sys
import zipfile
import xml.etree.ElementTree as ElementTree

import openpyxl


def unescaped(text):
    """A text as a spreadsheet shows it: "_xHHHH_" is the character HHHH (ECMA-376 ST_Xstring)."""
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), text)


def escaped(value):
    text = str(value)
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def main(path):
    with zipfile.ZipFile(path) as archive:
        formulas = sum(len(re.findall(rb"<f[ >/]", archive.read(name)))
                       for name in archive.namelist() if name.startswith("xl/worksheets/"))
        # Shared strings from the XML itself: openpyxl undoes only part of the _xHHHH_ escapes.
        ns = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
        table = ElementTree.fromstring(archive.read("xl/sharedStrings.xml"))
        shared = [unescaped("".join(t.text or "" for t in si.iter("{%s}t" % ns["m"])))
                  for si in table.findall("m:si", ns)]
        sheetXml = ElementTree.fromstring(archive.read("xl/worksheets/sheet1.xml"))
        texts = {c.get("r"): shared[int(c.find("m:v", ns).text)]
                 for c in sheetXml.iter("{%s}c" % ns["m"]) if c.get("t") == "s"}
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    print("sheets\t%d" % len(book.worksheets))
    print("sheet\t" + escaped(sheet.title))
    print("freeze\t" + str(sheet.freeze_panes))
    print("formulas\t%d" % formulas)
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            value = texts.get(cell.coordinate, cell.value)
            if isinstance(value, float) and value.is_integer():
                value = int(value)
            link = cell.hyperlink.target if cell.hyperlink is not None else ""
            print("\t".join(["cell", cell.coordinate, cell.data_type, escaped(value),
                             "1" if cell.font.b else "0", escaped(link or ""),
                             cell.number_format]))


if __name__ == "__main__":
    main(sys.argv[1])
