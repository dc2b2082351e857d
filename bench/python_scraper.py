#!/usr/bin/env python3
"""The same search as jiujiu-cli, in plain Python (urllib + re), as a yardstick for its speed.

    python_scraper.py KEYWORD

Reads JIUJIU_VIEWER_HOST and JIUJIU_SEARCH_HOST like the program, posts the same form for each
result page, runs the same six expressions and prints the rows as jiujiu-cli does (five
tab-separated cells with tab, CR, LF and backslash escaped), the announcement to standard error.
"""
import os
import re
import sys
import urllib.request

FLAGS = re.IGNORECASE | re.MULTILINE
TOTAL = re.compile("&lt;tr&gt;\n&lt;td&gt;结果总数(.*?)&lt;/td&gt;", FLAGS)
LAST_PAGE = re.compile("page=(.*?)&amp;mode=list&quot;&gt;尾页", FLAGS)
NAME = re.compile("&lt;td&gt;(.*?) \n    ", FLAGS)
SIZE = re.compile(
    "&lt;td width=&#39;70&#39; align=&#39;right&#39;&gt;(.*?)\n    \n    &lt;/td&gt;", FLAGS)
SOURCES = re.compile(
    "&lt;td width=&#39;100&#39; align=&#39;right&#39;&gt;(.*?) \n    &lt;/td&gt;\n"
    "    &lt;td width=&#39;140&#39; align=&#39;right&#39;&gt;", FLAGS)
LINK = re.compile("&lt;span id=&#39;btns&#39;&gt;\n*.* href=&quot;(.*?)&quot;", FLAGS)


def fetch(viewer, search_host, keyword, page):
    encoded = "".join("%%%02X" % b for b in keyword.encode("utf-8"))
    body = ("q=%s%%2F%%2Fsearch%%2F%s%%3Fpage%%3D%d%%26mode%%3Dlist&searchMode=1"
            % (search_host, encoded, page)).encode("ascii")
    request = urllib.request.Request("http://%s/Tools/PageCode.aspx" % viewer, data=body)
    try:
        with urllib.request.urlopen(request, timeout=30) as answer:
            raw = answer.read()
    except OSError:
        return ""
    return raw.decode("utf-8", errors="replace")


def to_integer(text):
    match = re.match(r"\s*([+-]?)(\d*)", text)
    digits = match.group(2)
    if not digits:
        return 0
    return -int(digits) if match.group(1) == "-" else int(digits)


def escape(cell):
    return (cell.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r")
            .replace("\n", "\\n"))


def main():
    if len(sys.argv) != 2 or not sys.argv[1]:
        print("usage: python_scraper.py KEYWORD", file=sys.stderr)
        return 2
    keyword = sys.argv[1]
    viewer = os.environ.get("JIUJIU_VIEWER_HOST", "pagecode.example")
    search_host = os.environ.get("JIUJIU_SEARCH_HOST", "ed2k-search.example")

    first = fetch(viewer, search_host, keyword, 1)
    totals = TOTAL.findall(first)
    if not totals:
        print("温馨提示: 我和小伙伴们都惊呆了，你的关键字也太冷门了！", file=sys.stderr)
        return 1
    print("为您找到[%s]枚资源！双击复制、下载！" % totals[-1], file=sys.stderr)
    last_pages = LAST_PAGE.findall(first)
    pages = to_integer(last_pages[-1]) if last_pages else 0
    pages = pages or 1

    out = sys.stdout
    serial = 0
    for page in range(1, pages + 1):
        answer = fetch(viewer, search_host, keyword, page)
        names = NAME.findall(answer)
        if not names:
            continue
        columns = [names] + [e.findall(answer) for e in (SIZE, SOURCES, LINK)]
        for j in range(len(names)):
            serial += 1
            cells = [str(serial)] + [c[j] if j < len(c) else "" for c in columns]
            out.write("\t".join(escape(c) for c in cells) + "\n")
        out.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
