#!/usr/bin/env python3
"""Makes the spreadsheet test fixtures under tests/data/sheet/.

The .xlsx files are written here, part by part. The BIFF8 .xls twins are converted from them by
LibreOffice (soffice --headless --convert-to xls). Files that need records in a known shape (a
BIFF5 workbook in code page 936, shared strings split across CONTINUE records, MULRK, a formula
with a string result) are written here too, with a small compound-document writer.

Run from anywhere: python3 tools/make_sheet_fixtures.py [--no-soffice | --reader-cases]
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
from xml.sax.saxutils import escape

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "tests", "data", "sheet")
SEEDS = os.path.join(ROOT, "fuzz", "corpus")

# ---------------------------------------------------------------- .xlsx writer


def soffice_convert(source, target_ext, filter_spec):
    """The bytes of `source` converted by LibreOffice (headless, a throw-away profile)."""
    soffice = shutil.which("soffice")
    if not soffice:
        sys.exit("soffice not found")
    with tempfile.TemporaryDirectory() as tmp:
        profile = "file://" + os.path.join(tmp, "profile")
        subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                        target_ext + ":" + filter_spec, "--outdir", tmp, source], check=True,
                       stdout=subprocess.DEVNULL)
        stem = os.path.splitext(os.path.basename(source))[0]
        with open(os.path.join(tmp, stem + "." + target_ext), "rb") as f:
            return f.read()


def col_name(c):
    s = ""
    c += 1
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


class Xlsx:
    """Cells are dicts of (row, col) -> (kind, value, style) with kind one of
    's' shared string, 'rich' shared string given as a list of runs, 'inline', 'n', 'b', 'e',
    'fn' formula with cached number, 'fs' formula with cached string, 'd' ISO date text."""

    def __init__(self):
        self.sheets = []  # (name, cells)
        self.active = 0
        self.date1904 = False
        self.num_fmts = {164: 'yyyy"年"m"月"d"日"', 165: '"¥"#,##0.00', 166: "yyyy/m/d h:mm:ss"}
        # cellXfs: index -> numFmtId
        self.xfs = [0, 14, 164, 165, 166, 22, 21]
        self.omit_refs = False

    def sheet(self, name):
        cells = {}
        self.sheets.append((name, cells))
        return cells

    def save(self, path):
        shared = []
        index = {}

        def share(key, xml):
            if key not in index:
                index[key] = len(shared)
                shared.append(xml)
            return index[key]

        def t(text):
            return '<t xml:space="preserve">%s</t>' % escape(text)

        sheet_xml = []
        for name, cells in self.sheets:
            rows = {}
            for (r, c), v in cells.items():
                rows.setdefault(r, []).append((c, v))
            out = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                   '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
                   '<sheetData>']
            for r in sorted(rows):
                out.append('<row r="%d">' % (r + 1))
                for c, (kind, value, style) in sorted(rows[r]):
                    ref = "" if self.omit_refs else ' r="%s%d"' % (col_name(c), r + 1)
                    s = ' s="%d"' % style if style else ""
                    if kind == "s":
                        out.append('<c%s%s t="s"><v>%d</v></c>' % (ref, s, share(("s", value), t(value))))
                    elif kind == "rich":
                        xml = "".join('<r><rPr><b/></rPr>%s</r>' % t(run) for run in value)
                        xml += '<rPh sb="0" eb="1"><t>ピン</t></rPh>'
                        out.append('<c%s%s t="s"><v>%d</v></c>' % (ref, s, share(("rich",) + tuple(value), xml)))
                    elif kind == "inline":
                        out.append('<c%s%s t="inlineStr"><is>%s</is></c>' % (ref, s, t(value)))
                    elif kind == "n":
                        out.append('<c%s%s><v>%s</v></c>' % (ref, s, repr(float(value)) if isinstance(value, float) else value))
                    elif kind == "b":
                        out.append('<c%s%s t="b"><v>%d</v></c>' % (ref, s, 1 if value else 0))
                    elif kind == "e":
                        out.append('<c%s%s t="e"><v>%s</v></c>' % (ref, s, escape(value)))
                    elif kind == "fn":
                        out.append('<c%s%s><f>%s</f><v>%s</v></c>' % (ref, s, escape(value[0]), value[1]))
                    elif kind == "fs":
                        out.append('<c%s%s t="str"><f>%s</f><v>%s</v></c>' % (ref, s, escape(value[0]), escape(value[1])))
                    elif kind == "d":
                        out.append('<c%s%s t="d"><v>%s</v></c>' % (ref, s, value))
                    elif kind == "raw":
                        out.append('<c%s%s%s</c>' % (ref, s, value))
                out.append("</row>")
            out.append("</sheetData></worksheet>")
            sheet_xml.append("".join(out))

        ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" ' \
             'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
        wb = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook %s>' % ns]
        if self.date1904:
            wb.append('<workbookPr date1904="1"/>')
        wb.append('<bookViews><workbookView activeTab="%d"/></bookViews><sheets>' % self.active)
        for i, (name, _) in enumerate(self.sheets):
            wb.append('<sheet name="%s" sheetId="%d" r:id="rId%d"/>' % (escape(name), i + 1, i + 1))
        wb.append("</sheets></workbook>")

        rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
        rels = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">']
        for i in range(len(self.sheets)):
            rels.append('<Relationship Id="rId%d" Type="%sworksheet" Target="worksheets/sheet%d.xml"/>'
                        % (i + 1, rel, i + 1))
        n = len(self.sheets)
        rels.append('<Relationship Id="rId%d" Type="%sstyles" Target="styles.xml"/>' % (n + 1, rel))
        rels.append('<Relationship Id="rId%d" Type="%ssharedStrings" Target="sharedStrings.xml"/>' % (n + 2, rel))
        rels.append("</Relationships>")

        sst = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
               '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="%d" uniqueCount="%d">'
               % (len(shared), len(shared))]
        sst += ["<si>%s</si>" % x for x in shared]
        sst.append("</sst>")

        styles = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                  '<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
                  '<numFmts count="%d">' % len(self.num_fmts)]
        for k, v in self.num_fmts.items():
            styles.append('<numFmt numFmtId="%d" formatCode="%s"/>' % (k, escape(v, {'"': "&quot;"})))
        styles.append('</numFmts><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
                      '<fills count="2"><fill><patternFill patternType="none"/></fill>'
                      '<fill><patternFill patternType="gray125"/></fill></fills>'
                      '<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
                      '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
                      '<cellXfs count="%d">' % len(self.xfs))
        for f in self.xfs:
            styles.append('<xf numFmtId="%d" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>' % f)
        styles.append("</cellXfs></styleSheet>")

        ct = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
              '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
              '<Default Extension="xml" ContentType="application/xml"/>'
              '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
              '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
              '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>']
        for i in range(len(self.sheets)):
            ct.append('<Override PartName="/xl/worksheets/sheet%d.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>' % (i + 1))
        ct.append("</Types>")

        root_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                     '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                     '<Relationship Id="rId1" Type="%sofficeDocument" Target="xl/workbook.xml"/>'
                     '</Relationships>' % rel)
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
            z.writestr("[Content_Types].xml", "".join(ct))
            z.writestr("_rels/.rels", root_rels)
            z.writestr("xl/workbook.xml", "".join(wb))
            z.writestr("xl/_rels/workbook.xml.rels", "".join(rels))
            z.writestr("xl/styles.xml", "".join(styles))
            z.writestr("xl/sharedStrings.xml", "".join(sst))
            for i, x in enumerate(sheet_xml):
                z.writestr("xl/worksheets/sheet%d.xml" % (i + 1), x)


def titles_row(cells, titles):
    for c, title in enumerate(titles):
        cells[(0, c)] = ("s", title, 0)


def make_xlsx():
    made = {}

    # Every value kind, one per row of column B, with its expected text in column C (the tests
    # read both). Column A names the case.
    x = Xlsx()
    s = x.sheet("值")
    cases = [
        ("shared", ("s", "姓名 张三", 0), "姓名 张三"),
        ("rich", ("rich", ["红色", "粗体", "文字"], 0), "红色粗体文字"),
        ("inline", ("inline", "内联文字", 0), "内联文字"),
        ("spaces", ("s", "  前后空格  ", 0), "  前后空格  "),
        ("only_spaces", ("s", "   ", 0), "   "),
        ("currency", ("n", 12.5, 3), "12.5"),
        ("integer", ("n", 3, 0), "3"),
        ("price", ("n", 19.99, 0), "19.99"),
        ("sum", ("n", 0.1 + 0.2, 0), "0.3"),
        ("negative", ("n", -1234.5678, 0), "-1234.5678"),
        ("true", ("b", True, 0), "TRUE"),
        ("false", ("b", False, 0), "FALSE"),
        ("error_na", ("e", "#N/A", 0), "#N/A"),
        ("error_div", ("fn", ("1/0", "0"), 0), None),  # replaced below
        ("formula_number", ("fn", ("2*21", "42"), 0), "42"),
        ("formula_text", ("fs", ('"合"&"计"', "合计"), 0), "合计"),
        ("date", ("n", 43890, 1), "2020/2/29"),
        ("date_custom", ("n", 43890, 2), "2020/2/29"),
        ("datetime", ("n", 43890.5451388889, 4), "2020/2/29 13:05:00"),
        ("datetime_builtin", ("n", 43890.5451388889, 5), "2020/2/29 13:05:00"),
        ("iso_date", ("d", "2020-02-29T13:05:00", 4), "2020/2/29 13:05:00"),
        ("escaped", ("s", "a&b<c>", 0), "a&b<c>"),
    ]
    cases[13] = ("error_div", ("e", "#DIV/0!", 0), "#DIV/0!")
    for r, (name, cell, expect) in enumerate(cases):
        s[(r, 0)] = ("s", name, 0)
        s[(r, 1)] = cell
        s[(r, 2)] = ("s", expect, 0)
    # Sparse: an empty row and a gap in a row.
    s[(len(cases) + 3, 0)] = ("s", "sparse", 0)
    s[(len(cases) + 3, 5)] = ("n", 7, 0)
    # A character escaped as _xHHHH_ (read back only from the .xlsx: the converter keeps it as is).
    s[(len(cases) + 5, 0)] = ("s", "甲_x0041_乙", 0)
    x.save(os.path.join(OUT, "values.xlsx"))
    made["values"] = True

    # Cells without r attributes follow the previous one.
    x = Xlsx()
    x.omit_refs = True
    s = x.sheet("Sheet1")
    for c in range(3):
        s[(0, c)] = ("n", c + 1, 0)
    x.save(os.path.join(OUT, "no_refs.xlsx"))

    # The second sheet is the active one.
    x = Xlsx()
    titles_row(x.sheet("第一页"), ["错误的表"])
    s = x.sheet("第二页")
    titles_row(s, ["姓名", "金额"])
    s[(1, 0)] = ("s", "李四", 0)
    s[(1, 1)] = ("n", 100, 3)
    x.active = 1
    x.save(os.path.join(OUT, "second_active.xlsx"))

    # The 1904 date system: serial 42428 there is 2020/2/29.
    x = Xlsx()
    x.date1904 = True
    s = x.sheet("Sheet1")
    s[(0, 0)] = ("n", 42428, 1)
    s[(0, 1)] = ("n", 5, 0)
    x.save(os.path.join(OUT, "date1904.xlsx"))

    # Titles in A1 and C1 with B1 blank.
    x = Xlsx()
    s = x.sheet("Sheet1")
    s[(0, 0)] = ("s", "姓名", 0)
    s[(0, 2)] = ("s", "地址", 0)
    s[(1, 0)] = ("s", "王五", 0)
    s[(1, 2)] = ("s", "北京", 0)
    x.save(os.path.join(OUT, "titles_gap.xlsx"))

    # Records down to row 1005.
    x = Xlsx()
    s = x.sheet("Sheet1")
    titles_row(s, ["编号", " 名称 "])
    for r in range(1, 1005):
        s[(r, 0)] = ("n", r + 1, 0)
        s[(r, 1)] = ("s", "   " if r % 2 else "第%d行" % (r + 1), 0)
    x.save(os.path.join(OUT, "rows_past_1000.xlsx"))

    # Row 4's first cell is blank; rows 5 and 6 hold data anyway.
    x = Xlsx()
    s = x.sheet("Sheet1")
    titles_row(s, ["姓名", "部门"])
    for r, name in [(1, "甲"), (2, "乙"), (4, "丁"), (5, "戊")]:
        s[(r, 0)] = ("s", name, 0)
    for r in range(1, 6):
        s[(r, 1)] = ("s", "部门%d" % r, 0)
    s[(3, 0)] = ("s", "  ", 0)
    x.save(os.path.join(OUT, "blank_first.xlsx"))

    # 703 titles: a .. zz, then aaa, which must never be looked at.
    x = Xlsx()
    s = x.sheet("Sheet1")
    for c in range(703):
        s[(0, c)] = ("s", "T%d" % (c + 1), 0)
        s[(1, c)] = ("n", c + 1, 0)
    x.save(os.path.join(OUT, "titles_702.xlsx"))

    # 999 records x 30 columns, for the benchmark.
    x = Xlsx()
    s = x.sheet("Sheet1")
    titles_row(s, ["字段%d" % (c + 1) for c in range(30)])
    for r in range(1, 1000):
        for c in range(30):
            if c % 3 == 0:
                s[(r, c)] = ("s", "文本%d-%d" % (r, c), 0)
            elif c % 3 == 1:
                s[(r, c)] = ("n", r * 1.25 + c, 0)
            else:
                s[(r, c)] = ("n", 40000 + r, 1)
    x.save(os.path.join(OUT, "bench_999x30.xlsx"))

    # A word-processing package renamed .xlsx.
    with zipfile.ZipFile(os.path.join(OUT, "renamed_docx.xlsx"), "w") as z:
        z.writestr("[Content_Types].xml", "<Types/>")
        z.writestr("word/document.xml", "<document/>")


# ---------------------------------------------------------------- compound document writer


def dir_entry(name, kind, child, start, size):
    """One 128-byte directory entry without siblings."""
    raw = name.encode("utf-16-le") + b"\0\0" if name else b""
    e = raw + b"\0" * (64 - len(raw))
    e += struct.pack("<HBB", len(raw), kind, 1)
    e += struct.pack("<III", 0xFFFFFFFF, 0xFFFFFFFF, child)
    e += b"\0" * 36
    e += struct.pack("<IQ", start, size)
    return e


def compound_file(stream_name, data, trim=False):
    """A version 3 compound document holding one stream in its root storage. With `trim` the
    file ends where the stream does, inside its last sector, as some writers leave it."""
    SECT = 512
    real = len(data)
    assert not trim or real >= 4096
    if len(data) < 4096:
        data += b"\0" * (4096 - len(data))  # keeps the stream out of the mini stream
    n = (len(data) + SECT - 1) // SECT
    data += b"\0" * (n * SECT - len(data))
    f = 1
    while f * 128 < f + 1 + n:
        f += 1
    fat = [0xFFFFFFFD] * f + [0xFFFFFFFE]
    for i in range(n):
        fat.append(f + 2 + i if i + 1 < n else 0xFFFFFFFE)
    fat += [0xFFFFFFFF] * (f * 128 - len(fat))
    header = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16
    header += struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
    header += struct.pack("<IIIIIIIII", 0, f, f, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0)
    difat = list(range(f)) + [0xFFFFFFFF] * (109 - f)
    header += struct.pack("<109I", *difat)

    directory = dir_entry("Root Entry", 5, 1, 0xFFFFFFFE, 0)
    directory += dir_entry(stream_name, 2, 0xFFFFFFFF, f + 1, real if trim else len(data))
    directory += dir_entry("", 0, 0xFFFFFFFF, 0, 0) * 2
    out = header + struct.pack("<%dI" % len(fat), *fat) + directory + data
    return out[:len(out) - (len(data) - real)] if trim else out


def compound_file_small(stream_name, data):
    """A compound document whose one stream is smaller than 4096 bytes and so lives in the mini
    stream (64-byte sectors chained through the mini allocation table)."""
    SECT, MINI = 512, 64
    assert len(data) < 4096
    m = (len(data) + MINI - 1) // MINI
    container = data + b"\0" * (m * MINI - len(data))
    r = (len(container) + SECT - 1) // SECT
    container += b"\0" * (r * SECT - len(container))
    # Sectors: 0 FAT, 1 directory, 2 mini FAT, 3.. the mini stream container.
    fat = [0xFFFFFFFD, 0xFFFFFFFE, 0xFFFFFFFE] + [3 + i + 1 if i + 1 < r else 0xFFFFFFFE for i in range(r)]
    fat += [0xFFFFFFFF] * (128 - len(fat))
    minifat = [i + 1 if i + 1 < m else 0xFFFFFFFE for i in range(m)]
    minifat += [0xFFFFFFFF] * (128 - len(minifat))
    header = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16
    header += struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
    header += struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, 2, 1, 0xFFFFFFFE, 0)
    header += struct.pack("<109I", *([0] + [0xFFFFFFFF] * 108))

    directory = dir_entry("Root Entry", 5, 1, 3, m * MINI) + dir_entry(stream_name, 2, 0xFFFFFFFF, 0, len(data))
    directory += dir_entry("", 0, 0xFFFFFFFF, 0, 0) * 2
    return (header + struct.pack("<128I", *fat) + directory + struct.pack("<128I", *minifat)
            + container)


# ---------------------------------------------------------------- BIFF writers


def rec(kind, body):
    return struct.pack("<HH", kind, len(body)) + body


def rk_int(v):
    return (v << 2) | 2


class Biff:
    """Writes the globals and one or more sheets. version 0x0500 (BIFF5) or 0x0600 (BIFF8)."""

    def __init__(self, version, codepage):
        self.version = version
        self.codepage = codepage
        self.sheets = []  # (name, [records])
        self.active = 0
        self.sst = []     # BIFF8 shared strings
        self.formats = {164: 'yyyy"年"m"月"d"日"'}
        self.date1904 = False

    def text8(self, s):  # BIFF5: bytes in the code page
        return s.encode("gbk" if self.codepage == 936 else "cp1252")

    def ustr(self, s, length_bytes=2):  # BIFF8 unicode string
        wide = any(ord(ch) > 255 for ch in s)
        chars = s.encode("utf-16-le") if wide else s.encode("latin-1")
        cch = len(s)
        return (struct.pack("<H" if length_bytes == 2 else "<B", cch) + bytes([1 if wide else 0]) + chars)

    def label(self, row, col, text, xf=15):
        if self.version == 0x0500:
            b = self.text8(text)
            return rec(0x0204, struct.pack("<HHHH", row, col, xf, len(b)) + b)
        self.sst.append(text)
        return rec(0x00FD, struct.pack("<HHHI", row, col, xf, len(self.sst) - 1))

    def build(self):
        bof = lambda dt: rec(0x0809, struct.pack("<HHHH", self.version, dt, 0x0DBB, 1996)
                             + (b"\0" * 8 if self.version == 0x0600 else b""))
        g = [bof(0x0005), rec(0x0042, struct.pack("<H", self.codepage if self.version == 0x0500 else 1200))]
        g.append(rec(0x003D, struct.pack("<HHHHHHHHH", 0, 0, 0x4000, 0x2000, 0x38, self.active, 0, 1, 0x258)))
        g.append(rec(0x0022, struct.pack("<H", 1 if self.date1904 else 0)))
        for idx, code in self.formats.items():
            if self.version == 0x0500:
                b = self.text8(code)
                g.append(rec(0x041E, struct.pack("<HB", idx, len(b)) + b))
            else:
                g.append(rec(0x041E, struct.pack("<H", idx) + self.ustr(code)))
        # 16 XFs: 0..14 style, 15 default cell; then 16 = built-in date 14, 17 = custom 164,
        # 18 = currency 7.
        xf_size = 16 if self.version == 0x0500 else 20
        for ifmt in [0] * 16 + [14, 164, 7]:
            g.append(rec(0x00E0, struct.pack("<HH", 0, ifmt) + b"\0" * (xf_size - 4)))
        # Sheet records first, so that the shared strings are complete.
        bodies = []
        for name, records in self.sheets:
            # DIMENSIONS: other readers drop text cells without it.
            dims = (struct.pack("<IIHHH", 0, 100, 0, 10, 0) if self.version == 0x0600
                    else struct.pack("<HHHHH", 0, 100, 0, 10, 0))
            bodies.append(bof(0x0010) + rec(0x0200, dims) + b"".join(r() if callable(r) else r for r in records) + rec(0x000A, b""))
        bs_index = len(g)
        for name, _ in self.sheets:
            g.append(None)
        if self.version == 0x0600:
            g.append(self.sst_records())  # after the sheet list, where Excel puts it
        g.append(rec(0x000A, b""))

        def boundsheet(pos, name):
            if self.version == 0x0500:
                b = self.text8(name)
                return rec(0x0085, struct.pack("<IBBB", pos, 0, 0, len(b)) + b)
            return rec(0x0085, struct.pack("<IBB", pos, 0, 0) + self.ustr(name, 1))

        size = sum(len(x) for x in g if x is not None)
        size += sum(len(boundsheet(0, n)) for n, _ in self.sheets)
        pos = size
        for i, (name, _) in enumerate(self.sheets):
            g[bs_index + i] = boundsheet(pos, name)
            pos += len(bodies[i])
        return b"".join(g) + b"".join(bodies)

    def sst_records(self):
        """SST with CONTINUE records of at most `limit` bytes; strings are split inside their
        characters, as Excel does, with the option byte repeated at each CONTINUE."""
        limit = 60  # small, so that the fixture crosses many boundaries
        pieces = []
        cur = bytearray(struct.pack("<II", len(self.sst), len(self.sst)))
        for s in self.sst:
            wide = any(ord(ch) > 255 for ch in s)
            unit = 2 if wide else 1
            head = struct.pack("<HB", len(s), 1 if wide else 0)
            if len(cur) + len(head) + unit > limit:
                pieces.append(bytes(cur))
                cur = bytearray()
            cur += head
            chars = s
            while chars:
                room = (limit - len(cur)) // unit
                if room <= 0:
                    pieces.append(bytes(cur))
                    cur = bytearray([1 if wide else 0])
                    continue
                take, chars = chars[:room], chars[room:]
                cur += take.encode("utf-16-le") if wide else take.encode("latin-1")
        pieces.append(bytes(cur))
        out = rec(0x00FC, pieces[0])
        for p in pieces[1:]:
            out += rec(0x003C, p)
        return out


class EarlyBiff:
    """A worksheet file of Excel 2.x, 3.0 or 4.0 (version 2, 3 or 4), or with `workbook` an
    Excel 4.0 workbook holding several such worksheets. Cells are added per sheet as
    (row, col, kind, value): kind 'n' number, 'd' date serial, 's' text, 'b' boolean, 'e' error
    code, 'fn' formula with cached number, 'fs' formula with cached text. Texts are written in
    the file's code page."""

    FORMATS = ["General", "0", "yyyy/m/d"]  # index 2 is the date format

    def __init__(self, version, codepage=936):
        self.version = version
        self.codepage = codepage
        self.sheets = []  # (name, [cells])

    def text(self, s):
        return s.encode("gbk" if self.codepage == 936 else "cp1252")

    def bof(self, kind):
        ids = {2: 0x0009, 3: 0x0209, 4: 0x0409}
        if self.version == 2:
            return rec(0x0009, struct.pack("<HH", 2, kind))
        return rec(ids[self.version], struct.pack("<HHH", 0, kind, 0))

    def head(self, row, col, date=False):
        """Row, column and the cell's format: three attribute bytes in BIFF2, an XF index later
        (XF 0 general, XF 1 date)."""
        if self.version == 2:
            return struct.pack("<HHBBB", row, col, 1 if date else 0, 2 if date else 0, 0)
        return struct.pack("<HHH", row, col, 1 if date else 0)

    def cell(self, row, col, kind, value):
        v2 = self.version == 2
        if kind in ("n", "d"):
            return rec(0x0003 if v2 else 0x0203, self.head(row, col, kind == "d") + struct.pack("<d", value))
        if kind == "s":
            b = self.text(value)
            if v2:
                return rec(0x0004, self.head(row, col) + struct.pack("<B", len(b)) + b)
            return rec(0x0204, self.head(row, col) + struct.pack("<H", len(b)) + b)
        if kind in ("b", "e"):
            return rec(0x0005 if v2 else 0x0205, self.head(row, col) + struct.pack("<BB", value, kind == "e"))
        formula_id = {2: 0x0006, 3: 0x0206, 4: 0x0406}[self.version]
        tokens = b"\x1e" + struct.pack("<H", 42)  # the constant 42; readers use the cached result
        if kind == "fn":
            result = struct.pack("<d", value)
        else:
            result = b"\0" * 6 + b"\xff\xff"
        if v2:
            body = self.head(row, col) + result + struct.pack("<BB", 0, len(tokens)) + tokens
        else:
            body = self.head(row, col) + result + struct.pack("<HH", 0, len(tokens)) + tokens
        out = rec(formula_id, body)
        if kind == "fs":
            b = self.text(value)
            out += rec(0x0007, struct.pack("<B", len(b)) + b) if v2 else rec(0x0207, struct.pack("<H", len(b)) + b)
        return out

    def worksheet(self, cells):
        v = self.version
        out = self.bof(0x0010)
        out += rec(0x0042, struct.pack("<H", self.codepage))
        out += rec(0x0022, struct.pack("<H", 0))
        for code in self.FORMATS:
            b = self.text(code)
            if v == 4:
                out += rec(0x041E, struct.pack("<HB", 0, len(b)) + b)
            else:
                out += rec(0x001E, struct.pack("<B", len(b)) + b)
        # Fonts and XFs: one font; XF 0 general, XF 1 date.
        font = struct.pack("<HH", 200, 0) + (struct.pack("<H", 0x7FFF) if v >= 3 else b"")
        name = b"Arial"
        out += rec(0x0031 if v == 2 else 0x0231, font + struct.pack("<B", len(name)) + name)
        for fmt in (0, 2):
            if v == 2:
                out += rec(0x0043, struct.pack("<BBBB", 0, 0, fmt, 0))
            elif v == 3:
                out += rec(0x0243, struct.pack("<BBBBHHI", 0, fmt, 0x01, 0, 0, 0, 0))
            else:
                out += rec(0x0443, struct.pack("<BBHBBHI", 0, fmt, 0x01, 0, 0, 0, 0))
        rows = max([c[0] for c in cells] + [0]) + 1
        cols = max([c[1] for c in cells] + [0]) + 1
        out += rec(0x0000 if v == 2 else 0x0200, struct.pack("<HHHH", 0, rows, 0, cols) + (b"" if v == 2 else b"\0\0"))
        for row, col, kind, value in cells:
            out += self.cell(row, col, kind, value)
        if v != 2:
            out += rec(0x023E, struct.pack("<HHHI", 0x00B6, 0, 0, 0))
        return out + rec(0x000A, b"")

    def build(self, workbook=False):
        if not workbook:
            assert len(self.sheets) == 1
            return self.worksheet(self.sheets[0][1])
        assert self.version == 4
        g = self.bof(0x0100)
        g += rec(0x0042, struct.pack("<H", self.codepage))
        for name, _ in self.sheets:
            b = self.text(name)
            g += rec(0x0085, struct.pack("<B", len(b)) + b)
        # Each sheet follows its header inside the workbook's own substream, which ends last.
        g += rec(0x008E, struct.pack("<I", len(g) + 8))
        for name, cells in self.sheets:
            body = self.worksheet(cells)
            b = self.text(name)
            g += rec(0x008F, struct.pack("<IB", len(body), len(b)) + b) + body
        return g + rec(0x000A, b"")


