#include "search/searchtexts.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"

#include <string>

namespace jiujiu {
namespace {

constexpr std::size_t kNamedPages = 5;

Text Number(std::int64_t n)
{
    return ToText(Value(n));
}

} // namespace

const Text &SearchMessageTitle()
{
    static const Text text = Utf8ToText("温馨提示");
    return text;
}

const Text &EmptyKeywordMessage()
{
    static const Text text = Utf8ToText("请输入需搜索的关键字！");
    return text;
}

const Text &NoResultsMessage()
{
    static const Text text = Utf8ToText("我和小伙伴们都惊呆了，你的关键字也太冷门了！");
    return text;
}

Text TotalAnnouncement(const Text &total)
{
    static const Text before = Utf8ToText("为您找到[");
    static const Text after = Utf8ToText("]枚资源！双击复制、下载！");
    return Concatenate({before, total, after});
}

Text ProgressText(std::int32_t page, std::int32_t pages, std::int64_t rows)
{
    static const Text reading = Utf8ToText("正在读取第 ");
    static const Text listed = Utf8ToText(" 页 · 已列出 ");
    static const Text unit = Utf8ToText(" 条");
    return Concatenate({reading, Number(page), "/", Number(pages), listed, Number(rows), unit});
}

Text IncompleteAnnouncement(
    const Text &total, std::int64_t rows, const std::vector<std::int32_t> &failedPages,
    std::int32_t pagesNotRead,
    const std::vector<std::pair<std::int32_t, std::int64_t>> &unreadableRows)
{
    // The count first: where the line is too short for all of it, the page numbers give way.
    static const Text found = Utf8ToText("为您找到[");
    static const Text listed = Utf8ToText("]枚资源，只列出了 ");
    static const Text pagesStart = Utf8ToText(" 枚：");
    static const Text page = Utf8ToText("第 ");
    static const Text separator = Utf8ToText("、");
    static const Text comma = Utf8ToText("，");
    static const Text more = Utf8ToText(" 等 ");
    static const Text unread = Utf8ToText(" 页没能读出来");
    static const Text rowsStart = Utf8ToText(" 页有 ");
    static const Text rowsEnd = Utf8ToText(" 行读不出来");
    static const Text laterStart = Utf8ToText("，后面 ");
    static const Text laterEnd = Utf8ToText(" 页也没再读");
    static const Text end = Utf8ToText("！双击复制、下载！");
    Text what;
    if (!failedPages.empty()) {
        what = page;
        for (std::size_t i = 0; i < failedPages.size() && i < kNamedPages; ++i) {
            if (i > 0)
                what += separator;
            what += Number(failedPages[i]);
        }
        if (failedPages.size() > kNamedPages)
            what += more + Number(static_cast<std::int64_t>(failedPages.size()));
        what += unread;
    }
    for (std::size_t i = 0; i < unreadableRows.size() && i < kNamedPages; ++i) {
        if (!what.empty())
            what += comma;
        what += Concatenate({page, Number(unreadableRows[i].first), rowsStart,
                             Number(unreadableRows[i].second), rowsEnd});
    }
    const Text later =
        pagesNotRead > 0 ? Concatenate({laterStart, Number(pagesNotRead), laterEnd}) : Text();
    return Concatenate({found, total, listed, Number(rows), pagesStart, what, later, end});
}

Text RowLimitAnnouncement(const Text &total, std::int64_t limit)
{
    static const Text found = Utf8ToText("为您找到[");
    static const Text over = Utf8ToText("]枚资源，结果超过 ");
    static const Text first = Utf8ToText(" 条，只列出了前 ");
    static const Text end = Utf8ToText(" 条！双击复制、下载！");
    return Concatenate({found, total, over, Number(limit), first, Number(limit), end});
}

Text StoppedAnnouncement(const Text *total, std::int64_t rows)
{
    static const Text stopped = Utf8ToText("搜索已停止！");
    static const Text found = Utf8ToText("搜索已停止，为您找到[");
    static const Text listed = Utf8ToText("]枚资源，已列出 ");
    static const Text end = Utf8ToText(" 枚！双击复制、下载！");
    if (!total)
        return stopped;
    return Concatenate({found, *total, listed, Number(rows), end});
}

Text ServiceSwitchLine(const std::string &from, const std::string &to)
{
    return Utf8ToText("查看服务 " + from + " 连不上，改用 " + to);
}

Text UnreachableMessage(const std::string &reason)
{
    static const Text text = Utf8ToText("呜呜，连不上搜索服务，请检查网络后再试一次！\r\n原因：");
    // The reason is UTF-8 (libcurl's text or our own); anything else is made safe first.
    return text + Utf8ToText(reason);
}

Text AnswerTooLargeMessage(const std::string &reason)
{
    static const Text text = Utf8ToText("呜呜，搜索服务的答案太大，没能读出来！\r\n原因：");
    return text + Utf8ToText(reason);
}

Text UnreadableAnswerMessage(const std::string &reason)
{
    static const Text text = Utf8ToText("呜呜，搜索服务的答案读不出来！\r\n原因：");
    return text + Utf8ToText(reason);
}

std::string TooLargeReason(std::size_t cap)
{
    constexpr std::size_t kMegabyte = 1024 * 1024;
    if (cap >= kMegabyte && cap % kMegabyte == 0)
        return "答案超过 " + std::to_string(cap / kMegabyte) + " MB";
    return "答案超过 " + std::to_string(cap) + " 字节";
}

} // namespace jiujiu
