// jiujiu-cli [OPTIONS] KEYWORD: the search without a window, for scripts.
#include "cliwindow.h"
#include "desktopnotification.h"
#include "ed2kclient/clientdirectory.h"
#include "regex/regexobject.h"
#include "results/atomicfile.h"
#include "results/filtergrammar.h"
#include "runtime/codepage.h"
#include "runtime/fatalerror.h"
#include "runtime/outofmemory.h"
#include "search/searchworkflow.h"
#include "search/servicebackoff.h"
#include "store/seenfiles.h"
#include "store/store.h"
#include "store/storelocation.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace jiujiu;

namespace {

// Exit statuses.
enum Exit
{
    Complete = 0,
    NoResults = 1,
    Usage = 2,
    Incomplete = 3, // some pages or rows could not be read, the search was stopped, reached
                    // its row limit or ran out of memory
    Unreachable = 4,
    WriteError = 5, // the output could not be written
};

// Rows at most, unless --max-rows says otherwise.
constexpr long long kLargestRowLimit = 1000000000000LL;

const char kUsage[] = "usage: jiujiu-cli [--format tsv|json|csv|links|xlsx] [--output FILE] "
                      "[--merge] [--sort COLUMN[:desc]] [--filter EXPR] [--jobs N] [--max-rows N] "
                      "KEYWORD\n"
                      "       jiujiu-cli [--save NAME] [OPTIONS] KEYWORD\n"
                      "       jiujiu-cli --saved NAME [--new-only] [--notify] [--format F] "
                      "[--output FILE]\n"
                      "       jiujiu-cli --list-saved | --forget NAME\n";

const char kHelp[] =
    "\n"
    "Searches ed2k resources for KEYWORD and prints one row per resource as it is listed:\n"
    "serial number, name, size, sources and ed2k link, tab-separated (UTF-8).\n"
    "\n"
    "  --format F       tsv (the default), json (one array; size_bytes and status\n"
    "                   added), csv (UTF-8 with BOM: 序号,名称,大小,大小(字节),资源数,链接)\n"
    "                   links (one ed2k link a line, as ed2k clients import them) or\n"
    "                   xlsx (a spreadsheet: text cells stay text, links are clickable;\n"
    "                   needs --output)\n"
    "  --output FILE    write to FILE instead of standard output; FILE is replaced only\n"
    "                   once it is whole, and stays as it was when the service cannot\n"
    "                   be reached or the file cannot be written\n"
    "  --json           the same as --format json\n"
    "  --merge          one row per file (ed2k hash and size): the most sources, and the\n"
    "                   number of copies (a sixth TSV column, \"copies\" in JSON)\n"
    "  --sort C[:desc]  serial, name, size, sources or link; sizes in bytes, unknown last\n"
    "  --filter EXPR    the rows that match every term (a term that reads as a bound,\n"
    "                   a field or a status but cannot be read is a usage error):\n"
    "%FILTER%"
    "                   JSON's status is the English word\n"
    "  --jobs N         fetch N result pages at a time (1 to 8, default 4)\n"
    "  --max-rows N     list at most N rows (default 2000000), then stop as if\n"
    "                   interrupted, saying so\n"
    "  --save NAME      run the search and keep it as NAME with its keyword, filter,\n"
    "                   order and merging (replacing a search of that name); later runs\n"
    "                   tell what is new since the runs before\n"
    "  --saved NAME     run the saved search NAME; --format, --output, --jobs and\n"
    "                   --max-rows apply to this run; JSON adds \"new\" (true: no earlier\n"
    "                   run listed the file; the first run marks nothing)\n"
    "  --new-only       print only the new rows (with --saved or --save)\n"
    "  --notify         post a desktop notification when there are new rows (their\n"
    "                   count and first names), through the session bus\n"
    "  --list-saved     print the saved searches, a TSV line each: name, keyword,\n"
    "                   filter, last run (ISO 8601, UTC), rows, new files in that run\n"
    "  --forget NAME    delete the saved search NAME and what its runs listed\n"
    "  --help           print this help and exit\n"
    "\n"
    "Saved searches are kept in $JIUJIU_STATE_DIR/store.db, else\n"
    "$XDG_STATE_HOME/jiujiu/store.db, else ~/.local/state/jiujiu/store.db, made by the\n"
    "first --save; a search without --save or --saved writes nothing there.\n"
    "An option's value follows it as the next argument or after \"=\" (--jobs=2).\n"
    "CSV cells that start with = + - @ TAB or CR get an apostrophe in front, so a\n"
    "spreadsheet shows them as text instead of running them as formulas.\n"
    "Ctrl-C stops the search; the rows printed so far stand.\n"
    "The page-source viewer services are JIUJIU_VIEWER_HOST: host[:port] entries in\n"
    "order, separated by commas, \"direct\" for the search site itself; a failing one\n"
    "is left for the next (said on standard error) and backs off. The ed2k\n"
    "client's files are read (never written) from JIUJIU_ED2K_CLIENT_DIR, else ~/.aMule.\n"
    "Exit status: 0 every page listed, 1 no results, 2 empty keyword or bad usage,\n"
    "3 incomplete (pages, or rows of a page, that could not be read are named on\n"
    "standard error), stopped, over the row limit, or out of memory (what was listed\n"
    "is said first), 4 the service cannot be reached, its first answer is over 64 MB\n"
    "or is not the viewer's page, 5 the output could not be written (a full disk, an\n"
    "I/O error: \"写入输出失败：REASON\" on standard error).\n";

// The same help under a Chinese locale.
const char kHelpChinese[] =
    "\n"
    "按关键字 KEYWORD 搜索 ed2k 资源，每列出一个资源就打印一行：序号、名称、大小、\n"
    "资源数和 ed2k 链接，以制表符分隔（UTF-8）。\n"
    "\n"
    "  --format F       tsv（默认）、json（一个数组，另有 size_bytes 和 status）、\n"
    "                   csv（带 BOM 的 UTF-8：序号,名称,大小,大小(字节),资源数,链接）\n"
    "                   或 links（每行一个 ed2k 链接，可直接导入 ed2k 客户端）\n"
    "  --json           同 --format json\n"
    "  --merge          同一文件（ed2k 散列和大小）只列一行：取最多的资源数，并给出\n"
    "                   重复次数（TSV 的第六列，JSON 的 \"copies\"）\n"
    "  --sort C[:desc]  serial、name、size、sources 或 link；大小按字节，读不出的排最后\n"
    "  --filter EXPR    只列出符合每个筛选词的行（读不出的范围、字段或状态算用法错误）：\n"
    "%FILTER%"
    "                   JSON 的 status 用英文词（known、downloading、cancelled、handed、none）\n"
    "  --jobs N         同时读取 N 页结果（1 到 8，默认 4）\n"
    "  --save NAME      搜索，并以 NAME 保存关键字、筛选、排序和合并；以后每次运行\n"
    "                   都能看出哪些是上次以来新出现的\n"
    "  --saved NAME     运行保存的搜索 NAME；JSON 另有 \"new\"（以前各次都没列出过的\n"
    "                   文件为 true；第一次什么都不算新）\n"
    "  --new-only       只打印新的行（与 --saved 或 --save 一起用）\n"
    "  --notify         有新的行时发一条桌面通知（个数和前几个名称）\n"
    "  --list-saved     列出保存的搜索，每个一行 TSV：名称、关键字、筛选、上次运行\n"
    "                   （ISO 8601，UTC）、行数、那次的新文件数\n"
    "  --forget NAME    删除保存的搜索 NAME 和它列出过的文件\n"
    "  --help           打印本说明后退出\n"
    "\n"
    "保存的搜索放在 $JIUJIU_STATE_DIR/store.db，没有设置时放在\n"
    "$XDG_STATE_HOME/jiujiu/store.db 或 ~/.local/state/jiujiu/store.db；第一次 --save\n"
    "时才建立，不用 --save 或 --saved 的搜索不往那里写任何东西。\n"
    "选项的值跟在选项后面作为下一个参数，或写在“=”后（--jobs=2）。\n"
    "以 = + - @ TAB 或 CR 开头的 CSV 单元格前面加一个撇号，电子表格就把它当文字显示，\n"
    "不会当公式执行。\n"
    "Ctrl-C 停止搜索；已打印的行照旧有效。\n"
    "网页源码查看服务是 JIUJIU_VIEWER_HOST：按顺序的 host[:port]，用逗号分隔，\n"
    "“direct” 表示直接访问搜索网站；连不上的服务改用下一个（在标准错误上说明），\n"
    "并暂时不再使用。ed2k 客户端的文件从\n"
    "JIUJIU_ED2K_CLIENT_DIR 读取（从不写入），没有设置时从 ~/.aMule 读取。\n"
    "退出状态：0 每页都列出了，1 没有结果，2 关键字为空或用法错误，\n"
    "3 不完整（读不出的页在标准错误上列出）或已停止，\n"
    "4 连不上服务，或它的第一个答案超过 64 MB。\n";

// The help in the language of the messages' locale (LC_ALL, else LC_MESSAGES, else LANG):
// Chinese under a Chinese one, English under any other. The filter's terms come from its table.
std::string HelpText()
{
    bool chinese = false;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char *value = std::getenv(name); value && *value) {
            chinese = std::string_view(value).starts_with("zh");
            break;
        }
    }
    std::string help = chinese ? kHelpChinese : kHelp;
    constexpr std::string_view kFilterTerms = "%FILTER%";
    help.replace(help.find(kFilterTerms), kFilterTerms.size(),
                 FilterHelpText(chinese ? FilterLanguage::Chinese : FilterLanguage::English,
                                "                     ", 80));
    return help;
}

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

