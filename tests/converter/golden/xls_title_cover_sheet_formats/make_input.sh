#!/bin/sh
# input.xls: the workbook of xlsx_title_cover_sheet_formats saved as BIFF8 by gnumeric's ssconvert;
# both formats must give the same CSV.
ssconvert -T Gnumeric_Excel:excel_biff8 ../xlsx_title_cover_sheet_formats/input.xlsx input.xls
