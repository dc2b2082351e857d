#include "search/searchworkflow.h"

#include "net/httpclient.h"
#include "net/httpresponse.h"
#include "net/urlencoding.h"
#include "regex/regexobject.h"
#include "regex/regexsubject.h"
#include "runtime/asciictype.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"
#include "runtime/twohalves.h"
#include "runtime/uiservices.h"
#include "search/answertext.h"
#include "search/pagefetcher.h"
#include "search/resultpagereader.h"
#include "search/searchexpressions.h"
#include "search/searchtexts.h"
#include "search/searchwindow.h"
#include "search/servicebackoff.h"
#include "search/viewerservices.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

namespace jiujiu {
namespace {

// Longest wait for an answer before the window's events are served again.
constexpr std::chrono::milliseconds kEventSlice{10};
// A total this large cannot bound the page count any further.
constexpr std::int64_t kLargestTotal = std::int64_t(1) << 40;

// The captured total as a number when it is one: digits, maybe grouped by commas, maybe with
// blanks around. Anything else ("约1000", "1.5万") says nothing about the page count.
std::optional<std::int64_t> TotalNumber(const Text &captured)
{
    const Text text = NormaliseText(captured);
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == Text::npos)
        return std::nullopt;
    const auto last = text.find_last_not_of(" \t\r\n");
    std::int64_t total = 0;
    bool digits = false;
    for (std::size_t i = first; i <= last; ++i) {
        const char c = text[i];
        if (IsAsciiDigit(c)) {
            digits = true;
            total = std::min(total * 10 + (c - '0'), kLargestTotal);
        } else if (c != ',' || !digits) {
            return std::nullopt;
        }
    }
    return digits ? std::optional(total) : std::nullopt;
}

// Steps the fetcher until it is done, serving the window's events in between. False when the
// search was stopped; the pages not handed back by then are dropped.
bool Drive(PageFetcher &fetcher, const std::function<bool()> &stopWanted,
           const std::function<void(PageFetcher::Page &&)> &onPage)
{
    while (!fetcher.finished()) {
        CurrentUiServices().dispatchPendingEvents();
        if (stopWanted()) {
            fetcher.stop();
            return false;
        }
        for (PageFetcher::Page &page : fetcher.step(kEventSlice))
            onPage(std::move(page));
    }
    return true;
}

} // namespace

// Marks the search as running, in the workflow and in the window, however it ends.
class SearchWorkflow::RunningGuard
{
public:
    explicit RunningGuard(SearchWorkflow &workflow) : m_workflow(workflow)
    {
        m_workflow.m_running = true;
        m_workflow.m_stopRequested = false;
        m_workflow.m_window.setSearchRunning(true);
    }
    ~RunningGuard()
    {
        m_workflow.m_running = false;
        m_workflow.m_window.setSearchRunning(false);
    }
    RunningGuard(const RunningGuard &) = delete;
    RunningGuard &operator=(const RunningGuard &) = delete;

private:
    SearchWorkflow &m_workflow;
};

SearchWorkflow::SearchWorkflow(SearchWindow &window, RegexObject &regex)
    : m_window(window), m_regex(regex), m_backoff(std::make_unique<ServiceBackoff>())
{}

SearchWorkflow::~SearchWorkflow() = default;

SearchOutcome SearchWorkflow::StartSearch()
{
    if (m_running)
        return SearchOutcome::Busy;
    SearchOutcome outcome;
    do {
        m_restartWanted = false;
        const Text keyword = m_window.keyword();
        if (keyword.empty()) {
            ShowMessageBox(Value(EmptyKeywordMessage()), Value(0), Value(SearchMessageTitle()));
            m_report = SearchReport();
            return m_report.outcome = SearchOutcome::EmptyKeyword;
        }
        m_window.setCurrentPage(1);
        outcome = run(keyword);
    } while (m_restartWanted);
    return outcome;
}

