#pragma once

#include "runtime/value.h"

namespace jiujiu {

class RegexObject;
class SearchWindow;

enum class SearchOutcome
{
    EmptyKeyword, // the empty-keyword message was shown
    NoResults,    // the no-results message was shown
    Listed,       // a total was announced and the pages were listed
    Busy,         // a search was already running
};

// Result list columns.
enum ResultColumn
{
    SerialColumn = 0,
    NameColumn = 1,
    SizeColumn = 2,
    SourcesColumn = 3,
    LinkColumn = 4,
};

// "http://" + viewer host + "/Tools/PageCode.aspx"
Text ViewerServiceAddress();
// The form body asking the viewer for result page N of the keyword.
Text SearchRequestBody(const Text &keyword, std::int32_t page);

// Turns the keyword of the window into its result rows, page by page, through the viewer
// service. Everything runs on the caller's thread; the window stays live during requests.
class SearchWorkflow final
{
public:
    SearchWorkflow(SearchWindow &window, RegexObject &regex);
    SearchWorkflow(const SearchWorkflow &) = delete;
    SearchWorkflow &operator=(const SearchWorkflow &) = delete;

    SearchOutcome StartSearch();
    // Key pressed in the keyword box: Enter (13) searches whatever the modifiers.
    void OnKeywordKeyPressed(int keyCode, int modifiers);
    SearchOutcome RunSearch();

    bool isRunning() const { return m_running; }

private:
    Text fetchPage(std::int32_t page);

    SearchWindow &m_window;
    RegexObject &m_regex;
    bool m_running = false;
};

} // namespace jiujiu
