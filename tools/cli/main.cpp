// jiujiu-cli [OPTIONS] KEYWORD: the search without a window, for scripts.
#include "cliwindow.h"
#include "runtime/codepage.h"
#include "runtime/outofmemory.h"
#include "search/regexobject.h"
#include "search/searchworkflow.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace jiujiu;

namespace {

// Exit statuses.
enum Exit
{
    Complete = 0,
    NoResults = 1,
    Usage = 2,
    Incomplete = 3, // some pages could not be read, or the search was stopped
    Unreachable = 4,
};

const char kUsage[] = "usage: jiujiu-cli [--format tsv|json|csv|links] [--merge] "
                      "[--sort COLUMN[:desc]] [--filter EXPR] [--jobs N] KEYWORD\n";

const char kHelp[] =
    "\n"
    "Searches ed2k resources for KEYWORD and prints one row per resource as it is listed:\n"
    "serial number, name, size, sources and ed2k link, tab-separated (UTF-8).\n"
    "\n"
    "  --format F       tsv (the default), json (one array; size_bytes added), csv (UTF-8\n"
    "                   with BOM: 序号,名称,大小,大小(字节),资源数,链接) or links (one ed2k\n"
    "                   link a line, as ed2k clients import them)\n"
    "  --json           the same as --format json\n"
    "  --merge          one row per file (ed2k hash and size): the most sources, and the\n"
    "                   number of copies (a sixth TSV column, \"copies\" in JSON)\n"
    "  --sort C[:desc]  serial, name, size, sources or link; sizes in bytes, unknown last\n"
    "  --filter EXPR    words ANDed, -word excludes, \"a phrase\", size>=700MB, size<2GB,\n"
    "                   sources>=10; case-insensitive over name and link\n"
    "  --jobs N         fetch N result pages at a time (1 to 8, default 4)\n"
    "  --help           print this help and exit\n"
    "\n"
    "Ctrl-C stops the search; the rows printed so far stand.\n"
    "The page-source viewer service is JIUJIU_VIEWER_HOST (host[:port]).\n"
    "Exit status: 0 every page listed, 1 no results, 2 empty keyword or bad usage,\n"
    "3 incomplete (pages that could not be read are named on standard error) or stopped,\n"
    "4 the service cannot be reached.\n";

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
    int jobs = 4;
    const char *keyword = nullptr;
    bool help = false;
};

bool ParseJobs(const char *text, int &jobs)
{
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!text[0] || *end || value < 1 || value > 8)
        return false;
    jobs = static_cast<int>(value);
    return true;
}

// "--name VALUE" or "--name=VALUE" at argv[i]; advances i past what it used.
const char *OptionValue(const char *name, int argc, char **argv, int &i)
{
    const std::size_t length = std::strlen(name);
    if (std::strncmp(argv[i], name, length) != 0)
        return nullptr;
    if (argv[i][length] == '=')
        return argv[i] + length + 1;
    if (argv[i][length] != '\0' || i + 1 >= argc)
        return nullptr;
    return argv[++i];
}

// Options come before the keyword; "--" ends them. --help wins over everything after it.
bool ParseOptions(int argc, char **argv, Options &options)
{
    bool optionsEnded = false;
    bool formatGiven = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (options.keyword)
            return false; // one keyword only, options before it
        if (optionsEnded || arg[0] != '-' || arg[1] == '\0') {
            options.keyword = arg;
        } else if (std::strcmp(arg, "--help") == 0) {
            options.help = true;
            return true;
        } else if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(arg, "--json") == 0 && !formatGiven) {
            formatGiven = true;
            options.output.format = CliOptions::Format::Json;
        } else if (const char *format = OptionValue("--format", argc, argv, i)) {
            const auto parsed = CliOptions::ParseFormat(format);
            if (!parsed || formatGiven)
                return false;
            formatGiven = true;
            options.output.format = *parsed;
        } else if (std::strcmp(arg, "--merge") == 0) {
            options.output.merge = true;
        } else if (const char *sort = OptionValue("--sort", argc, argv, i)) {
            options.output.sort = SortRequest::Parse(sort);
            if (!options.output.sort)
                return false;
        } else if (const char *filter = OptionValue("--filter", argc, argv, i)) {
            options.output.filter = ResultFilter::Parse(filter);
        } else if (std::strcmp(arg, "--jobs") == 0 && i + 1 < argc) {
            if (!ParseJobs(argv[++i], options.jobs))
                return false;
        } else {
            return false;
        }
    }
    return options.keyword != nullptr;
}

// One line per page that could not be read, then the pages never read.
void ReportPages(const SearchReport &report, SearchOutcome outcome)
{
    for (const PageOutcome &page : report.pages) {
        if (!page.failure.empty())
            std::fprintf(stderr, "page %d: %s\n", page.page, page.failure.c_str());
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
        const char *why =
            outcome == SearchOutcome::Stopped ? "stopped" : "not asked for after failed pages";
        if (first == last)
            std::fprintf(stderr, "page %d: %s\n", first, why);
        else
            std::fprintf(stderr, "pages %d-%d: %s\n", first, last, why);
    }
}

} // namespace

int main(int argc, char **argv)
{
    InstallAllocationFailureHandler();
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return Usage;
    }
    if (options.help) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return Complete;
    }
    StopOnInterrupt();

    // The headless services print message boxes to standard error as "title: text".
    CliWindow window(Utf8ToText(options.keyword), std::move(options.output), stdout, stderr,
                     &g_interrupted);
    RegexObject regex;
    SearchWorkflow workflow(window, regex);
    SearchSettings settings = workflow.settings();
    settings.parallelRequests = options.jobs;
    workflow.setSettings(settings);

    const SearchOutcome outcome = workflow.StartSearch();
    window.finish();
    ReportPages(workflow.report(), outcome);
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
    default:
        return Usage;
    }
}
