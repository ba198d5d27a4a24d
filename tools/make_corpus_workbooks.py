#!/usr/bin/env python3
"""Writes the workbook half of the real-world corpus under tests/data/corpus/.

The workbooks look like the ones people merge from: a notes sheet before the data sheet, which
is the active one; shared and inline strings, rich text, dates, booleans, errors, formulas with
cached numbers and texts, an empty-text formula that ends the data, and a second workbook in the
1904 date system. Each .xlsx is written here and converted by LibreOffice to BIFF8 (Excel 97)
.xls and to its own .xlsx. LibreOffice no longer writes BIFF5 (Excel 5.0/95), so the BIFF5 twins
and an Excel 4.0 workbook come from our own writers.
tests/engine/sheet/corpus_test.cpp reads every file and knows the values to expect.

Run from anywhere: python3 tools/make_corpus_workbooks.py (needs soffice)
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import struct  # noqa: E402

from make_sheet_fixtures import (Biff, EarlyBiff, Xlsx, compound_file, rec, soffice_convert,  # noqa: E402
                                 titles_row)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "data", "corpus")

TITLES = ["编号", "姓名", "部门", "入职日期", "在职", "工资", "备注", "检查"]


def names_workbook():
    x = Xlsx()
    notes = x.sheet("说明")
    notes[(0, 0)] = ("s", "本工作簿的数据在第二页", 0)
    notes[(1, 0)] = ("inline", "请勿修改标题", 0)
    s = x.sheet("名单")
    titles_row(s, TITLES)
    empty_text = ("fs", ('IF(1=1,"","x")', ""), 0)
    rows = [
        [("n", 1, 0), ("s", "张三", 0), ("s", "销售部", 0), ("n", 43539, 1), ("b", True, 0),
         ("n", 8500.5, 3), empty_text, ("e", "#N/A", 0)],
        [("n", 2, 0), ("inline", "李四", 0), ("rich", ["技术", "部"], 0), ("n", 43890, 1),
         ("b", False, 0), ("n", 12000, 3), ("s", "经理", 0), ("e", "#DIV/0!", 0)],
        [("fn", ("2+1", "3"), 0), ("s", "Ma Li", 0), ("s", "销售部", 0), ("n", 44561.75, 4),
         ("b", True, 0), ("n", 0, 0), ("fs", ('"合"&"计"', "合计"), 0), ("s", "  两边空格  ", 0)],
        # The first cell is an empty text: the data ends here although later rows are filled.
        [empty_text, ("s", "不应读到", 0)],
        [("n", 5, 0), ("s", "赵六", 0)],
    ]
    for r, row in enumerate(rows, start=1):
        for c, cell in enumerate(row):
            s[(r, c)] = cell
    x.active = 1
    return x


def dates1904_workbook():
    x = Xlsx()
    x.date1904 = True
    s = x.sheet("日期")
    titles_row(s, ["日期", "说明"])
    s[(1, 0)] = ("n", 42428, 1)   # 2020/2/29
    s[(1, 1)] = ("s", "闰日", 0)
    s[(2, 0)] = ("n", 35064, 1)   # 2000/1/1
    s[(2, 1)] = ("s", "千年", 0)
    return x


def excel4_workbook():
    e = EarlyBiff(4)
    e.sheets.append(("名单", [(0, 0, "s", "编号"), (0, 1, "s", "姓名"), (0, 2, "s", "入职日期"),
                              (1, 0, "n", 1), (1, 1, "s", "张三"), (1, 2, "d", 43539),
                              (2, 0, "fn", 2.0), (2, 1, "s", "李四"), (2, 2, "d", 43890)]))
    e.sheets.append(("备用", [(0, 0, "s", "不是这一页")]))
    return e.build(workbook=True)


def biff5(book, row, col, kind, value):
    """One BIFF5 cell record (or two: a formula and its STRING). XF 15 general, 16 date, 18
    currency."""
    if kind == "s":
        return book.label(row, col, value)
    if kind in ("n", "d", "c"):
        return rec(0x0203, struct.pack("<HHHd", row, col, {"n": 15, "d": 16, "c": 18}[kind], value))
    if kind in ("b", "e"):
        return rec(0x0205, struct.pack("<HHHBB", row, col, 15, value, kind == "e"))
    if kind == "fn":
        return rec(0x0006, struct.pack("<HHHd", row, col, 15, value) + b"\0" * 8)
    text = book.text8(value)
    return (rec(0x0006, struct.pack("<HHH", row, col, 15) + b"\0" * 6 + b"\xff\xff" + b"\0" * 8)
            + rec(0x0207, struct.pack("<H", len(text)) + text))


def names_biff5():
    b = Biff(0x0500, 936)
    b.sheets.append(("说明", [biff5(b, 0, 0, "s", "本工作簿的数据在第二页"),
                              biff5(b, 1, 0, "s", "请勿修改标题")]))
    rows = [
        [("n", 1), ("s", "张三"), ("s", "销售部"), ("d", 43539), ("b", 1), ("c", 8500.5),
         ("fs", ""), ("e", 0x2A)],
        [("n", 2), ("s", "李四"), ("s", "技术部"), ("d", 43890), ("b", 0), ("c", 12000),
         ("s", "经理"), ("e", 0x07)],
        [("fn", 3.0), ("s", "Ma Li"), ("s", "销售部"), ("d", 44561.75), ("b", 1), ("n", 0),
         ("fs", "合计"), ("s", "  两边空格  ")],
        [("fs", ""), ("s", "不应读到")],
        [("n", 5), ("s", "赵六")],
    ]
    cells = [biff5(b, 0, c, "s", t) for c, t in enumerate(TITLES)]
    for r, row in enumerate(rows, start=1):
        cells += [biff5(b, r, c, kind, value) for c, (kind, value) in enumerate(row)]
    b.sheets.append(("名单", cells))
    b.active = 1
    return compound_file("Book", b.build())


def dates1904_biff5():
    b = Biff(0x0500, 936)
    b.date1904 = True
    b.sheets.append(("日期", [biff5(b, 0, 0, "s", "日期"), biff5(b, 0, 1, "s", "说明"),
                              biff5(b, 1, 0, "d", 42428), biff5(b, 1, 1, "s", "闰日"),
                              biff5(b, 2, 0, "d", 35064), biff5(b, 2, 1, "s", "千年")]))
    return compound_file("Book", b.build())


def convert(sources, filter_name, suffix, ext):
    for src in sources:
        stem = os.path.splitext(os.path.basename(src))[0]
        with open(os.path.join(OUT, stem + suffix + "." + ext), "wb") as f:
            f.write(soffice_convert(src, ext, filter_name))


def main():
    os.makedirs(OUT, exist_ok=True)
    sources = []
    for name, book in [("names", names_workbook()), ("dates1904", dates1904_workbook())]:
        path = os.path.join(OUT, name + ".xlsx")
        book.save(path)
        sources.append(path)
    convert(sources, "MS Excel 97", "_biff8", "xls")
    convert(sources, "Calc MS Excel 2007 XML", "_lo", "xlsx")
    for name, data in [("names_excel4.xls", excel4_workbook()), ("names_biff5.xls", names_biff5()),
                       ("dates1904_biff5.xls", dates1904_biff5())]:
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
