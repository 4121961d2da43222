#!/usr/bin/env python3
"""Writes the Word test documents (and the sample site's brochure.doc): for each one an OpenDocument source
(NAME.fodt), the text the converter must give for it (NAME.txt, UTF-8, one
line per paragraph, cell or line break; "?" where GBK lacks the character),
and, through LibreOffice, NAME.doc in the "MS Word 97" format.

Run it again only to change the documents: the .doc files are committed.
"""
import os
import subprocess
import sys
from xml.sax.saxutils import escape

HEAD = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:xlink="http://www.w3.org/1999/xlink"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text>
"""
TAIL = "</office:text></office:body></office:document>\n"


def para(*parts):
    return "<text:p>" + "".join(parts) + "</text:p>\n"


def table(rows):
    xml = '<table:table table:name="T1"><table:table-column table:number-columns-repeated="%d"/>\n' % len(rows[0])
    for row in rows:
        xml += "<table:table-row>" + "".join(
            '<table:table-cell office:value-type="string">%s</table:table-cell>' % para(escape(cell)) for cell in row
        ) + "</table:table-row>\n"
    return xml + "</table:table>\n"


def chinese():
    long_text = "".join("长段落第%d句，汉字与数字交替出现。" % i for i in range(1, 301))
    body = (
        para(escape("第一段：这是一个中文段落，用于测试文档转换。"))
        + para(escape("第二段有 English words、数字 2026 和符号 € ©。"))
        + para(escape("换行之前"), "<text:line-break/>", escape("换行之后"))
        + table([["甲", "乙"], ["丙", "丁"]])
        + para(escape("链接："), '<text:a xlink:type="simple" xlink:href="http://example.com/">',
               escape("示例网站"), "</text:a>", escape("。"))
        + para(escape(long_text))
        + para(escape("最后一段。"))
    )
    lines = [
        "第一段：这是一个中文段落，用于测试文档转换。",
        "第二段有 English words、数字 2026 和符号 € ?。",
        "换行之前",
        "换行之后",
        # A cell mark ends each cell's line; the row's own mark ends an empty one.
        "甲", "乙", "",
        "丙", "丁", "",
        "链接：示例网站。",
        long_text,
        "最后一段。",
    ]
    return body, lines


def english():
    body = para("Plain Latin text: caf&#233;, na&#239;ve, &#8220;quoted&#8221;.") + para("Second paragraph.")
    lines = ["Plain Latin text: café, na?ve, “quoted”.", "Second paragraph."]
    return body, lines


def brochure():
    body = (
        para("Jade Garden Tea Co. - spring list")
        + para(escape("欢迎光临翠园茶庄。我们的新茶已经到货。"))
        + table([["龙井", "48"], ["普洱", "66"]])
        + para(escape("详情请"), '<text:a xlink:type="simple" xlink:href="http://example.com/tea">',
               escape("访问我们的网站"), "</text:a>", escape("。"))
    )
    lines = ["Jade Garden Tea Co. - spring list", "欢迎光临翠园茶庄。我们的新茶已经到货。",
             "龙井", "48", "", "普洱", "66", "", "详情请访问我们的网站。"]
    return body, lines


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    samples = os.path.join(here, "..", "..", "examples", "samples")
    for name, make, where in (("chinese", chinese, here), ("english", english, here), ("brochure", brochure, samples)):
        body, lines = make()
        source = os.path.join(here, name + ".fodt")
        with open(source, "w", encoding="utf-8") as f:
            f.write(HEAD + body + TAIL)
        with open(os.path.join(here, name + ".txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        subprocess.run(["soffice", "--headless", "--convert-to", 'doc:MS Word 97', "--outdir", where, source],
                       check=True, stdout=sys.stderr)


main()
