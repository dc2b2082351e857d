#include "resultpagegenerator.h"

#include "runtime/codepage.h"

#include <cstdio>
#include <random>
#include <string>

namespace jiujiu {
namespace {

const char *const kWords[] = {
    "星际穿越", "Interstellar", "蓝光", "1080p", "国语中字", "BluRay", "x264", "纪录片", "第01集",
    "AAC", "Tom &amp; Jerry", "高清", "DTS", "合集", "Remux",
    // Characters that test the conversions: beyond the basic plane,
    // full-width, a private-use one GB18030 maps elsewhere, markup
    // in a name, an apostrophe by number.
    "\xF0\x9F\x98\x80", "ＡＢＣ", "\xEE\x9E\x8D", "&amp;lt;td&amp;gt;", "It&amp;#39;s"};
const char *const kUnits[] = {"MB", "GB", "KB"};

std::string Hex(std::mt19937 &random, int digits)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < digits; ++i)
        out += kDigits[random() % 16];
    return out;
}

} // namespace

GeneratedPage GenerateResultPage(const ResultPageShape &shape)
{
    std::mt19937 random(shape.seed);
    GeneratedPage page;
    page.lastPage = shape.lastPage;
    const std::string total = std::to_string(shape.total > 0 ? shape.total : shape.rows);

    std::string html;
    html.reserve(static_cast<std::size_t>(shape.rows) * 900 + 2048);
    html += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\" />\n"
            "<title>网页源代码查看</title>\n</head>\n<body>\n<div class=\"result\"><pre>\n"
            "&lt;html&gt;\n&lt;head&gt;&lt;title&gt;搜索结果&lt;/title&gt;&lt;/head&gt;\n"
            "&lt;body&gt;\n&lt;table class=&quot;info&quot;&gt;\n";
    html += "&lt;tr&gt;\n&lt;td&gt;结果总数" + total + "&lt;/td&gt;\n&lt;/tr&gt;\n&lt;/table&gt;\n";
    html += "&lt;table class=&quot;list&quot;&gt;\n";

    std::vector<GeneratedRow> utf8Rows;
    for (std::int32_t r = 0; r < shape.rows; ++r) {
        GeneratedRow row;
        const int words = 2 + static_cast<int>(random() % 4);
        for (int w = 0; w < words; ++w) {
            if (w > 0)
                row.name += '.';
            row.name += kWords[random() % std::size(kWords)];
        }
        row.name += "." + std::to_string(r + 1) + ".mkv";
        char size[32];
        std::snprintf(size, sizeof size, "%u.%02u %s", static_cast<unsigned>(random() % 1000),
                      static_cast<unsigned>(random() % 100), kUnits[random() % 3]);
        row.size = size;
        row.sources = std::to_string(random() % 5000);
        row.link = "ed2k://|file|" + row.name + "|" + std::to_string(random() % 4000000000U) + "|" +
                   Hex(random, 32) + "|/";

        html += "&lt;tr class=&quot;row&quot;&gt;\n";
        html += "    &lt;td&gt;" + row.name + " \n    &lt;/td&gt;\n";
        html += "    &lt;td width=&#39;70&#39; align=&#39;right&#39;&gt;" + row.size +
                "\n    \n    &lt;/td&gt;\n";
        html += "    &lt;td width=&#39;100&#39; align=&#39;right&#39;&gt;" + row.sources +
                " \n    &lt;/td&gt;\n";
        html += "    &lt;td width=&#39;140&#39; align=&#39;right&#39;&gt;2013-05-06\n"
                "    &lt;/td&gt;\n";
        html += "    &lt;td&gt;&lt;span id=&#39;btns&#39;&gt;\n";
        html += "&lt;a class=&quot;play&quot; href=&quot;/play?id=" + std::to_string(r + 1) +
                "&quot;&gt;在线播放&lt;/a&gt; &lt;a href=&quot;" + row.link +
                "&quot;&gt;下载&lt;/a&gt;&lt;/span&gt;&lt;/td&gt;\n";
        html += "&lt;/tr&gt;\n";
        utf8Rows.push_back(std::move(row));
    }
    html += "&lt;/table&gt;\n";
    if (shape.lastPage > 1) {
        html += "&lt;div class=&quot;pager&quot;&gt;\n"
                "&lt;a href=&quot;/search/x?page=2&amp;mode=list&quot;&gt;下一页&lt;/a&gt;\n"
                "&lt;a href=&quot;/search/x?page=" +
                std::to_string(shape.lastPage) +
                "&amp;mode=list&quot;&gt;尾页&lt;/a&gt;\n&lt;/div&gt;\n";
    }
    html += "&lt;/body&gt;\n&lt;/html&gt;\n</pre></div>\n</body>\n</html>\n";

    page.text = Utf8ToText(html);
    page.html = std::move(html);
    page.total = Utf8ToText(total);
    for (const auto &row : utf8Rows)
        page.rows.push_back({Utf8ToText(row.name), Utf8ToText(row.size), Utf8ToText(row.sources),
                             Utf8ToText(row.link)});
    return page;
}

} // namespace jiujiu
