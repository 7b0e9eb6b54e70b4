#!/usr/bin/python3
# Writes input.xlsx of this case with Debian's python3-openpyxl: a cover sheet before the
# article sheet, a title line above the header, number formats that must not cost digits.
import datetime
import openpyxl

book = openpyxl.Workbook()
cover = book.active
cover.title = "Deckblatt"
cover["A1"] = "Preisliste 2024"
cover["A2"] = "Alle Preise netto"
cover["A4"] = "Musterhandel GmbH"

sheet = book.create_sheet("Artikel")
sheet["A1"] = "Preisliste 2024"
header = ["Artikelnummer", "Bezeichnung", "Preis", "Rabatt", "EAN", "Gültig ab", "Rüstzeit", "Lagernd", "Menge"]
for col, name in enumerate(header, 1):
    sheet.cell(row=3, column=col, value=name)
rows = [
    [4711, "Schraube M3", 0.0345, 0.155, 12345678901234567890.0, datetime.datetime(2024, 3, 15),
     datetime.timedelta(days=1, hours=12), True, 1.5],
    [815, "Mutter M3", 1.5, 0.2, 4006381333931, datetime.datetime(2024, 1, 1),
     datetime.timedelta(minutes=30), False, 2, "Restposten"],
]
formats = ["000000", "@", '#,##0.00 "€"', "0%", "General", "DD.MM.YYYY", "[h]:mm:ss", "General", "0.00", "@"]
for r, values in enumerate(rows, 4):
    for col, value in enumerate(values, 1):
        cell = sheet.cell(row=r, column=col, value=value)
        cell.number_format = formats[col - 1]
book.save("input.xlsx")