def xls_common_cells(b, sheet):
    """The cells both own-made .xls fixtures share, with the texts the tests expect."""
    r = sheet
    r.append(lambda: b.label(0, 0, "姓名"))
    r.append(lambda: b.label(0, 1, "金额"))
    r.append(lambda: b.label(0, 2, "日期"))
    r.append(lambda: b.label(1, 0, "张三丰"))
    r.append(rec(0x0203, struct.pack("<HHHd", 1, 1, 18, 12.5)))           # NUMBER, currency
    r.append(rec(0x027E, struct.pack("<HHHI", 1, 2, 16, rk_int(43890))))   # RK date
    # MULRK: row 2, columns 0..2: 3, 19.99 (as x100 integer), 0.5
    r.append(rec(0x00BD, struct.pack("<HH", 2, 0) + struct.pack("<HI", 15, rk_int(3))
                 + struct.pack("<HI", 15, (1999 << 2) | 3) + struct.pack("<HI", 17, rk_int(43891))
                 + struct.pack("<H", 2)))
    # FORMULA with a string result, then its STRING record.
    r.append(rec(0x0006, struct.pack("<HHH", 3, 0, 15) + b"\0\0\0\0\0\0\xff\xff" + b"\0" * 8))
    if b.version == 0x0500:
        t = b.text8("合计")
        r.append(rec(0x0207, struct.pack("<H", len(t)) + t))
    else:
        r.append(rec(0x0207, b.ustr("合计")))
    # FORMULA with a number result 42.
    r.append(rec(0x0006, struct.pack("<HHHd", 3, 1, 15, 42.0) + b"\0" * 8))
    # BOOLERR: TRUE and #DIV/0!; FORMULA with a boolean FALSE.
    r.append(rec(0x0205, struct.pack("<HHHBB", 4, 0, 15, 1, 0)))
    r.append(rec(0x0205, struct.pack("<HHHBB", 4, 1, 15, 7, 1)))
    r.append(rec(0x0006, struct.pack("<HHH", 4, 2, 15) + b"\x01\0\0\0\0\0\xff\xff" + b"\0" * 8))
    r.append(lambda: b.label(5, 0, "  空格  "))


