#pragma once

#include "runtime/value.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace jiujiu {

// What the search tells the user, as program texts (GB18030).

const Text &SearchMessageTitle();  // "温馨提示"
const Text &EmptyKeywordMessage(); // "请输入需搜索的关键字！"
const Text &NoResultsMessage(); // "我和小伙伴们都惊呆了，你的关键字也太冷门了！"
// "为您找到[" + total + "]枚资源！双击复制、下载！": also the ending of a complete search.
Text TotalAnnouncement(const Text &total);
// "正在读取第 3/20 页 · 已列出 100 条"
Text ProgressText(std::int32_t page, std::int32_t pages, std::int64_t rows);
// The ending of a search that could not read every page: which pages, and how many rows were
// listed against the total. At most five page numbers are named.
// unreadableRows: pages with rows whose name could not be read, and how many ("第 3 页有 2 行
// 读不出来").
Text IncompleteAnnouncement(
    const Text &total, std::int64_t rows, const std::vector<std::int32_t> &failedPages,
    std::int32_t pagesNotRead,
    const std::vector<std::pair<std::int32_t, std::int64_t>> &unreadableRows = {});
// The ending of a search stopped at the row limit: "为您找到[total]枚资源，结果超过 N 条，只列出了
// 前 N 条！双击复制、下载！"
Text RowLimitAnnouncement(const Text &total, std::int64_t limit);
// The ending of a stopped search; without a total when it was stopped before one was read.
Text StoppedAnnouncement(const Text *total, std::int64_t rows);
// "正在搜索“keyword”…": the announcement as soon as a search starts.
Text SearchingAnnouncement(const Text &keyword);
// A failure reason (UTF-8: libcurl's English or our own) in a few Chinese words: 连接被拒绝,
// 连接超时, 找不到服务器, 答案超过 64 MB, 连接中断, 服务出错（HTTP 503）…
std::string FailureInWords(const std::string &reason);
// "搜索失败：连接被拒绝": the announcement when the search could not begin.
Text FailedAnnouncement(const std::string &reason);
// The message box for a service that cannot be reached, the reason in words; the reason
// itself goes in the box's details.
Text UnreachableMessage(const std::string &reason);
// "查看服务 A 连不上，改用 B", the services as the list names them.
Text ServiceSwitchLine(const std::string &from, const std::string &to);
// The message box for a first answer larger than the program reads.
Text AnswerTooLargeMessage(const std::string &reason);
// The message box for a first answer that is not the viewer's page.
Text UnreadableAnswerMessage(const std::string &reason);
// The failure reason of an answer past the body cap, as UTF-8 like every failure reason:
// "答案超过 64 MB".
std::string TooLargeReason(std::size_t cap);

} // namespace jiujiu
