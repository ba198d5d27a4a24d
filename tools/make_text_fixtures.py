#!/usr/bin/env python3
"""Makes the text data files the readers must refuse or read with care, under
tests/data/sheet/text/: a CSV whose quote is never closed, bytes that are no text under a .csv
name, web pages whose declared charset the bytes contradict, and a page whose first tables sit
in a script, a template, a style, a text area and a comment before the real one.

Run from anywhere: python3 tools/make_text_fixtures.py
"""
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "sheet", "text")

PAY_TABLE = "<table><tr><td>姓名</td><td>部门</td></tr><tr><td>张三</td><td>财务部</td></tr></table>"
# The same in traditional characters, which Big5 holds.
PAY_TABLE_BIG5 = "<table><tr><td>姓名</td><td>部門</td></tr><tr><td>張三</td><td>財務部</td></tr></table>"


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def page(charset, body):
    return ("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=%s\">"
            "</head><body>%s</body></html>" % (charset, body))


def main():
    os.makedirs(OUT, exist_ok=True)
    # The quote opened on line 4 (a quoted field with a line break comes before it) never closes.
    write("unclosed_quote.csv", "姓名,部门,备注\r\n张三,财务部,\"第一行\r\n第二行\"\r\n"
                                "李四,\"人事部,备注\r\n王五,销售部,无\r\n".encode("utf-8"))
    write("not_text.csv", b"\xff" * 100 * 1024)
    # Says gb2312, holds UTF-8; says utf-16, holds GBK; says big5 and holds it.
    write("says_gb2312_holds_utf8.xls", page("gb2312", PAY_TABLE).encode("utf-8"))
    write("says_utf16_holds_gbk.xls", page("utf-16", PAY_TABLE).encode("gbk"))
    write("says_big5_holds_big5.xls", page("big5", PAY_TABLE_BIG5).encode("big5"))
    decoys = ("<script>var t = '<table><tr><td>脚本</td></tr></table>';</script>"
              "<template><table><tr><td>模板</td></tr></table><template></template></template>"
              "<style>/* <table><tr><td>样式</td></tr></table> */</style>"
              "<textarea><table><tr><td>文本框</td></tr></table></textarea>"
              "<!-- <table><tr><td>注释</td></tr></table> --><!-->"
              "<SCRIPT type=\"text/javascript\">document.write('</scriptx><table>')</SCRIPT >")
    write("hidden_tables.xls", page("utf-8", decoys + PAY_TABLE).encode("utf-8"))


if __name__ == "__main__":
    main()
