#!/usr/bin/env python3
"""Writes the number-format corpus under tests/data/sheet/: shown_formats.xlsx (one row per
format code, the code in column A and a row of values in that format beside it), its .xls twin
made by LibreOffice, and LibreOffice's CSV export "as shown" of both, which
tests/engine/sheet/shown_oracle_test.cpp compares with our own display of every cell.

Run from anywhere: python3 tools/make_shown_corpus.py (needs soffice)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_sheet_fixtures import Xlsx, soffice_convert  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "data", "sheet")

VALUES = [0, 5600.2, -1234.567, 0.15, 123, 46336.627, 1.5, 0.000123, 1234567.891, -0.5, 2.675,
          12345678901234]

CODES = [
    "General", "0", "0.00", "#,##0", "#,##0.00", "0%", "0.00%", "0.00E+00", "##0.0E+0",
    "# ?/?", "# ??/??", "?/?", "# ?/8", "000000", "#.##", "0.0??", "#,##0,", "#,##0,,\"M\"",
    "\"¥\"#,##0.00", "[$¥-804]#,##0.00", "$#,##0.00_);($#,##0.00)", "#,##0.00;[Red]-#,##0.00",
    "0;-0;\"零\"", "0.00;(0.00);\"-\"", "[>=1000]#,##0;0.0", "[<0]\"负\"0.0;0.0",
    "0\"件\"", "0\\k\\g", "\"第\"0\"名\"", "@", "0.00;-0.00;0.00;\"[\"@\"]\"",
    "yyyy/m/d", "yyyy-mm-dd", "yyyy\"年\"m\"月\"", "yyyy\"年\"m\"月\"d\"日\"", "m\"月\"d\"日\"",
    "d-mmm-yy", "mmmm d, yyyy", "dddd", "ddd", "h:mm", "hh:mm:ss", "h:mm AM/PM",
    "yyyy/m/d h:mm", "mm:ss.0", "[h]:mm:ss", "[mm]", "aaaa", "[$-804]aaaa",
    "上午/下午h\"时\"mm\"分\"", "h\"时\"mm\"分\"ss\"秒\"", "[$-804]yyyy\"年\"m\"月\"d\"日\"",
    "[DBNum1]General", "[DBNum2]General", "[DBNum1][$-804]0", "[DBNum2][$-804]0.00",
    "[DBNum1][$-804]yyyy\"年\"m\"月\"d\"日\"",
]


def workbook():
    x = Xlsx()
    x.num_fmts = {}
    x.xfs = [0]
    s = x.sheet("格式")
    s[(0, 0)] = ("inline", "格式", 0)
    for c, v in enumerate(VALUES, start=1):
        s[(0, c)] = ("n", v, 0)
    for r, code in enumerate(CODES, start=1):
        fmt_id = 164 + r
        x.num_fmts[fmt_id] = code
        x.xfs.append(fmt_id)
        s[(r, 0)] = ("inline", code, 0)
        for c, v in enumerate(VALUES, start=1):
            s[(r, c)] = ("n", v, len(x.xfs) - 1)
    return x


# UTF-8, comma separated, every cell "as shown" (the ninth token), English (US) locale.
CSV_FILTER = 'Text - txt - csv (StarCalc):44,34,76,1,,1033,false,false,true'


def main():
    os.makedirs(OUT, exist_ok=True)
    xlsx = os.path.join(OUT, "shown_formats.xlsx")
    workbook().save(xlsx)
    xls = os.path.join(OUT, "shown_formats.xls")
    with open(xls, "wb") as f:
        f.write(soffice_convert(xlsx, "xls", "MS Excel 97"))
    for source in (xlsx, xls):
        data = soffice_convert(source, "csv", CSV_FILTER)
        with open(source + ".csv", "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
