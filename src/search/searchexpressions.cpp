#include "search/searchexpressions.h"

#include "runtime/codepage.h"

namespace jiujiu {

const Text &TotalExpression()
{
    static const Text expression = Utf8ToText("&lt;tr&gt;\n&lt;td&gt;结果总数(.*?)&lt;/td&gt;");
    return expression;
}

const Text &LastPageExpression()
{
    static const Text expression = Utf8ToText("page=(.*?)&amp;mode=list&quot;&gt;尾页");
    return expression;
}

const Text &NameExpression()
{
    // The name runs to the end of its line, less the one space that ends the line.
    static const Text expression = Utf8ToText("&lt;td&gt;(.*?) \n    ");
    return expression;
}

const Text &SizeExpression()
{
    static const Text expression = Utf8ToText(
        "&lt;td width=&#39;70&#39; align=&#39;right&#39;&gt;(.*?)\n    \n    &lt;/td&gt;");
    return expression;
}

const Text &SourcesExpression()
{
    static const Text expression =
        Utf8ToText("&lt;td width=&#39;100&#39; align=&#39;right&#39;&gt;(.*?) \n    &lt;/td&gt;\n"
                   "    &lt;td width=&#39;140&#39; align=&#39;right&#39;&gt;");
    return expression;
}

const Text &LinkExpression()
{
    // "\n*" takes the line feeds after the tag, then ".*" the whole next line: the link is
    // the last one on that line.
    static const Text expression =
        Utf8ToText("&lt;span id=&#39;btns&#39;&gt;\n*.* href=&quot;(.*?)&quot;");
    return expression;
}

std::string_view RowStartMarker()
{
    return "&lt;tr&gt;\n    &lt;td&gt;";
}

} // namespace jiujiu
