#!/usr/bin/python3
"""Writes the .xls golden fixtures of the converter: a small workbook is built with openpyxl
(python3-openpyxl), given a rich-text cell, and saved as BIFF8 and BIFF5 by gnumeric's ssconvert,
which computes the formulas and stores their results the way an office program does.

Usage: tests/converter/tools/make_xls_fixtures.py tests/converter/golden
Only needed to remake the fixtures; the tests use the committed files."""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

import openpyxl
from openpyxl.chart import BarChart, Reference


def build_xlsx(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Preise"
    ws.append(("Artikelnummer", "Bezeichnung", "Menge", "Preis", "Summe", "Kennung", "Teuer", "Datum",
               "Rabatt", "Fehler"))
    data = [(4711, "Schraube M3 verzinkt", 100, 0.35), (815, "Dübel 6 mm", 3, 12.5), (17, "Rohr ½\" – 2 m", 2, 7.0)]
    for i, (nr, text, qty, price) in enumerate(data, start=2):
        ws.cell(i, 1, nr).number_format = "000000"
        ws.cell(i, 2, text)
        ws.cell(i, 3, qty)
        ws.cell(i, 4, price).number_format = "0.00"
        ws.cell(i, 5, f"=C{i}*D{i}").number_format = "0.00"
        ws.cell(i, 6, f'=TEXT(A{i},"000000")&"-"&B{i}')
        ws.cell(i, 7, f"=E{i}>10")
        ws.cell(i, 8, datetime.date(2024, 1, 15 + i)).number_format = "DD.MM.YYYY"
        ws.cell(i, 9, 0.155).number_format = "0.0%"
        ws.cell(i, 10, f"=D{i}/(C{i}-{qty})" if i == 3 else '=""')
    chart = BarChart()
    chart.add_data(Reference(ws, min_col=4, min_row=1, max_row=4), titles_from_data=True)
    ws.add_chart(chart, "L2")
    sheet = wb.create_chartsheet("Diagramm", 0)
    chart2 = BarChart()
    chart2.add_data(Reference(ws, min_col=3, min_row=1, max_row=4), titles_from_data=True)
    sheet.add_chart(chart2)
    wb.save(path)
    # openpyxl of this age writes no rich text: make one shared string rich by hand.
    with zipfile.ZipFile(path) as z:
        parts = {n: z.read(n) for n in z.namelist()}
    sheet = "xl/worksheets/sheet1.xml"
    plain = "<is><t>Schraube M3 verzinkt</t></is>".encode()
    rich = ('<is><r><rPr><b/></rPr><t>Schraube</t></r><r><rPr><i/></rPr>'
            '<t xml:space="preserve"> M3 verzinkt</t></r></is>').encode()
    assert plain in parts[sheet]
    parts[sheet] = parts[sheet].replace(plain, rich)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for n, b in parts.items():
            z.writestr(n, b)


def main():
    golden = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "source.xlsx")
        build_xlsx(src)
        for case, kind in (("xls_biff8_formulas_chart", "excel_biff8"), ("xls_biff5_formulas_chart", "excel_biff7")):
            os.makedirs(os.path.join(golden, case), exist_ok=True)
            out = os.path.join(tmp, case + ".xls")
            subprocess.run(["ssconvert", "--export-type=Gnumeric_Excel:" + kind, src, out], check=True,
                           stderr=subprocess.DEVNULL)
            shutil.copyfile(out, os.path.join(golden, case, "input.xls"))


if __name__ == "__main__":
    main()