// The first Ctrl-C stops the search like the stop button; a second one ends the program.
void StopOnInterrupt()
{
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

struct Options
{
    CliOptions output;
    const char *outputPath = nullptr;
    int jobs = 4;
    long long maxRows = 2000000;
    const char *keyword = nullptr;
    bool help = false;
    // Saved searches: one of these at a time.
    const char *saveName = nullptr;
    const char *savedName = nullptr;
    const char *forgetName = nullptr;
    bool listSaved = false;
    bool newOnly = false;
    bool notify = false;
    // The texts as given, which --save keeps.
    std::string filterText;
    std::string sortText;
    bool searchOptionsGiven = false; // --filter, --sort or --merge
};

// "--jobs" takes 1 to 8.
std::string ParseJobs(std::string_view text, int &jobs)
{
    const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return "'" + std::string(text) + "' is not a number";
    int value = 0;
    for (const char c : digits)
        value = std::min(value * 10 + (c - '0'), 1000); // "04" is 4; no overflow
    if (text.starts_with('-') || value < 1 || value > 8)
        return std::string(text) + " is not between 1 and 8";
    jobs = value;
    return {};
}

// "--max-rows" takes 1 and up.
std::string ParseMaxRows(std::string_view text, long long &rows)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return "'" + std::string(text) + "' is not a number";
    long long value = 0;
    for (const char c : text)
        value = std::min(value * 10 + (c - '0'), kLargestRowLimit + 1);
    if (value < 1 || value > kLargestRowLimit)
        return std::string(text) + " is not between 1 and " + std::to_string(kLargestRowLimit);
    rows = value;
    return {};
}