def make_own_xls():
    # BIFF5 in code page 936.
    b = Biff(0x0500, 936)
    sheet = []
    xls_common_cells(b, sheet)
    b.sheets.append(("数据", sheet))
    stream = b.build()
    with open(os.path.join(OUT, "cp936_biff5.xls"), "wb") as f:
        f.write(compound_file("Book", stream))
    with open(os.path.join(SEEDS, "xls", "biff5_stream"), "wb") as f:
        f.write(stream)

    # BIFF8 with a split shared string table and the second sheet active.
    b = Biff(0x0600, 1200)
    first = [lambda: b.label(0, 0, "不是这一页")]
    sheet = []
    xls_common_cells(b, sheet)
    long_text = "长文本" * 40 + "end"
    sheet.append(lambda: b.label(6, 0, long_text))
    sheet.append(lambda: b.label(6, 1, "latin-1 text: café " * 6))
    b.sheets.append(("第一页", first))
    b.sheets.append(("数据", sheet))
    b.active = 1
    stream = b.build()
    with open(os.path.join(OUT, "own_biff8.xls"), "wb") as f:
        f.write(compound_file("Workbook", stream))
    with open(os.path.join(SEEDS, "xls", "biff8_stream"), "wb") as f:
        f.write(stream)

    # A small workbook whose stream lives in the mini stream.
    b = Biff(0x0600, 1200)
    b.sheets.append(("小", [lambda: b.label(0, 0, "迷你"), rec(0x0203, struct.pack("<HHHd", 0, 1, 15, 2.5))]))
    with open(os.path.join(OUT, "mini_stream.xls"), "wb") as f:
        f.write(compound_file_small("Workbook", b.build()))

    # A password-protected BIFF8 workbook: FILEPASS right after the BOF.
    b = Biff(0x0600, 1200)
    data = b.build()
    bof_len = 4 + struct.unpack("<H", data[2:4])[0]
    data = data[:bof_len] + rec(0x002F, struct.pack("<HHH", 1, 1, 1) + b"\0" * 48) + data[bof_len:]
    with open(os.path.join(OUT, "password.xls"), "wb") as f:
        f.write(compound_file("Workbook", data))

    # An encrypted package (what a password-protected .xlsx really is).
    with open(os.path.join(OUT, "password.xlsx"), "wb") as f:
        f.write(compound_file("EncryptionInfo", b"\x04\0\x04\0" + b"\0" * 100))


