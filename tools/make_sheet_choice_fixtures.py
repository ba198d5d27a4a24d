#!/usr/bin/env python3
"""Makes the merge fixtures for choosing the data sheet and for formulas stored without results.

tests/data/merge/说明在前.xlsx and .xls: a notes sheet "说明" saved in front (active) and the
data on the second sheet "工资" (the titles of 模板.docx: 姓名, 部门, ID).
tests/data/merge/公式.xlsx and .xls: a pay sheet whose 社保, 公积金, 个税 and 实发工资 are
formulas without stored results, as programs that write workbooks without calculating them
leave them (the .xlsx cells have <f> and no <v>; the .xls FORMULA records announce a text
result and no STRING record follows). tests/data/merge/工资条.docx: a template naming those titles.

Everything is written here, with the writers of make_sheet_fixtures.py; no office is needed.
Run from anywhere: python3 tools/make_sheet_choice_fixtures.py
"""
import os
import struct
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_sheet_fixtures import Biff, Xlsx, compound_file, rec, titles_row  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "data", "merge")

PEOPLE = [("张三", "销售部", "A001"), ("李四", "技术部", "A002"), ("王五", "财务部", "A003")]
NOTE = "填表说明：每月5日前更新工资表，第一行是标题。"

PAY_TITLES = ["姓名", "基本工资", "社保", "公积金", "个税", "实发工资"]
PAY = [("张三", 8000), ("李四", 12000)]
# Row r (1-based) of each formula column, as text for the .xlsx; amounts stay whole numbers.
PAY_FORMULAS = ["B{r}*8/100", "B{r}*12/100", "(B{r}-C{r}-D{r}-5000)*3/100", "B{r}-C{r}-D{r}-E{r}"]


def notes_first_xlsx(path):
    x = Xlsx()
    x.sheet("说明")[(0, 0)] = ("s", NOTE, 0)
    s = x.sheet("工资")
    titles_row(s, ["姓名", "部门", "ID"])
    for r, person in enumerate(PEOPLE, start=1):
        for c, value in enumerate(person):
            s[(r, c)] = ("s", value, 0)
    x.active = 0
    x.save(path)


def notes_first_xls(path):
    b = Biff(0x0600, 1200)
    b.sheets.append(("说明", [lambda: b.label(0, 0, NOTE)]))
    cells = [lambda c=c, t=t: b.label(0, c, t) for c, t in enumerate(["姓名", "部门", "ID"])]
    for r, person in enumerate(PEOPLE, start=1):
        cells += [lambda r=r, c=c, v=v: b.label(r, c, v) for c, v in enumerate(person)]
    b.sheets.append(("工资", cells))
    b.active = 0
    with open(path, "wb") as f:
        f.write(compound_file("Workbook", b.build()))


def formulas_xlsx(path):
    x = Xlsx()
    s = x.sheet("工资")
    titles_row(s, PAY_TITLES)
    for i, (name, base) in enumerate(PAY, start=1):
        s[(i, 0)] = ("s", name, 0)
        s[(i, 1)] = ("n", base, 0)
        for c, formula in enumerate(PAY_FORMULAS, start=2):
            s[(i, c)] = ("raw", "><f>%s</f>" % formula.format(r=i + 1), 0)
    x.save(path)


# BIFF8 formula tokens.
def ref(row, col):  # a cell by value, row and column relative
    return struct.pack("<BHH", 0x44, row, col | 0xC000)


def num(n):
    return struct.pack("<BH", 0x1E, n)


ADD, SUB, MUL, DIV = b"\x03", b"\x04", b"\x05", b"\x06"
PAREN = b"\x15"  # the brackets around what precedes: readers rebuild the text of the formula


def xls_tokens(row):
    """The formulas of PAY_FORMULAS for 0-based `row` in reverse Polish order."""
    b, c, d, e = (ref(row, col) for col in (1, 2, 3, 4))
    return [b + num(8) + MUL + num(100) + DIV,
            b + num(12) + MUL + num(100) + DIV,
            b + c + SUB + d + SUB + num(5000) + SUB + PAREN + num(3) + MUL + num(100) + DIV,
            b + c + SUB + d + SUB + e + SUB]


def formula_without_result(row, col, tokens, xf=15):
    """A FORMULA record whose result says "a text follows", with no STRING record after it."""
    result = b"\0" * 6 + b"\xff\xff"
    return rec(0x0006, struct.pack("<HHH", row, col, xf) + result +
               struct.pack("<HIH", 0, 0, len(tokens)) + tokens)


def formulas_xls(path):
    b = Biff(0x0600, 1200)
    cells = [lambda c=c, t=t: b.label(0, c, t) for c, t in enumerate(PAY_TITLES)]
    for r, (name, base) in enumerate(PAY, start=1):
        cells.append(lambda r=r, name=name: b.label(r, 0, name))
        cells.append(rec(0x0203, struct.pack("<HHHd", r, 1, 15, base)))
        for c, tokens in enumerate(xls_tokens(r), start=2):
            cells.append(formula_without_result(r, c, tokens))
    b.sheets.append(("工资", cells))
    with open(path, "wb") as f:
        f.write(compound_file("Workbook", b.build()))


def pay_slip_docx(path):
    w = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
    lines = ["工资条：姓名", "基本工资 元，社保 元，公积金 元，个税 元。", "实发工资 元。"]
    body = "".join('<w:p><w:r><w:t xml:space="preserve">%s</w:t></w:r></w:p>' % line for line in lines)
    document = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<w:document xmlns:w="%s"><w:body>%s<w:sectPr/></w:body></w:document>' % (w, body))
    types = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             '<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-'
             'officedocument.wordprocessingml.document.main+xml"/></Types>')
    rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
            'relationships/officeDocument" Target="word/document.xml"/></Relationships>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", rels)
        z.writestr("word/document.xml", document)


def damaged_other_sheet(path):
    x = Xlsx()
    titles_row(x.sheet("数据"), ["姓名"])
    x.sheet("坏表")[(0, 0)] = ("raw", ' r="!!"><v>1</v>', 0)
    x.omit_refs = False
    x.save(path)
    # The writer puts its own reference first: keep only the invalid one.
    with zipfile.ZipFile(path) as z:
        parts = {name: z.read(name) for name in z.namelist()}
    parts["xl/worksheets/sheet2.xml"] = parts["xl/worksheets/sheet2.xml"].replace(b'<c r="A1" r="!!">', b'<c r="!!">')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            z.writestr(name, data)


def main():
    os.makedirs(OUT, exist_ok=True)
    notes_first_xlsx(os.path.join(OUT, "说明在前.xlsx"))
    notes_first_xls(os.path.join(OUT, "说明在前.xls"))
    formulas_xlsx(os.path.join(OUT, "公式.xlsx"))
    formulas_xls(os.path.join(OUT, "公式.xls"))
    pay_slip_docx(os.path.join(OUT, "工资条.docx"))
    damaged_other_sheet(os.path.join(ROOT, "tests", "data", "sheet", "damaged_other_sheet.xlsx"))
    print("wrote the sheet-choice and formula fixtures in tests/data/merge")


if __name__ == "__main__":
    main()