std::string ParseSort(std::string_view text, std::optional<SortRequest> &sort)
{
    sort = SortRequest::Parse(text);
    if (sort)
        return {};
    const std::size_t colon = text.rfind(':');
    if (colon != std::string_view::npos && SortRequest::Parse(text.substr(0, colon)))
        return "unknown direction '" + std::string(text.substr(colon + 1)) + "' (asc or desc)";
    return "unknown column '" + std::string(text.substr(0, colon)) +
           "' (serial, name, size, sources or link)";
}

std::string CheckSavedOptions(const Options &options);

// Reads the options, which come before the keyword ("--" ends them), each that takes a value
// as "--name VALUE" or "--name=VALUE". Answers what is wrong, naming the argument, or nothing.
// --help wins over everything after it.
std::string ParseOptions(int argc, char **argv, Options &options)
{
    bool optionsEnded = false;
    bool formatGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        if (options.keyword) {
            if (isOption)
                return std::string(arg.substr(0, arg.find('='))) +
                       ": options go before the keyword";
            return "'" + std::string(arg) + "': one keyword only (quote a keyword with blanks)";
        }
        if (!isOption) {
            options.keyword = argv[i];
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name(arg.substr(0, equals));
        std::optional<std::string_view> value;
        if (equals != std::string_view::npos)
            value = arg.substr(equals + 1);

        if (name == "--help" || name == "--json" || name == "--merge" || name == "--new-only" ||
            name == "--notify" || name == "--list-saved") {
            if (value)
                return name + ": takes no value";
            if (name == "--help") {
                options.help = true;
                return {};
            }
            if (name == "--merge") {
                options.output.merge = true;
                options.searchOptionsGiven = true;
                continue;
            }
            if (name == "--new-only" || name == "--notify" || name == "--list-saved") {
                (name == "--new-only" ? options.newOnly
                 : name == "--notify" ? options.notify
                                      : options.listSaved) = true;
                continue;
            }
            if (formatGiven)
                return name + ": the output format is given twice";
            formatGiven = true;
            options.output.format = CliOptions::Format::Json;
            continue;
        }
        if (name != "--format" && name != "--sort" && name != "--filter" && name != "--jobs" &&
            name != "--max-rows" && name != "--output" && name != "--save" && name != "--saved" &&
            name != "--forget")
            return name + ": unknown option";
        if (!value) {
            if (i + 1 >= argc)
                return name + ": a value is missing";
            value = argv[++i];
        }

        std::string problem;
        if (name == "--format") {
            const auto format = CliOptions::ParseFormat(*value);
            if (formatGiven)
                problem = "the output format is given twice";
            else if (!format)
                problem =
                    "unknown format '" + std::string(*value) + "' (tsv, json, csv, links or xlsx)";
            else
                options.output.format = *format;
            formatGiven = true;
        } else if (name == "--output") {
            if (options.outputPath)
                problem = "the output file is given twice";
            else if (value->empty())
                problem = "the file name is empty";
            else
                options.outputPath = value->data(); // the rest of an argv string
        } else if (name == "--save" || name == "--saved" || name == "--forget") {
            const char *&target = name == "--save"    ? options.saveName
                                  : name == "--saved" ? options.savedName
                                                      : options.forgetName;
            if (target)
                problem = "the name is given twice";
            else if (value->empty())
                problem = "the name is empty";
            else
                target = value->data(); // the rest of an argv string
        } else if (name == "--sort") {
            problem = ParseSort(*value, options.output.sort);
            options.sortText = std::string(*value);
            options.searchOptionsGiven = true;
        } else if (name == "--filter") {
            ResultFilter::Error error;
            if (auto filter = ResultFilter::Parse(*value, error))
                options.output.filter = std::move(*filter);
            else
                problem = error.what();
            options.filterText = std::string(*value);
            options.searchOptionsGiven = true;
        } else if (name == "--max-rows") {
            problem = ParseMaxRows(*value, options.maxRows);
        } else {
            problem = ParseJobs(*value, options.jobs);
        }
        if (!problem.empty())
            return name + ": " + problem;
    }
    return CheckSavedOptions(options);
}

