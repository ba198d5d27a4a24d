#!/usr/bin/env python3
"""Makes workbooks in shapes that some writers leave and other readers open, under
tests/data/sheet/: BOF records whose version field says 0, formulas under another Excel
version's record number, and a shared string part whose entry name differs in case from the
name its relationship gives and whose count is short.

Run from anywhere: python3 tools/make_odd_workbooks.py
"""
import os
import re
import struct
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from compound_writer import compound  # noqa: E402
from make_sheet_fixtures import OUT, Biff, formula8, rec, string8  # noqa: E402


def zero_bof_versions(stream):
    data = bytearray(stream)
    pos = 0
    while pos + 4 <= len(data):
        kind, size = struct.unpack_from("<HH", data, pos)
        if kind == 0x0809:
            struct.pack_into("<H", data, pos + 4, 0)
        pos += 4 + size
    return bytes(data)


def make_bof_versions():
    for version, codepage, stream_name, name in [(0x0600, 1200, "Workbook", "bof_version_zero.xls"),
                                                 (0x0500, 936, "Book", "bof_version_zero_biff5.xls")]:
        b = Biff(version, codepage)
        b.sheets.append(("名单", [lambda: b.label(0, 0, "姓名"), lambda: b.label(0, 1, "城市"),
                                lambda: b.label(1, 0, "赵六"), lambda: b.label(1, 1, "杭州"),
                                rec(0x0203, struct.pack("<HHHd", 2, 1, 15, 8.25))]))
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(compound({stream_name: zero_bof_versions(b.build())}))


def make_formula_record_ids():
    """Column A holds formulas: one under Excel 4.0's record number with a number result, one
    under Excel 3.0's with a text result in the STRING record after it, and a plain one."""
    b = Biff(0x0600, 1200)

    def formula_as(kind, row, result):
        record = bytearray(formula8(row, 0, result))
        struct.pack_into("<H", record, 0, kind)
        return bytes(record)

    text = b"\0" * 6 + b"\xff\xff"
    b.sheets.append(("公式", [
        lambda: b.label(0, 0, "编号"), lambda: b.label(0, 1, "姓名"),
        formula_as(0x0406, 1, struct.pack("<d", 101)), lambda: b.label(1, 1, "甲"),
        formula_as(0x0206, 2, text), string8("B-102"), lambda: b.label(2, 1, "乙"),
        formula8(3, 0, struct.pack("<d", 103)), lambda: b.label(3, 1, "丙"),
    ]))
    with open(os.path.join(OUT, "formula_record_ids.xls"), "wb") as f:
        f.write(compound({"Workbook": b.build()}))


def make_shared_strings_case():
    src = os.path.join(OUT, "values.xlsx")
    dst = os.path.join(OUT, "shared_strings_case.xlsx")
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.infolist():
            data = zin.read(item.filename)
            name = item.filename
            if name == "xl/sharedStrings.xml":
                name = "xl/SharedStrings.xml"
                data = re.sub(rb'count="\d+" uniqueCount="\d+"', b'count="2" uniqueCount="2"', data)
            zout.writestr(name, data)


if __name__ == "__main__":
    make_bof_versions()
    make_formula_record_ids()
    make_shared_strings_case()
