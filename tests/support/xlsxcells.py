#!/usr/bin/env python3
"""Prints what a spreadsheet holds, read by openpyxl and from its XML, one fact a line:
sheet NAME, freeze CELL, formulas COUNT, then per cell with a value
cell COORD TYPE VALUE BOLD LINK FORMAT (tab-separated; \\, tab and line feed escaped)."""
import re
import sys
import zipfile

import openpyxl


def escaped(value):
    text = str(value)
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def main(path):
    with zipfile.ZipFile(path) as archive:
        formulas = sum(len(re.findall(rb"<f[ >/]", archive.read(name)))
                       for name in archive.namelist() if name.startswith("xl/worksheets/"))
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
            value = cell.value
            if isinstance(value, float) and value.is_integer():
                value = int(value)
            link = cell.hyperlink.target if cell.hyperlink is not None else ""
            print("\t".join(["cell", cell.coordinate, cell.data_type, escaped(value),
                             "1" if cell.font.b else "0", escaped(link or ""),
                             cell.number_format]))


if __name__ == "__main__":
    main(sys.argv[1])