void SearchWorkflow::OnKeywordKeyPressed(int keyCode, int)
{
    if (keyCode != 13)
        return;
    // Enter during a search: that search stops, and the one that started it searches the
    // keyword the box holds now.
    if (m_running) {
        m_restartWanted = true;
        m_stopRequested = true;
        return;
    }
    StartSearch();
}

SearchOutcome SearchWorkflow::RunSearch()
{
    if (m_running)
        return SearchOutcome::Busy;
    return run(m_window.keyword());
}

void SearchWorkflow::stopSearch()
{
    if (m_running)
        m_stopRequested = true;
}

bool SearchWorkflow::stopWanted()
{
    if (!m_stopRequested && m_window.stopRequested())
        m_stopRequested = true;
    return m_stopRequested;
}

SearchOutcome SearchWorkflow::end(SearchOutcome outcome)
{
    return m_report.outcome = outcome;
}

// What the first answer said, read once: the total, the pages to read and page 1's rows.
struct SearchWorkflow::FirstPage
{
    bool totalFound = false;
    std::int32_t pageCount = 0;
    ResultPageReader::Page read; // how page 1 read; its rows are in `page`
    PageFetcher::Page page;      // as the fetcher handed it back
};

void SearchWorkflow::noteSwitch(const ViewerServices &services, std::size_t from, std::size_t to)
{
    const Text line = ServiceSwitchLine(services.name(from), services.name(to));
    auto &switches = m_report.serviceSwitches;
    if (std::find(switches.begin(), switches.end(), line) != switches.end())
        return;
    switches.push_back(line);
    Text note;
    for (const Text &each : switches)
        note += note.empty() ? each : "\n" + each;
    m_window.setServiceNote(note);
}

SearchOutcome SearchWorkflow::run(const Text &keyword)
{
    // The keyword is read once: rows of two keywords never mix under one total.
    RunningGuard guard(*this);
    m_report = SearchReport();
    m_retryPages.clear();
    m_pageRows.clear();
    m_window.offerRetry(false);
    m_window.deleteAllRows();
    m_window.setServiceNote(Text());
    m_window.setStatusLine(SearchingAnnouncement(keyword));

    // The first answer gives the total, the number of pages and page 1's rows. A valid answer
    // is taken as it is; only a failed request is asked again. One client carries the whole
    // search, so the pages reuse the first request's connection.
    HttpClient client;
    const ViewerServices services(HostSetting(Host::Viewer), m_backoff.get());
    // Prepared once for every page of the search.
    ResultPageReader reader;
    FirstPage first;
    PageFetcher firstRequest(
        client, keyword, 1, 1, m_settings,
        [this, &reader, &first](std::int32_t, HttpResponse &&response) {
            // Matched as the UTF-8 it came in: a large first page is not converted twice.
            const auto answer = RegexSubject::FromUtf8(AnswerUtf8(std::move(response.body)));
            // The total and the last page are a pass over the whole answer each: read beside
            // the rows.
            SideBySide([&] { first.read = reader.readUtf8(answer->utf8()); },
                       [&] { first.totalFound = readTotal(answer, first.pageCount); });
            if (first.totalFound)
                boundPages(static_cast<std::int64_t>(first.read.rows.size()), first.pageCount);
            PageFetcher::Reading reading;
            // Only the last page may hold no rows.
            if (first.read.rows.empty() && first.pageCount > 1)
                reading.failure = "answer without rows";
            reading.rows = std::move(first.read.rows);
            return reading;
        },
        services);
    firstRequest.onSwitched(
        [this, &services](std::size_t from, std::size_t to) { noteSwitch(services, from, to); });
    const bool answered = Drive(
        firstRequest, [this] { return stopWanted(); },
        [&first](PageFetcher::Page &&page) { first.page = std::move(page); });
    m_report.requests = firstRequest.requestsStarted();
    if (answered)
        ProcessPendingEvents();
    if (!answered || stopWanted()) {
        m_window.setAnnouncement(StoppedAnnouncement(nullptr, 0));
        return end(SearchOutcome::Stopped);
    }
    const std::string &failure = first.page.failure;
    const auto failureKind = first.page.kind;
    if (!failure.empty() && failureKind != PageFetcher::Failure::Rejected) {
        // An answer too large or not the viewer's was no network fault: each has a message of
        // its own, and none is taken for a search without results.
        m_report.unreachableReason = failure;
        const Text message =
            failureKind == PageFetcher::Failure::TooLarge     ? AnswerTooLargeMessage(failure)
            : failureKind == PageFetcher::Failure::Unreadable ? UnreadableAnswerMessage(failure)
                                                              : UnreachableMessage(failure);
        // The top line says it too, the list being empty: never the last search's total.
        m_window.showFailure(FailedAnnouncement(failure), Utf8ToText(failure));
        ShowDetailedMessageBox(message, Utf8ToText(failure), 0, SearchMessageTitle());
        return end(SearchOutcome::Unreachable);
    }
    m_report.service = services.name(first.page.service);
    m_backoff->succeeded(m_report.service);

    if (!first.totalFound) {
        m_window.setStatusLine(NoResultsMessage()); // no longer 正在搜索
        ShowMessageBox(Value(NoResultsMessage()), Value(0), Value(SearchMessageTitle()));
        return end(SearchOutcome::NoResults);
    }
    m_window.setAnnouncement(TotalAnnouncement(m_report.total));
    return listPages(keyword, first, client, services, reader);
}