def label8(row, col, pieces, xf=15):
    """A BIFF8 LABEL record whose characters are cut into `pieces`: the first stays in the
    record, each further one goes into a CONTINUE record with its own option byte, 8-bit when
    all its characters fit, 16-bit otherwise."""
    def chars(piece):
        wide = any(ord(ch) > 255 for ch in piece)
        return bytes([1 if wide else 0]) + (piece.encode("utf-16-le") if wide else piece.encode("latin-1"))
    text = "".join(pieces)
    out = rec(0x0204, struct.pack("<HHHH", row, col, xf, len(text)) + chars(pieces[0]))
    for piece in pieces[1:]:
        out += rec(0x003C, chars(piece))
    return out


def formula8(row, col, result, xf=15):
    """A BIFF8 FORMULA record with the 8 bytes of its cached result and the formula ="" ."""
    tokens = b"\x17\x00\x00"  # a text constant of no characters
    return rec(0x0006, struct.pack("<HHH", row, col, xf) + result + struct.pack("<HIH", 0, 0, len(tokens)) + tokens)


def string8(text):
    wide = any(ord(ch) > 255 for ch in text)
    return rec(0x0207, struct.pack("<HB", len(text), 1 if wide else 0)
               + (text.encode("utf-16-le") if wide else text.encode("latin-1")))