// What goes with what among the saved-search options.
std::string CheckSavedOptions(const Options &options)
{
    const int modes = (options.saveName != nullptr) + (options.savedName != nullptr) +
                      (options.forgetName != nullptr) + options.listSaved;
    if (modes > 1)
        return "--save, --saved, --list-saved and --forget go one at a time";
    if ((options.newOnly || options.notify) && !options.saveName && !options.savedName)
        return std::string(options.newOnly ? "--new-only" : "--notify") +
               ": only with --saved NAME or --save NAME";
    if (options.listSaved || options.forgetName) {
        if (options.keyword)
            return std::string(options.listSaved ? "--list-saved" : "--forget") +
                   ": takes no keyword";
        return {};
    }
    if (options.savedName) {
        if (options.keyword)
            return "--saved: the keyword is the saved search's; takes no KEYWORD";
        if (options.searchOptionsGiven)
            return "--saved: the filter, the order and merging are the saved search's "
                   "(--save NAME again to change them)";
    } else if (!options.keyword) {
        return "KEYWORD is missing";
    }
    if (options.output.format == CliOptions::Format::Xlsx && !options.outputPath)
        return "--format xlsx: a spreadsheet goes to a file: give --output FILE";
    return {};
}

// One line per page that could not be read, then the pages never read.
void ReportPages(const SearchReport &report, SearchOutcome outcome)
{
    for (const PageOutcome &page : report.pages) {
        if (!page.failure.empty())
            std::fprintf(stderr, "page %d: %s\n", page.page, page.failure.c_str());
        if (page.rowsUnreadable > 0)
            std::fprintf(stderr, "page %d: %lld row%s could not be read\n", page.page,
                         static_cast<long long>(page.rowsUnreadable),
                         page.rowsUnreadable == 1 ? "" : "s");
        if (page.cutShort)
            std::fprintf(stderr, "page %d: read in part (a matching limit was reached)\n",
                         page.page);
        if (page.rowsMissingCells > 0)
            std::fprintf(stderr, "page %d: %lld row%s without a size, sources or link cell\n",
                         page.page, static_cast<long long>(page.rowsMissingCells),
                         page.rowsMissingCells == 1 ? "" : "s");
    }
    if (report.pagesNotRead > 0) {
        const int last = report.pageCount;
        const int first = last - report.pagesNotRead + 1;
        const char *why = report.rowLimitReached ? "not read (the row limit was reached)"
                          : outcome == SearchOutcome::Stopped ? "stopped"
                                                              : "not asked for after failed pages";
        if (first == last)
            std::fprintf(stderr, "page %d: %s\n", first, why);
        else
            std::fprintf(stderr, "pages %d-%d: %s\n", first, last, why);
    }
}