bool SearchWorkflow::readTotal(const std::shared_ptr<const RegexSubject> &answer,
                               std::int32_t &pageCount)
{
    pageCount = 0;
    m_regex.Create(TotalExpression());
    const std::int32_t totals = m_regex.Execute(answer);
    if (totals < 1) {
        m_regex.Create(Text());
        m_report.total.clear();
        return false;
    }
    m_report.total = m_regex.GetSubMatchText(totals, 1);

    m_regex.Create(LastPageExpression());
    std::int32_t lastPages = m_regex.Execute(answer);
    if (lastPages == 0)
        lastPages = 1;
    for (std::int32_t i = 1; i <= lastPages; ++i)
        pageCount = ToInteger(Value(m_regex.GetSubMatchText(i, 1)));
    m_regex.Create(Text());
    // No readable last page, or one below 1: the total was announced, so page 1 is read.
    if (pageCount < 1)
        pageCount = 1;
    return true;
}

void SearchWorkflow::boundPages(std::int64_t firstRows, std::int32_t &pageCount) const
{
    // Never more pages than the total can fill at the first page's row count, nor than the
    // limit: a bogus last-page link must not make the search run for ever. A total below the
    // first page's own rows ("0" over a full page) is no bound: the last-page link decides.
    if (pageCount > 1) {
        std::int64_t bound = std::max(m_settings.pageLimit, 1);
        if (const auto total = TotalNumber(m_report.total);
            total && firstRows > 0 && *total >= firstRows)
            bound = std::clamp<std::int64_t>((*total + firstRows - 1) / firstRows, 1, bound);
        pageCount = static_cast<std::int32_t>(std::min<std::int64_t>(pageCount, bound));
    }
}