def make_reader_cases():
    """Workbooks in shapes that other writers produce and that the readers must accept."""
    # The file ends where the workbook stream does, inside the last sector.
    b = Biff(0x0600, 1200)
    cells = [lambda: b.label(0, 0, "姓名"), lambda: b.label(0, 1, "编号")]
    for r in range(1, 300):
        cells.append(lambda r=r: b.label(r, 0, "第%d行" % r))
        cells.append(rec(0x027E, struct.pack("<HHHI", r, 1, 15, rk_int(r))))
    b.sheets.append(("数据", cells))
    stream = b.build()
    assert len(stream) % 512 not in (0, 511)
    with open(os.path.join(OUT, "short_last_sector.xls"), "wb") as f:
        f.write(compound_file("Workbook", stream, trim=True))

    # LABEL records whose characters go on in CONTINUE records, switching between 8-bit and
    # 16-bit characters; one leaves no character in the record itself.
    b = Biff(0x0600, 1200)
    b.sheets.append(("标签", [
        label8(0, 0, ["姓名"]), label8(0, 1, ["备注"]),
        label8(1, 0, ["Zhang ", "三丰", " abc ", "李"]), label8(1, 1, ["x" * 100, "长" * 50]),
        label8(2, 0, ["", "王五"]), label8(2, 1, ["café"]),
    ]))
    with open(os.path.join(OUT, "label_continue.xls"), "wb") as f:
        f.write(compound_file("Workbook", b.build()))

    # Formula results: a type we do not know followed by its STRING record, a result written
    # as the number 0 but followed by a STRING record, a type we do not know with no STRING
    # record, and an empty text that must end the data.
    b = Biff(0x0600, 1200)
    marker = lambda kind: bytes([kind]) + b"\0" * 5 + b"\xff\xff"
    b.sheets.append(("公式", [
        label8(0, 0, ["姓名"]), label8(0, 1, ["备注"]),
        label8(1, 0, ["甲"]), rec(0x0204, struct.pack("<HHHH", 1, 1, 15, 0)),  # no option byte
        formula8(2, 0, marker(5)), string8("乙"),
        formula8(3, 0, b"\0" * 8), string8("丙"), formula8(3, 1, marker(9)),
        formula8(4, 0, b"\0" * 8), string8(""),
        label8(5, 0, ["戊"]),
    ]))
    with open(os.path.join(OUT, "formula_results.xls"), "wb") as f:
        f.write(compound_file("Workbook", b.build()))

    # A shared string table that counts 18 strings and holds 19.
    b = Biff(0x0600, 1200)
    b.sheets.append(("串", [lambda i=i: b.label(i, 0, "字符串%d" % (i + 1)) for i in range(19)]))
    data = bytearray(b.build())
    at = data.find(struct.pack("<H", 0x00FC))
    struct.pack_into("<II", data, at + 4, 18, 18)
    with open(os.path.join(OUT, "sst_undercount.xls"), "wb") as f:
        f.write(compound_file("Workbook", bytes(data)))

    # The active tab of a BIFF8 workbook is a chart sheet: its BOUNDSHEET says so and its
    # substream is a chart's.
    b = Biff(0x0600, 1200)
    b.sheets.append(("数据", [lambda: b.label(0, 0, "姓名"), lambda: b.label(1, 0, "钱七")]))
    b.sheets.append(("图表", []))
    b.active = 1
    data = bytearray(b.build())
    pos, sheets = 0, []
    while pos < len(data):
        kind, size = struct.unpack_from("<HH", data, pos)
        if kind == 0x0085:
            sheets.append(pos)
        pos += 4 + size
    data[sheets[1] + 4 + 5] = 2  # sheet type: chart
    chart_bof = struct.unpack_from("<I", data, sheets[1] + 4)[0]
    struct.pack_into("<H", data, chart_bof + 6, 0x0020)
    with open(os.path.join(OUT, "chart_active.xls"), "wb") as f:
        f.write(compound_file("Workbook", bytes(data)))

    # Excel 2.x, 3.0 and 4.0 worksheets and an Excel 4.0 workbook, in code page 936.
    cells = [(0, 0, "s", "姓名"), (0, 1, "s", "金额"), (0, 2, "s", "日期"), (0, 3, "s", "公式"),
             (0, 4, "s", "文字公式"),
             (1, 0, "s", "张三"), (1, 1, "n", 12.5), (1, 2, "d", 43890), (1, 3, "fn", 42.0),
             (1, 4, "fs", "合计"),
             (2, 0, "s", "李四"), (2, 1, "n", 3), (2, 2, "b", 1), (2, 3, "e", 7)]
    for version in (2, 3, 4):
        e = EarlyBiff(version)
        e.sheets.append(("Sheet1", cells))
        with open(os.path.join(OUT, "excel%d.xls" % version), "wb") as f:
            f.write(e.build())
    e = EarlyBiff(4)
    e.sheets.append(("第一页", cells))
    e.sheets.append(("第二页", [(0, 0, "s", "不是这一页")]))
    with open(os.path.join(OUT, "excel4_book.xls"), "wb") as f:
        f.write(e.build(workbook=True))

    # .xlsx: empty values in numeric cells, one in a formula that ends the data.
    x = Xlsx()
    s = x.sheet("Sheet1")
    titles_row(s, ["姓名", "数量"])
    s[(1, 0)] = ("s", "甲", 0)
    s[(1, 1)] = ("raw", "><v></v>", 0)
    s[(2, 0)] = ("s", "乙", 0)
    s[(2, 1)] = ("raw", "><v/>", 0)
    s[(3, 0)] = ("raw", '><f>IF(TRUE,"")</f><v></v>', 0)
    s[(4, 0)] = ("s", "丁", 0)
    x.save(os.path.join(OUT, "empty_values.xlsx"))

    # .xlsx: 19 shared strings, rich text and phonetic runs among them, counts that disagree
    # with the items, and an index written with white space around it.
    x = Xlsx()
    titles_row(x.sheet("Sheet1"), ["x"])
    x.save(os.path.join(OUT, "sst_19.xlsx"))
    items = []
    for i in range(19):
        if i % 3 == 1:
            items.append('<si><r><rPr><b/></rPr><t>富</t></r><r><t>文本%d</t></r>'
                         '<rPh sb="0" eb="1"><t>フ</t></rPh><phoneticPr fontId="1"/></si>' % (i + 1))
        else:
            items.append("<si><t>串%d</t></si>" % (i + 1))
    sst = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst xmlns="http://schemas.'
           'openxmlformats.org/spreadsheetml/2006/main" count="5" uniqueCount="18">\n  '
           + "\n  ".join(items) + "\n</sst>")
    rows = "".join('<row r="%d"><c r="A%d" t="s"><v>%d</v></c></row>' % (i + 1, i + 1, i)
                   for i in range(18))
    rows += '<row r="19"><c r="A19" t="s"><v>\n    18\n  </v></c></row>'
    replace_part("sst_19.xlsx", "sst_19.tmp", "xl/sharedStrings.xml", sst)
    replace_part("sst_19.tmp", "sst_19.xlsx", "xl/worksheets/sheet1.xml",
                 '<?xml version="1.0"?>\n<worksheet xmlns="http://schemas.openxmlformats.org/'
                 'spreadsheetml/2006/main"><sheetData>' + rows + "</sheetData></worksheet>")
    os.remove(os.path.join(OUT, "sst_19.tmp"))

    # .xlsx: the active tab is a dialog sheet.
    x = Xlsx()
    s = x.sheet("数据")
    titles_row(s, ["姓名"])
    s[(1, 0)] = ("s", "赵六", 0)
    titles_row(x.sheet("对话框"), ["不是工作表"])
    x.active = 1
    x.save(os.path.join(OUT, "dialog_active.tmp"))
    with zipfile.ZipFile(os.path.join(OUT, "dialog_active.tmp")) as zin, \
            zipfile.ZipFile(os.path.join(OUT, "dialog_active.xlsx"), "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.namelist():
            data = zin.read(item)
            if item == "xl/_rels/workbook.xml.rels":
                data = data.replace(b'relationships/worksheet" Target="worksheets/sheet2.xml"',
                                    b'relationships/dialogsheet" Target="dialogsheets/sheet2.xml"')
            if item == "xl/worksheets/sheet2.xml":
                item = "xl/dialogsheets/sheet2.xml"
                data = ('<?xml version="1.0"?>\n<dialogsheet xmlns="http://schemas.openxmlformats.org/'
                        'spreadsheetml/2006/main"><sheetViews><sheetView workbookViewId="0"/>'
                        '</sheetViews></dialogsheet>').encode()
            zout.writestr(item, data)
    os.remove(os.path.join(OUT, "dialog_active.tmp"))


def convert_with_soffice(names):
    soffice = shutil.which("soffice")
    if not soffice:
        sys.exit("soffice not found; run with --no-soffice to skip the converted .xls files")
    with tempfile.TemporaryDirectory() as tmp:
        profile = "file://" + os.path.join(tmp, "profile")
        srcs = [os.path.join(OUT, n + ".xlsx") for n in names]
        subprocess.run([soffice, "-env:UserInstallation=" + profile, "--headless", "--convert-to",
                        "xls:MS Excel 97", "--outdir", OUT] + srcs, check=True,
                       stdout=subprocess.DEVNULL)


def replace_part(src, dst, part, data, compress=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(os.path.join(OUT, src)) as zin, \
            zipfile.ZipFile(os.path.join(OUT, dst), "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.namelist():
            if item != part:
                zout.writestr(item, zin.read(item))
        zout.writestr(zipfile.ZipInfo(part), data, compress_type=compress)


def make_hostile():
    """Workbooks built to hurt a reader: each must fail cleanly or load, quickly."""
    head = '<?xml version="1.0"?>\n'
    ns = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
    laughs = ('<!DOCTYPE worksheet [<!ENTITY a "aaaaaaaaaa">'
              + "".join('<!ENTITY %s "%s">' % (chr(98 + i), ("&%s;" % chr(97 + i)) * 10) for i in range(9))
              + ']>')
    replace_part("values.xlsx", "hostile_entities.xlsx", "xl/worksheets/sheet1.xml",
                 head + laughs + '<worksheet %s><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&j;</t></is></c>'
                 '</row></sheetData></worksheet>' % ns)
    replace_part("values.xlsx", "hostile_deep.xlsx", "xl/worksheets/sheet1.xml",
                 head + '<worksheet %s><sheetData><row r="1"><c r="A1"><v>1</v></c></row>' % ns
                 + "<x>" * 200000 + "</x>" * 200000 + "</sheetData></worksheet>")
    replace_part("values.xlsx", "hostile_rows.xlsx", "xl/worksheets/sheet1.xml",
                 head + '<worksheet %s><sheetData><row r="99999999"><c><v>1</v></c></row>'
                 '</sheetData></worksheet>' % ns)
    replace_part("values.xlsx", "hostile_sst_index.xlsx", "xl/worksheets/sheet1.xml",
                 head + '<worksheet %s><sheetData><row r="1"><c r="A1" t="s"><v>4000000000</v></c></row>'
                 '</sheetData></worksheet>' % ns)
    # 300 MB of zeros deflate to about 300 KB: larger than any part we inflate.
    replace_part("values.xlsx", "zip_bomb.xlsx", "xl/sharedStrings.xml", b"\0" * (300 << 20))
    # A BIFF8 workbook whose shared string table claims four billion strings.
    b = Biff(0x0600, 1200)
    b.sheets.append(("S", [lambda: b.label(0, 0, "x")]))
    data = bytearray(b.build())
    at = data.find(struct.pack("<H", 0x00FC))
    struct.pack_into("<I", data, at + 8, 0xFFFFFFFF)
    with open(os.path.join(OUT, "huge_sst_count.xls"), "wb") as f:
        f.write(compound_file("Workbook", bytes(data)))


def make_chart_active():
    """The active tab is a chart sheet: the workbook opens, its active sheet has no cells."""
    src = os.path.join(OUT, "second_active.xlsx")
    with zipfile.ZipFile(src) as zin, \
            zipfile.ZipFile(os.path.join(OUT, "chart_active.xlsx"), "w", zipfile.ZIP_DEFLATED) as zout:
        for item in zin.namelist():
            data = zin.read(item)
            if item == "xl/worksheets/sheet2.xml":
                data = ('<?xml version="1.0"?>\n<chartsheet xmlns="http://schemas.openxmlformats.org/'
                        'spreadsheetml/2006/main"><sheetViews><sheetView workbookViewId="0"/>'
                        '</sheetViews></chartsheet>').encode()
            zout.writestr(item, data)


def make_large_sheets():
    """Worksheets large enough to be parsed in slices: one with prefixed element names, one whose
    texts hide end-of-row tags in CDATA sections (the slicing must not be fooled)."""
    rows = []
    for r in range(1, 6001):
        rows.append('<x:row r="%d"><x:c r="A%d" t="inlineStr"><x:is><x:t>行%d</x:t></x:is></x:c>'
                    '<x:c r="B%d"><x:v>%d</x:v></x:c></x:row>' % (r, r, r, r, r * 2))
    replace_part("values.xlsx", "prefixed_large.xlsx", "xl/worksheets/sheet1.xml",
                 '<?xml version="1.0"?>\n<x:worksheet xmlns:x="http://schemas.openxmlformats.org/'
                 'spreadsheetml/2006/main"><x:sheetData>' + "".join(rows)
                 + "</x:sheetData></x:worksheet>")
    rows = []
    for r in range(1, 6001):
        rows.append('<row r="%d"><c r="A%d" t="inlineStr"><is><t><![CDATA[a</row>%d]]></t></is></c></row>'
                    % (r, r, r))
    replace_part("values.xlsx", "cdata_large.xlsx", "xl/worksheets/sheet1.xml",
                 '<?xml version="1.0"?>\n<worksheet xmlns="http://schemas.openxmlformats.org/'
                 'spreadsheetml/2006/main"><sheetData>' + "".join(rows) + "</sheetData></worksheet>")


def make_fuzz_seeds():
    """Seeds for the fuzzers: worksheet, shared strings and styles of a few fixtures joined by
    the separator the .xlsx fuzzer splits at, and the small .xls fixtures whole."""
    for name in ["values", "second_active", "date1904", "no_refs"]:
        with zipfile.ZipFile(os.path.join(OUT, name + ".xlsx")) as z:
            names = z.namelist()
            sheet = "xl/worksheets/sheet2.xml" if name == "second_active" else "xl/worksheets/sheet1.xml"
            parts = [z.read(sheet), z.read("xl/sharedStrings.xml"), z.read("xl/styles.xml"),
                     z.read("xl/workbook.xml")]
        with open(os.path.join(SEEDS, "xlsx", name), "wb") as f:
            f.write(b"\n--\n".join(parts))
    for name in ["values.xls", "second_active.xls", "date1904.xls", "label_continue.xls",
                 "formula_results.xls", "excel2.xls", "excel3.xls", "excel4_book.xls"]:
        if os.path.exists(os.path.join(OUT, name)):
            shutil.copy(os.path.join(OUT, name), os.path.join(SEEDS, "xls", name))


def main():
    os.makedirs(OUT, exist_ok=True)
    if "--reader-cases" in sys.argv:  # only the files of make_reader_cases
        make_reader_cases()
        return
    os.makedirs(os.path.join(SEEDS, "xlsx"), exist_ok=True)
    os.makedirs(os.path.join(SEEDS, "xls"), exist_ok=True)
    make_xlsx()
    make_own_xls()
    if "--no-soffice" not in sys.argv:
        convert_with_soffice(["values", "second_active", "date1904", "titles_gap", "rows_past_1000",
                              "blank_first", "bench_999x30"])
    with open(os.path.join(OUT, "not_a_workbook.xlsx"), "wb") as f:
        f.write("这不是工作簿\n".encode("utf-8"))
    open(os.path.join(OUT, "empty.xls"), "wb").close()
    make_hostile()
    make_large_sheets()
    make_chart_active()
    make_reader_cases()
    make_fuzz_seeds()


if __name__ == "__main__":
    main()