Exit ExitStatus(SearchOutcome outcome)
{
    switch (outcome) {
    case SearchOutcome::Listed:
        return Complete;
    case SearchOutcome::NoResults:
        return NoResults;
    case SearchOutcome::Incomplete:
    case SearchOutcome::Stopped:
        return Incomplete;
    case SearchOutcome::Unreachable:
        return Unreachable;
    case SearchOutcome::EmptyKeyword:
    case SearchOutcome::Busy:
        break;
    }
    return Usage;
}

Exit WriteFailure(const std::string &why)
{
    std::fprintf(stderr, "写入输出失败：%s\n", why.c_str());
    return WriteError;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLeakChecked = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLeakChecked = true;
#else
constexpr bool kLeakChecked = false;
#endif
#else
constexpr bool kLeakChecked = false;
#endif

// The rows, the connections and the libraries' state are the system's to reclaim at exit:
// freeing them one by one only makes a script wait.
[[noreturn]] void LeaveNow(int status)
{
    std::fflush(stderr);
    std::_Exit(status);
}

CliWindow *g_window = nullptr;

// A fatal error (an allocation that failed) still says how far the search came, with the
// status of an incomplete search. Runs with the memory reserve given back.
void ReportFatalError(std::string_view message)
{
    std::fflush(stdout);
    const std::string utf8 = TextToUtf8(Text(message));
    std::fprintf(stderr, "搜索中断：%s，已列出 %lld 条\n", utf8.c_str(),
                 g_window ? static_cast<long long>(g_window->rowsListed()) : 0LL);
    std::fflush(stderr);
    std::_Exit(Incomplete);
}

// A write to standard output that failed ends the program: a closed pipe as quietly as the
// signal would have, anything else said and with its own status.
[[noreturn]] void EndAfterWriteError(const CliWindow &window, const char *path)
{
    if (window.writeErrno() == EPIPE) {
        std::signal(SIGPIPE, SIG_DFL);
        std::raise(SIGPIPE);
    }
    // A file is named, as its other failures are.
    std::fprintf(stderr, "写入输出失败：%s%s%s\n", path ? path : "", path ? ": " : "",
                 window.writeError().c_str());
    std::fflush(stderr);
    std::_Exit(WriteError);
}

// Seconds since 1970 as ISO 8601 in UTC.
std::string IsoTime(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

void SayNotice(const std::string &notice)
{
    if (!notice.empty())
        std::fprintf(stderr, "%s\n", notice.c_str());
}

Exit UsageFailure(const std::string &why)
{
    std::fprintf(stderr, "%s\n", why.c_str());
    std::fputs(kUsage, stderr);
    return Usage;
}

Exit UnknownName(const char *option, const char *name)
{
    return UsageFailure(std::string(option) + ": no saved search is named '" + name + "'");
}

// The store as it is, never made: none when it is not there (or cannot be read, said).
std::unique_ptr<Store> ExistingStore()
{
    const std::filesystem::path path = StorePath();
    if (path.empty())
        return nullptr;
    Store::Opening opening = Store::Open(path, Store::Mode::Existing);
    SayNotice(opening.notice);
    if (!opening.error.empty())
        std::fprintf(stderr, "记录文件打不开：%s\n", opening.error.c_str());
    return std::move(opening.store);
}

int ListSaved()
{
    const std::unique_ptr<Store> store = ExistingStore();
    if (!store)
        return Complete; // nothing saved
    const auto searches = store->list();
    SayNotice(store->takeNotice());
    if (!searches) {
        std::fprintf(stderr, "记录文件读不出来：%s\n", store->error().c_str());
        return Usage;
    }
    std::string out;
    for (const SavedSearchSummary &s : *searches) {
        for (const std::string *cell : {&s.search.name, &s.search.keyword, &s.search.filter}) {
            CliWindow::AppendTsvCell(out, *cell);
            out += '\t';
        }
        out += (s.lastRun ? IsoTime(*s.lastRun) : std::string()) + '\t' + std::to_string(s.rows) +
               '\t' + std::to_string(s.newFiles) + '\n';
    }
    if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0)
        return WriteFailure(std::strerror(errno));
    return Complete;
}

int Forget(const char *name)
{
    const std::unique_ptr<Store> store = ExistingStore();
    if (!store)
        return UnknownName("--forget", name);
    if (store->forget(name))
        return Complete;
    SayNotice(store->takeNotice());
    if (store->error().empty())
        return UnknownName("--forget", name);
    std::fprintf(stderr, "记录文件没有更新：%s（%s）\n", store->error().c_str(),
                 store->path().c_str());
    return WriteError;
}

// A saved search's run: the store it is kept in, what it is, what earlier runs listed.
struct SavedRun
{
    std::unique_ptr<Store> store; // none: the run is not recorded
    SavedSearch search;
    std::shared_ptr<const SeenFiles> seen = std::make_shared<SeenFiles>();
};

void StoreNotUpdated(const Store &store, const std::string &why)
{
    std::fprintf(stderr, "记录文件没有更新：%s（%s）\n", why.c_str(), store.path().c_str());
}

// Reads what earlier runs listed; a store found broken meanwhile was replaced by a new one,
// into which the search is saved again, to start over.
void ReadSeenFiles(SavedRun &run)
{
    std::optional<SeenFiles> seen = run.store->seenFiles(run.search.id);
    const std::string notice = run.store->takeNotice();
    SayNotice(notice);
    if (!seen && !notice.empty() && run.store->save(run.search))
        seen = run.store->seenFiles(run.search.id);
    if (!seen) {
        StoreNotUpdated(*run.store, run.store->error());
        run.store.reset();
        return;
    }
    run.seen = std::make_shared<SeenFiles>(std::move(*seen));
}

// --saved NAME: the search as it was saved, its options put in place. Answers a status to end
// with, or nothing to go on.
std::optional<Exit> OpenSaved(Options &options, SavedRun &run, std::string &keyword)
{
    run.store = ExistingStore();
    if (!run.store)
        return UnknownName("--saved", options.savedName);
    std::optional<SavedSearch> search = run.store->find(options.savedName);
    SayNotice(run.store->takeNotice());
    if (!search && !run.store->error().empty()) {
        std::fprintf(stderr, "记录文件读不出来：%s\n", run.store->error().c_str());
        return Usage;
    }
    if (!search)
        return UnknownName("--saved", options.savedName);
    run.search = std::move(*search);
    keyword = run.search.keyword;
    options.output.merge = run.search.merge;
    std::string problem;
    if (!run.search.sort.empty())
        problem = ParseSort(run.search.sort, options.output.sort);
    ResultFilter::Error error;
    if (auto filter = ResultFilter::Parse(run.search.filter, error))
        options.output.filter = std::move(*filter);
    else
        problem = error.what();
    if (!problem.empty())
        return UsageFailure("--saved " + run.search.name + ": " + problem);
    ReadSeenFiles(run);
    return std::nullopt;
}

// --save NAME: keeps the search before it runs; a store that cannot be written is said and
// the search runs all the same.
void SaveSearch(const Options &options, SavedRun &run)
{
    const std::filesystem::path path = StorePath();
    if (path.empty()) {
        std::fputs("搜索没有保存：没有放记录文件的地方（HOME、XDG_STATE_HOME 和 "
                   "JIUJIU_STATE_DIR 都没有设置）\n",
                   stderr);
        return;
    }
    Store::Opening opening = Store::Open(path, Store::Mode::Create);
    SayNotice(opening.notice);
    if (!opening.store) {
        std::fprintf(stderr, "搜索没有保存：%s\n", opening.error.c_str());
        return;
    }
    run.store = std::move(opening.store);
    run.search = {0,
                  options.saveName,
                  options.keyword,
                  options.filterText,
                  options.output.sort ? options.sortText : std::string(),
                  options.output.merge};
    if (!run.store->save(run.search)) {
        SayNotice(run.store->takeNotice());
        std::fprintf(stderr, "搜索没有保存：%s（%s）\n", run.store->error().c_str(),
                     run.store->path().c_str());
        run.store.reset();
        return;
    }
    ReadSeenFiles(run);
}

// Records the run: what it listed, even when it ended incomplete; nothing when the service
// could not be reached.
void RecordRun(SavedRun &run, CliWindow &window, SearchOutcome outcome, std::int64_t started)
{
    if (!run.store || outcome == SearchOutcome::Unreachable ||
        outcome == SearchOutcome::EmptyKeyword || outcome == SearchOutcome::Busy)
        return;
    std::vector<FileId> files = window.takeListedFiles();
    RunRecord record;
    record.started = started;
    record.rows = window.rowsListed();
    record.newFiles = run.seen->countNew(files);
    record.complete = outcome == SearchOutcome::Listed || outcome == SearchOutcome::NoResults;
    if (!run.store->recordRun(run.search.id, std::move(files), record, std::time(nullptr))) {
        SayNotice(run.store->takeNotice());
        StoreNotUpdated(*run.store, run.store->error());
    }
}

// One notification when new rows were printed; none without.
void NotifyNewRows(const SavedRun &run, const CliWindow &window)
{
    const std::size_t count = window.newRowsPrinted();
    if (count == 0)
        return;
    std::string body;
    for (const std::string &name : window.firstNewNames())
        body += (body.empty() ? "" : "\n") + DesktopNotification::EscapeMarkup(name);
    if (count > window.firstNewNames().size())
        body += "\n……";
    const DesktopNotification notification(
        "啾啾神器：“" + run.search.name + "”有 " + std::to_string(count) + " 个新资源", body);
    if (const std::string why = notification.post(); !why.empty())
        std::fprintf(stderr, "没有发出桌面通知：%s\n", why.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    InstallAllocationFailureHandler();
    // A file size limit fails the write, which is then reported, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    Options options;
    if (const std::string problem = ParseOptions(argc, argv, options); !problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::fputs(kUsage, stderr);
        return Usage;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        std::fputs(HelpText().c_str(), stdout);
        return Complete;
    }
    if (options.listSaved)
        return ListSaved();
    if (options.forgetName)
        return Forget(options.forgetName);
    // A plain search opens no store: it writes nothing of its own anywhere.
    SavedRun run;
    std::string keyword = options.keyword ? options.keyword : "";
    const auto started = static_cast<std::int64_t>(std::time(nullptr));
    if (options.savedName) {
        if (const std::optional<Exit> status = OpenSaved(options, run, keyword))
            return *status;
    } else if (options.saveName) {
        SaveSearch(options, run);
    }
    if (options.newOnly) {
        // The filter's own term for new rows, after the search's filter (on a line of its
        // own, so an open phrase ends before it).
        const std::string text =
            (options.savedName ? run.search.filter : options.filterText) + "\n新";
        ResultFilter::Error error;
        if (auto filter = ResultFilter::Parse(text, error))
            options.output.filter = std::move(*filter);
        else
            return UsageFailure(std::string("--new-only: ") + error.what());
    }
    // The file is opened first: a search whose rows cannot be kept is not started.
    std::optional<AtomicFile> file;
    std::string why;
    if (options.outputPath) {
        file.emplace(options.outputPath);
        if (!file->open(&why))
            return WriteFailure(why);
    }
    StopOnInterrupt();

    // The headless services print message boxes to standard error as "title: text".
    const bool notify = options.notify;
    CliWindow window(Utf8ToText(keyword), std::move(options.output), file ? file->stream() : stdout,
                     stderr, &g_interrupted);
    g_window = &window;
    if (options.savedName || options.saveName)
        window.setSeenFiles(run.seen);
    SetFatalErrorHook(ReportFatalError);
    // The client's files are read once: a search is over before they change much.
    window.setClientMarker(
        ClientMarker(std::make_shared<const ClientState>(ReadClientState(ClientDirectory()))));
    RegexObject regex;
    SearchWorkflow workflow(window, regex);
    SearchSettings settings = workflow.settings();
    settings.parallelRequests = options.jobs;
    settings.rowLimit = options.maxRows;
    workflow.setSettings(settings);

    // A run that records anything keeps the viewer services' back-off too.
    if (run.store)
        workflow.backoff().restore(*run.store);
    const SearchOutcome outcome = workflow.StartSearch();
    window.finish();
    if (!window.writeError().empty()) {
        file.reset(); // a file half written is not left behind
        EndAfterWriteError(window, options.outputPath);
    }
    // Closing standard output is its last write: some file systems only fail here. Everything
    // was flushed, so nothing is written to it after.
    if (!file && ::close(STDOUT_FILENO) != 0 && errno != EBADF) {
        std::fprintf(stderr, "写入输出失败：%s\n", std::strerror(errno));
        LeaveNow(WriteError);
    }
    ReportPages(workflow.report(), outcome);
    RecordRun(run, window, outcome, started);
    if (run.store && !workflow.backoff().keep(*run.store) && !run.store->readOnly())
        StoreNotUpdated(*run.store, run.store->error());
    if (notify)
        NotifyNewRows(run, window);
    Exit status = ExitStatus(outcome);
    // What was listed is kept, as on standard output; when nothing was read the file stays as
    // it was. The temporary file goes before the quick exit, which runs no destructors.
    if (file && status != Unreachable && status != Usage) {
        if (!window.exportError().empty())
            status = WriteFailure(window.exportError());
        else if (!file->commit(&why))
            status = WriteFailure(why);
    }
    file.reset();
    // Closed before the quick exit too: the store's write-ahead log is folded back into it,
    // not left beside it.
    run.store.reset();
    // A leak-checked build returns, so its checker still sees what the search would leak.
    if (!kLeakChecked)
        LeaveNow(status);
    return status;
}