SearchOutcome SearchWorkflow::listPages(const Text &keyword, FirstPage &first, HttpClient &client,
                                        const ViewerServices &services, ResultPageReader &reader)
{
    const std::int32_t pageCount = first.pageCount;
    m_report.pageCount = pageCount;
    m_window.showProgress(ProgressText(1, pageCount, 0));

    // How each page read, by page: the last reading of a retried page counts.
    std::map<std::int32_t, ResultPageReader::Page> readings;
    readings[1] = std::move(first.read);
    PageFetcher fetcher(
        client, keyword, 2, pageCount, m_settings,
        [&reader, &readings, pageCount](std::int32_t page, HttpResponse &&response) {
            PageFetcher::Reading reading;
            ResultPageReader::Page read = reader.read(std::move(response.body));
            reading.rows = std::move(read.rows);
            readings[page] = std::move(read);
            // Only the last page may hold no rows.
            if (reading.rows.empty() && page < pageCount)
                reading.failure = "answer without rows";
            return reading;
        },
        services, first.page.service);
    fetcher.onSwitched(
        [this, &services](std::size_t from, std::size_t to) { noteSwitch(services, from, to); });
    std::int64_t serial = 0;
    int failedInARow = 0;
    std::vector<PageFetcher::Page> abandoned;
    const auto onPage = [&](PageFetcher::Page &&page) {
        // Pages handed back with the one that reached the row limit are not read.
        if (m_report.rowLimitReached)
            return;
        PageOutcome outcome{page.number, 0, std::move(page.failure)};
        outcome.requests = page.requests;
        if (const auto read = readings.find(page.number); read != readings.end()) {
            if (outcome.failure.empty()) {
                outcome.rowsMissingCells = read->second.rowsMissingCells;
                outcome.cutShort = read->second.limitReached;
                outcome.rowsUnreadable = read->second.rowsUnreadable;
            }
            readings.erase(read);
        }
        if (outcome.failure.empty()) {
            failedInARow = 0;
            // Past the row limit the search ends like a stopped one, the limit's rows listed.
            const std::int64_t room = std::max<std::int64_t>(m_settings.rowLimit - serial, 0);
            if (static_cast<std::int64_t>(page.rows.size()) > room) {
                page.rows.resize(static_cast<std::size_t>(room));
                m_report.rowLimitReached = true;
                fetcher.stop();
            }
            for (ResultRow &row : page.rows)
                row.setCell(SerialColumn, ToText(Value(++serial)));
            outcome.rows = static_cast<std::int64_t>(page.rows.size());
            m_window.appendRows(std::move(page.rows));
        } else if (++failedInARow >= m_settings.failedPagesInARow && !fetcher.finished()) {
            // The service has most likely gone away: ask for nothing more. The pages already
            // asked for are still reported, each with what became of it.
            abandoned = fetcher.abandon("abandoned after " + std::to_string(failedInARow) +
                                        " failed pages in a row");
        }
        m_report.pages.push_back(std::move(outcome));
        m_report.rows = serial;
        if (page.number < pageCount)
            m_window.showProgress(ProgressText(page.number + 1, pageCount, serial));
    };
    onPage(std::move(first.page));
    const bool completed = Drive(
        fetcher, [this] { return stopWanted(); }, onPage);
    for (PageFetcher::Page &page : abandoned)
        onPage(std::move(page));
    m_report.requests += fetcher.requestsStarted();
    m_report.pagesNotRead = std::max(pageCount - (fetcher.nextPage() - 1), 0);

    if (m_report.rowLimitReached) {
        m_report.pagesNotRead = std::max(pageCount - m_report.pages.back().page, 0);
        m_window.setAnnouncement(RowLimitAnnouncement(m_report.total, m_settings.rowLimit));
        return end(SearchOutcome::Stopped);
    }
    if (!completed) {
        m_window.setAnnouncement(StoppedAnnouncement(&m_report.total, serial));
        return end(SearchOutcome::Stopped);
    }
    // A page cut short by a matching limit lost rows as surely as one that failed.
    std::vector<std::int32_t> failedPages;
    std::vector<std::pair<std::int32_t, std::int64_t>> unreadableRows;
    for (const PageOutcome &page : m_report.pages) {
        if (!page.failure.empty() || page.cutShort)
            failedPages.push_back(page.page);
        else if (page.rowsUnreadable > 0)
            unreadableRows.emplace_back(page.page, page.rowsUnreadable);
    }
    if (failedPages.empty() && unreadableRows.empty() && m_report.pagesNotRead == 0) {
        m_window.setAnnouncement(TotalAnnouncement(m_report.total));
        return end(SearchOutcome::Listed);
    }
    m_window.setAnnouncement(IncompleteAnnouncement(m_report.total, serial, failedPages,
                                                    m_report.pagesNotRead, unreadableRows));
    // The pages that listed nothing can be asked again; their rows go where they belong.
    m_retryKeyword = keyword;
    m_retryPageCount = pageCount;
    for (const PageOutcome &page : m_report.pages) {
        m_pageRows[page.page] = page.rows;
        if (!page.failure.empty())
            m_retryPages.push_back(page.page);
    }
    for (std::int32_t page = pageCount - m_report.pagesNotRead + 1; page <= pageCount; ++page)
        m_retryPages.push_back(page);
    m_window.offerRetry(!m_retryPages.empty());
    return end(SearchOutcome::Incomplete);
}

