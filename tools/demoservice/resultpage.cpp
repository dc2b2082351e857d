#include "resultpage.h"

namespace jiujiu::demo {

std::string EscapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        case '&':
            out += "&amp;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string SearchResultPage(std::string_view keyword, const std::vector<const Resource *> &rows,
                             long long total, int page, int lastPage)
{
    const std::string key(keyword);
    std::string s;
    s += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset='utf-8'>\n<title>" + key +
         " - ed2k search</title>\n</head>\n<body>\n";
    s += "<table class='summary'>\n";
    if (total >= 0)
        s += "<tr>\n<td>结果总数" + std::to_string(total) + "</td>\n</tr>\n";
    s += "</table>\n<table class='list'>\n";
    for (const Resource *r : rows) {
        // Names and links are HTML like the rest of the page ("&" is "&amp;"); the viewer then
        // escapes that once more.
        s += "<tr>\n    <td>" + EscapeHtml(r->name) + " \n    </td>\n";
        s += "    <td width='70' align='right'>" + r->size + "\n    \n    </td>\n";
        s += "    <td width='100' align='right'>" + r->sources + " \n    </td>\n";
        s += "    <td width='140' align='right'>\n    <span id='btns'>\n";
        s += "    <a class='dl' target='_blank' href=\"" + EscapeHtml(r->link) +
             "\">下载</a></span>\n";
        s += "    </td>\n</tr>\n";
    }
    s += "</table>\n<div class='pages'>\n";
    // One link a line, so a capture never runs from one link into the next.
    for (int p = 1; p <= lastPage; ++p) {
        if (p == page)
            s += "<b>" + std::to_string(p) + "</b>\n";
        else
            s += "<a href=\"/search/" + key + "?page=" + std::to_string(p) + "&mode=list\">" +
                 std::to_string(p) + "</a>\n";
    }
    if (lastPage > 0)
        s += "<a href=\"/search/" + key + "?page=" + std::to_string(lastPage) +
             "&mode=list\">尾页</a>\n";
    s += "</div>\n</body>\n</html>\n";
    return s;
}

std::string ViewerPage(std::string_view url, std::string_view source)
{
    std::string s;
    s.reserve(source.size() * 5 / 4 + 1024);
    s += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>网页源代码查看器</title>\n</head>\n<body>\n"
         "<div class=\"bar\">查看 " +
         EscapeHtml(url) + " 的源代码</div>\n<pre class=\"code\">";
    s += EscapeHtml(source);
    s += "</pre>\n</body>\n</html>\n";
    return s;
}

} // namespace jiujiu::demo
