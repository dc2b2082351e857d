#include "search/searchtexts.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/coretext.h"

#include <map>
#include <mutex>
#include <string>

namespace jiujiu {
namespace {

constexpr std::size_t kNamedPages = 5;

Text Number(std::int64_t n)
{
    return ToText(Value(n));
}

// A marked text as a program text.
const Text &Fixed(const char *marked)
{
    // Keyed by the literal's address: each marked literal is converted once.
    static std::mutex mutex;
    static std::map<const char *, Text> converted;
    const std::scoped_lock lock(mutex);
    auto found = converted.find(marked);
    if (found == converted.end())
        found = converted.emplace(marked, Utf8ToText(CoreText(marked))).first;
    return found->second;
}

// A marked template with its slots filled by program texts.
Text Compose(const char *marked, std::initializer_list<std::string_view> arguments)
{
    return FillSlots(Fixed(marked), arguments);
}

} // namespace

const Text &SearchMessageTitle()
{
    return Fixed(JIUJIU_TEXT("jiujiu", "温馨提示"));
}

const Text &EmptyKeywordMessage()
{
    return Fixed(JIUJIU_TEXT("jiujiu", "请输入需搜索的关键字！"));
}

const Text &NoResultsMessage()
{
    return Fixed(JIUJIU_TEXT("jiujiu", "我和小伙伴们都惊呆了，你的关键字也太冷门了！"));
}

Text TotalAnnouncement(const Text &total)
{
    return Compose(JIUJIU_TEXT("jiujiu", "为您找到[%1]枚资源！双击复制、下载！"), {total});
}

Text ProgressText(std::int32_t page, std::int32_t pages, std::int64_t rows)
{
    return Compose(JIUJIU_TEXT("jiujiu", "正在读取第 %1/%2 页 · 已列出 %3 条"),
                   {Number(page), Number(pages), Number(rows)});
}

Text IncompleteAnnouncement(
    const Text &total, std::int64_t rows, const std::vector<std::int32_t> &failedPages,
    std::int32_t pagesNotRead,
    const std::vector<std::pair<std::int32_t, std::int64_t>> &unreadableRows)
{
    // The count first: where the line is too short for all of it, the page numbers give way.
    // Each part takes the ones before it as its first slot, so the window can take the whole
    // apart again.
    Text what;
    if (!failedPages.empty()) {
        Text numbers;
        for (std::size_t i = 0; i < failedPages.size() && i < kNamedPages; ++i) {
            if (i > 0)
                numbers += Fixed(JIUJIU_TEXT("jiujiu", "、"));
            numbers += Number(failedPages[i]);
        }
        what = failedPages.size() > kNamedPages
                   ? Compose(JIUJIU_TEXT("jiujiu", "第 %1 等 %2 页没能读出来"),
                             {numbers, Number(static_cast<std::int64_t>(failedPages.size()))})
                   : Compose(JIUJIU_TEXT("jiujiu", "第 %1 页没能读出来"), {numbers});
    }
    for (std::size_t i = 0; i < unreadableRows.size() && i < kNamedPages; ++i) {
        const Text page = Number(unreadableRows[i].first);
        const Text count = Number(unreadableRows[i].second);
        what = what.empty()
                   ? Compose(JIUJIU_TEXT("jiujiu", "第 %1 页有 %2 行读不出来"), {page, count})
                   : Compose(JIUJIU_TEXT("jiujiu", "%1，第 %2 页有 %3 行读不出来"),
                             {what, page, count});
    }
    if (pagesNotRead > 0)
        what =
            Compose(JIUJIU_TEXT("jiujiu", "%1，后面 %2 页也没再读"), {what, Number(pagesNotRead)});
    return Compose(
        JIUJIU_TEXT("jiujiu", "为您找到[%1]枚资源，只列出了 %2 枚：%3！双击复制、下载！"),
        {total, Number(rows), what});
}

Text RowLimitAnnouncement(const Text &total, std::int64_t limit)
{
    return Compose(
        JIUJIU_TEXT("jiujiu",
                    "为您找到[%1]枚资源，结果超过 %2 条，只列出了前 %2 条！双击复制、下载！"),
        {total, Number(limit)});
}

Text StoppedAnnouncement(const Text *total, std::int64_t rows)
{
    if (!total)
        return Fixed(JIUJIU_TEXT("jiujiu", "搜索已停止！"));
    return Compose(
        JIUJIU_TEXT("jiujiu", "搜索已停止，为您找到[%1]枚资源，已列出 %2 枚！双击复制、下载！"),
        {*total, Number(rows)});
}

Text SearchingAnnouncement(const Text &keyword)
{
    return Compose(JIUJIU_TEXT("jiujiu", "正在搜索“%1”…"), {keyword});
}

std::string FailureInWords(const std::string &reason)
{
    // libcurl's texts (7.x and 8.x) and the program's own, most telling first.
    static const std::pair<const char *, const char *> kWords[] = {
        {"答案", nullptr}, // already in words: 答案超过 64 MB, 答案读不出来：…
        {"abandoned after", JIUJIU_TEXT("jiujiu", "连续几页都没能读出来，不再请求")},
        {"resolve", JIUJIU_TEXT("jiujiu", "找不到服务器")},
        {"Connection refused", JIUJIU_TEXT("jiujiu", "连接被拒绝")},
        {"Couldn't connect", JIUJIU_TEXT("jiujiu", "连接被拒绝")},
        {"Could not connect", JIUJIU_TEXT("jiujiu", "连接被拒绝")},
        {"timed out", JIUJIU_TEXT("jiujiu", "连接超时")},
        {"Timeout", JIUJIU_TEXT("jiujiu", "连接超时")},
        {"no complete answer within", JIUJIU_TEXT("jiujiu", "连接超时")},
        {"no data for", JIUJIU_TEXT("jiujiu", "连接超时")},
        {"bytes/s for", JIUJIU_TEXT("jiujiu", "连接太慢")},
        {"SSL", JIUJIU_TEXT("jiujiu", "安全连接失败")},
        {"TLS", JIUJIU_TEXT("jiujiu", "安全连接失败")},
        {"certificate", JIUJIU_TEXT("jiujiu", "安全连接失败")},
        {"Empty reply", JIUJIU_TEXT("jiujiu", "连接中断")},
        {"Recv failure", JIUJIU_TEXT("jiujiu", "连接中断")},
        {"Send failure", JIUJIU_TEXT("jiujiu", "连接中断")},
        {"reset", JIUJIU_TEXT("jiujiu", "连接中断")},
        {"closed", JIUJIU_TEXT("jiujiu", "连接中断")},
        {"out of memory", JIUJIU_TEXT("jiujiu", "内存不足")},
    };
    for (const auto &[clue, words] : kWords)
        if (reason.find(clue) != std::string::npos)
            return words ? CoreText(words) : reason;
    if (reason.rfind("HTTP ", 0) == 0)
        return ComposeText(JIUJIU_TEXT("jiujiu", "服务出错（%1）"), {reason});
    return CoreText(JIUJIU_TEXT("jiujiu", "网络出错"));
}

Text FailedAnnouncement(const std::string &reason)
{
    return Compose(JIUJIU_TEXT("jiujiu", "搜索失败：%1"), {Utf8ToText(FailureInWords(reason))});
}

Text ServiceSwitchLine(const std::string &from, const std::string &to)
{
    return Compose(JIUJIU_TEXT("jiujiu", "查看服务 %1 连不上，改用 %2"),
                   {Utf8ToText(from), Utf8ToText(to)});
}

// The reason is UTF-8 (libcurl's text or our own); anything else is made safe first.
Text UnreachableMessage(const std::string &reason)
{
    return Compose(JIUJIU_TEXT("jiujiu", "呜呜，连不上搜索服务（%1），请检查网络后再试一次！"),
                   {Utf8ToText(FailureInWords(reason))});
}

Text AnswerTooLargeMessage(const std::string &reason)
{
    return Compose(JIUJIU_TEXT("jiujiu", "呜呜，搜索服务的答案太大（%1），没能读出来！"),
                   {Utf8ToText(FailureInWords(reason))});
}

Text UnreadableAnswerMessage(const std::string &)
{
    return Fixed(JIUJIU_TEXT("jiujiu", "呜呜，搜索服务的答案读不出来！"));
}

std::string TooLargeReason(std::size_t cap)
{
    constexpr std::size_t kMegabyte = 1024 * 1024;
    if (cap >= kMegabyte && cap % kMegabyte == 0)
        return ComposeText(JIUJIU_TEXT("jiujiu", "答案超过 %1 MB"),
                           {std::to_string(cap / kMegabyte)});
    return ComposeText(JIUJIU_TEXT("jiujiu", "答案超过 %1 字节"), {std::to_string(cap)});
}

} // namespace jiujiu