SearchOutcome SearchWorkflow::RetryFailedPages()
{
    if (m_running)
        return SearchOutcome::Busy;
    if (m_retryPages.empty())
        return m_report.outcome;
    RunningGuard guard(*this);
    m_window.offerRetry(false);
    const std::vector<std::int32_t> pages = std::move(m_retryPages);
    m_retryPages.clear();
    HttpClient client;
    const ViewerServices services(HostSetting(Host::Viewer), m_backoff.get());
    ResultPageReader reader;
    const std::int32_t pageCount = m_retryPageCount;
    const auto read = [&reader, pageCount](std::int32_t page, HttpResponse &&response) {
        PageFetcher::Reading reading;
        reading.rows = reader.read(std::move(response.body)).rows;
        if (reading.rows.empty() && page < pageCount)
            reading.failure = "answer without rows";
        return reading;
    };
    const auto onPage = [this](PageFetcher::Page &&page) {
        if (!page.failure.empty()) {
            m_retryPages.push_back(page.number);
            return;
        }
        // Below the rows of every page before it; the serial numbers after it move on.
        std::int64_t at = 0;
        for (const auto &[number, rows] : m_pageRows)
            if (number < page.number)
                at += rows;
        const auto count = static_cast<std::int64_t>(page.rows.size());
        m_pageRows[page.number] = count;
        m_window.insertRows(static_cast<int>(at), std::move(page.rows));
        std::int64_t listed = 0;
        for (const auto &entry : m_pageRows)
            listed += entry.second;
        for (std::int64_t row = at; row < listed; ++row)
            m_window.setCell(static_cast<int>(row), SerialColumn, ToText(Value(row + 1)));
    };
    // One fetcher for each run of consecutive pages.
    for (std::size_t first = 0; first < pages.size();) {
        std::size_t last = first;
        while (last + 1 < pages.size() && pages[last + 1] == pages[last] + 1)
            ++last;
        PageFetcher fetcher(client, m_retryKeyword, pages[first], pages[last], m_settings, read,
                            services);
        fetcher.onSwitched([this, &services](std::size_t from, std::size_t to) {
            noteSwitch(services, from, to);
        });
        if (!Drive(
                fetcher, [this] { return stopWanted(); }, onPage)) {
            for (std::int32_t page = fetcher.nextPage(); page <= pages[last]; ++page)
                m_retryPages.push_back(page);
            for (std::size_t rest = last + 1; rest < pages.size(); ++rest)
                m_retryPages.push_back(pages[rest]);
            break;
        }
        first = last + 1;
    }
    std::sort(m_retryPages.begin(), m_retryPages.end());
    std::int64_t listed = 0;
    for (const auto &entry : m_pageRows)
        listed += entry.second;
    m_report.rows = listed;
    m_window.offerRetry(!m_retryPages.empty());
    if (m_retryPages.empty()) {
        m_window.setAnnouncement(TotalAnnouncement(m_report.total));
        return end(SearchOutcome::Listed);
    }
    m_window.setAnnouncement(IncompleteAnnouncement(m_report.total, listed, m_retryPages, 0));
    return end(SearchOutcome::Incomplete);
}

} // namespace jiujiu
