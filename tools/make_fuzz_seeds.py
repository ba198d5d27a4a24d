#!/usr/bin/env python3
"""Makes small seeds for the reader fuzzers in the shapes the reader bench blows up to megabytes
(bench/reader_bench.cpp), so that mutations start from them: quotes never closed, doubled quotes,
runs of '&', tables hidden in scripts and comments, tables nested deep, pages whose charset lies;
many shared strings, sheets and relationships; many FORMAT/XF records, a string table cut into
CONTINUE records, many number records.

Run from anywhere: python3 tools/make_fuzz_seeds.py
"""
import os
import struct

CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fuzz", "corpus")


def write(kind, name, data):
    with open(os.path.join(CORPUS, kind, name), "wb") as f:
        f.write(data)


# text_table_fuzzer: an odd first byte loads the rest as a .csv, an even one as an .xls.
def text_seeds():
    csv, xls = b"\x01", b"\x00"
    write("text", "csv_unclosed_quote", csv + '姓名,部门\r\n"张三\r\n财务部,1\n'.encode())
    write("text", "csv_doubled_quotes", csv + b'a,b\n"' + b'""' * 40 + b'",x\n')
    write("text", "not_text", csv + b"\xff\xfe\x80" * 20)
    write("text", "html_entity_run",
          xls + b"<table><tr><td>" + b"&" * 200 + b"&amp;&#x5F20;&#19977;&nbsp;</td></tr></table>")
    write("text", "html_hidden_tables",
          xls + "<script>'<table><tr><td>脚本</td></tr></table>'</script><template><table></table>"
                "</template><!-- <table> --><textarea><table></textarea><style><table></style>"
                "<table><tr><td>姓名</td></tr><tr><td>张三</td></tr></table>".encode())
    write("text", "html_nested_tables", xls + b"<table><tr><td>a</td></tr>" + b"<tr><td><table>" * 60)
    write("text", "html_lying_charset",
          xls + '<meta charset="utf-16"><table><tr><td>姓名</td></tr></table>'.encode("gbk"))


# xlsx_reader_fuzzer: the parts split at "\n--\n": sheet, shared strings, styles, workbook.
def xlsx_seeds():
    sheet = b'<worksheet><sheetData><row><c t="s"><v>39</v></c><c><v>1</v></c></row></sheetData></worksheet>'
    strings = b"<sst>" + b"<si><t>s</t></si>" * 40 + b"</sst>"
    write("xlsx", "many_strings", sheet + b"\n--\n" + strings + b"\n--\n\n--\n")
    workbook = (b'<workbook xmlns:r="r"><sheets>'
                + b"".join(b'<sheet name="S%d" r:id="rId%d"/>' % (i, i % 4) for i in range(40))
                + b"</sheets></workbook>")
    write("xlsx", "many_sheets", sheet + b"\n--\n" + strings + b"\n--\n\n--\n" + workbook)
    cells = b"<worksheet><sheetData>" + b"<row>" + b"<c><v>1</v></c>" * 50 + b"</row>" * 3 + b"</sheetData></worksheet>"
    write("xlsx", "tiny_cells", cells)


def rec(kind, body):
    return struct.pack("<HH", kind, len(body)) + body


def biff(globals_body, cells):
    bof = lambda kind: rec(0x0809, struct.pack("<HH", 0x0600, kind) + b"\0" * 12)
    head = bof(0x0005) + globals_body
    sheet_at = len(head) + 4 + 9 + 4
    head += rec(0x0085, struct.pack("<I", sheet_at) + b"\0\0\x01\x00S") + rec(0x000A, b"")
    return head + bof(0x0010) + cells + rec(0x000A, b"")


# xls_reader_fuzzer: bare BIFF8 workbook streams.
def xls_seeds():
    formats = b"".join(rec(0x041E, struct.pack("<HH", 200 + i, 3) + b"\x000.0") +
                       rec(0x00E0, struct.pack("<HH", 0, 200 + i)) for i in range(30))
    number = rec(0x0203, struct.pack("<HHHd", 0, 0, 20, 1.5))
    write("xls", "many_formats", biff(formats, number))
    pieces = rec(0x00FC, struct.pack("<II", 60, 60) + b"\x01\x00\x00a")
    pieces += b"".join(rec(0x003C, b"\x01\x00\x00a") for _ in range(59))
    write("xls", "string_table_in_pieces", biff(pieces, rec(0x00FD, struct.pack("<HHHI", 0, 0, 0, 59))))
    numbers = b"".join(rec(0x0203, struct.pack("<HHHd", i // 10, i % 10, 0, i)) for i in range(100))
    write("xls", "many_numbers", biff(b"", numbers))


if __name__ == "__main__":
    text_seeds()
    xlsx_seeds()
    xls_seeds()
