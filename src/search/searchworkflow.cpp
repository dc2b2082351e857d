#include "search/searchworkflow.h"

#include "net/httprequest.h"
#include "net/urlencoding.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"
#include "runtime/uiservices.h"
#include "search/htmlreferences.h"
#include "search/regexobject.h"
#include "search/searchexpressions.h"
#include "search/searchwindow.h"

#include <vector>

namespace jiujiu {
namespace {

const Text &MessageTitle()
{
    static const Text title = Utf8ToText("温馨提示");
    return title;
}

// Re-enables searching however the search ends.
class RunningGuard
{
public:
    RunningGuard(bool &running, SearchWindow &window) : m_running(running), m_window(window)
    {
        m_running = true;
        m_window.setSearchEnabled(false);
    }
    ~RunningGuard()
    {
        m_running = false;
        m_window.setSearchEnabled(true);
    }

private:
    bool &m_running;
    SearchWindow &m_window;
};

} // namespace

Text ViewerServiceAddress()
{
    return "http://" + HostSetting(Host::Viewer) + "/Tools/PageCode.aspx";
}

Text SearchRequestBody(const Text &keyword, std::int32_t page)
{
    return Concatenate({"q=", HostSetting(Host::Search), "%2F%2Fsearch%2F",
                        UrlEncode(keyword, Value(1)), "%3Fpage%3D", ToText(Value(page)),
                        "%26mode%3Dlist&searchMode=1"});
}

SearchWorkflow::SearchWorkflow(SearchWindow &window, RegexObject &regex)
    : m_window(window), m_regex(regex)
{}

SearchOutcome SearchWorkflow::StartSearch()
{
    if (m_running)
        return SearchOutcome::Busy;
    if (m_window.keyword().empty()) {
        static const Text message = Utf8ToText("请输入需搜索的关键字！");
        ShowMessageBox(Value(message), Value(0), Value(MessageTitle()));
        return SearchOutcome::EmptyKeyword;
    }
    m_window.setCurrentPage(1);
    return RunSearch();
}

void SearchWorkflow::OnKeywordKeyPressed(int keyCode, int)
{
    if (keyCode == 13)
        StartSearch();
}

Text SearchWorkflow::fetchPage(std::int32_t page)
{
    const Text body = SearchRequestBody(m_window.keyword(), page);
    const ByteSet answer =
        HttpRequest(Value(ViewerServiceAddress()), Value("post"), {}, {}, Value(body));
    return Utf8ToAnsi(ToText(Value(answer)));
}

SearchOutcome SearchWorkflow::RunSearch()
{
    if (m_running)
        return SearchOutcome::Busy;
    RunningGuard guard(m_running, m_window);

    m_window.deleteAllRows();
    const Text first = fetchPage(1);
    ProcessPendingEvents();

    m_regex.Create(TotalExpression());
    const std::int32_t totals = m_regex.Execute(first);
    if (totals < 1) {
        static const Text message = Utf8ToText("我和小伙伴们都惊呆了，你的关键字也太冷门了！");
        ShowMessageBox(Value(message), Value(0), Value(MessageTitle()));
        return SearchOutcome::NoResults;
    }
    static const Text before = Utf8ToText("为您找到[");
    static const Text after = Utf8ToText("]枚资源！双击复制、下载！");
    m_window.setAnnouncement(Concatenate({before, m_regex.GetSubMatchText(totals, 1), after}));

    m_regex.Create(LastPageExpression());
    std::int32_t lastPages = m_regex.Execute(first);
    if (lastPages == 0)
        lastPages = 1;
    std::int32_t pages = 0;
    for (std::int32_t i = 1; i <= lastPages; ++i)
        pages = ToInteger(Value(m_regex.GetSubMatchText(i, 1)));
    if (pages == 0)
        pages = 1;

    // Each column expression runs once per page; row j takes its j-th match, which gives the
    // same cells as running it again for every row.
    const Text columnExpressions[] = {SizeExpression(), SourcesExpression(), LinkExpression()};
    std::int32_t serial = 0;
    for (std::int32_t page = 1; page <= pages; ++page) {
        const Text answer = fetchPage(page);

        m_regex.Create(NameExpression());
        const std::int32_t rows = m_regex.Execute(answer);
        if (rows <= 0)
            continue;
        std::vector<std::vector<Text>> cells(4, std::vector<Text>(static_cast<std::size_t>(rows)));
        for (std::int32_t j = 1; j <= rows; ++j)
            cells[0][static_cast<std::size_t>(j - 1)] = m_regex.GetSubMatchText(j, 1);
        for (std::size_t c = 0; c < 3; ++c) {
            m_regex.Create(columnExpressions[c]);
            m_regex.Execute(answer);
            for (std::int32_t j = 1; j <= rows; ++j)
                cells[c + 1][static_cast<std::size_t>(j - 1)] = m_regex.GetSubMatchText(j, 1);
        }
        for (std::int32_t j = 0; j < rows; ++j) {
            ++serial;
            const int row = m_window.appendRow(ToText(Value(serial)));
            for (int c = 0; c < 4; ++c)
                // Captures carry the viewer's escaping over the page's own: both decoded, so
                // names and links read as the site means them ("Tom & Jerry").
                m_window.setCell(
                    row, NameColumn + c,
                    DecodeCapturedText(
                        cells[static_cast<std::size_t>(c)][static_cast<std::size_t>(j)]));
        }
    }
    return SearchOutcome::Listed;
}

} // namespace jiujiu
