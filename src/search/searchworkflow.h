#pragma once

#include "results/resultrow.h"
#include "runtime/value.h"
#include "search/searchreport.h"
#include "search/searchrequest.h"
#include "search/searchsettings.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace jiujiu {

class HttpClient;
class RegexObject;
class RegexSubject;
class ResultPageReader;
class SearchWindow;
class ServiceBackoff;
class ViewerServices;

// Turns the keyword of the window into its result rows through the viewer services: the first
// answer gives the total, the number of pages and page 1's rows, then the other pages are
// fetched several at once from the service that answered it, retried when they fail, and
// listed strictly in page order. A service that fails is left for the next of the list, and
// backs off for the next searches of the run. Everything runs on the caller's
// thread, which keeps serving the window's events; the window can stop the search.
class SearchWorkflow final
{
public:
    SearchWorkflow(SearchWindow &window, RegexObject &regex);
    ~SearchWorkflow();
    SearchWorkflow(const SearchWorkflow &) = delete;
    SearchWorkflow &operator=(const SearchWorkflow &) = delete;

    SearchOutcome StartSearch();
    // Key pressed in the keyword box: Enter (13) searches whatever the modifiers; during a
    // search it stops that one and searches the box's keyword next.
    void OnKeywordKeyPressed(int keyCode, int modifiers);
    // Searches for the keyword box's text, read once.
    SearchOutcome RunSearch();
    // Asks again for the pages the last search could not read (重试失败的页) and lists their
    // rows where they belong, in page order, the serial numbers after them moved on.
    SearchOutcome RetryFailedPages();
    // The pages a retry would ask for, in order.
    const std::vector<std::int32_t> &failedPages() const { return m_retryPages; }
    // Stops the running search soon; the rows listed so far stay.
    void stopSearch();

    bool isRunning() const { return m_running; }
    // How the last search went (or the running one, so far).
    const SearchReport &report() const { return m_report; }
    void setSettings(const SearchSettings &settings) { m_settings = settings; }
    const SearchSettings &settings() const { return m_settings; }
    // How long each failing viewer service is left alone, over the searches of this workflow.
    ServiceBackoff &backoff() { return *m_backoff; }

private:
    class RunningGuard;
    struct FirstPage;

    SearchOutcome run(const Text &keyword);
    // Lists page 1 as read from the first answer, then fetches and lists pages 2..pageCount.
    SearchOutcome listPages(const Text &keyword, FirstPage &first, HttpClient &client,
                            const ViewerServices &services, ResultPageReader &reader);
    // Reads the total and the last page from the first answer; false when it holds no total.
    bool readTotal(const std::shared_ptr<const RegexSubject> &answer, std::int32_t &pageCount);
    // Bounds the pages to read by the total at page 1's row count, `firstRows`, and the limit.
    void boundPages(std::int64_t firstRows, std::int32_t &pageCount) const;
    // Notes a switch from one viewer service to the next, once per search.
    void noteSwitch(const ViewerServices &services, std::size_t from, std::size_t to);
    bool stopWanted();
    SearchOutcome end(SearchOutcome outcome);

    SearchWindow &m_window;
    RegexObject &m_regex;
    SearchSettings m_settings;
    SearchReport m_report;
    std::unique_ptr<ServiceBackoff> m_backoff;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_restartWanted = false;
    // What a retry of the last search needs: its keyword and page count, the rows each page
    // listed, and the pages that listed none.
    Text m_retryKeyword;
    std::int32_t m_retryPageCount = 0;
    std::map<std::int32_t, std::int64_t> m_pageRows;
    std::vector<std::int32_t> m_retryPages;
};

} // namespace jiujiu
