// jiujiu-cli [--json] KEYWORD: the search without a window, for scripts.
#include "cliwindow.h"
#include "runtime/codepage.h"
#include "search/regexobject.h"
#include "search/searchworkflow.h"

#include <cstdio>
#include <cstring>

using namespace jiujiu;

namespace {

const char kHelp[] =
    "usage: jiujiu-cli [--json] KEYWORD\n"
    "\n"
    "Searches ed2k resources for KEYWORD and prints one row per resource as it is listed:\n"
    "serial number, name, size, sources and ed2k link, tab-separated (UTF-8).\n"
    "\n"
    "  --json   print the rows as one JSON array instead\n"
    "  --help   print this help and exit\n"
    "\n"
    "The page-source viewer service is JIUJIU_VIEWER_HOST (host[:port]).\n"
    "Exit status: 0 results listed, 1 no results, 2 empty keyword or bad usage.\n";

} // namespace

int main(int argc, char **argv)
{
    CliWindow::Format format = CliWindow::Format::Tsv;
    const char *keyword = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 && !keyword) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--json") == 0 && format == CliWindow::Format::Tsv) {
            format = CliWindow::Format::Json;
        } else if (std::strcmp(argv[i], "--") == 0 && i + 1 == argc - 1 && !keyword) {
            keyword = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0' && !keyword) {
            keyword = nullptr;
            break;
        } else if (!keyword) {
            keyword = argv[i];
        } else {
            keyword = nullptr;
            break;
        }
    }
    if (!keyword) {
        std::fprintf(stderr, "usage: jiujiu-cli [--json] KEYWORD\n");
        return 2;
    }

    // The headless services print message boxes to standard error as "title: text".
    CliWindow window(Utf8ToText(keyword), format, stdout, stderr);
    RegexObject regex;
    SearchWorkflow workflow(window, regex);
    const SearchOutcome outcome = workflow.StartSearch();
    window.finish();
    switch (outcome) {
    case SearchOutcome::Listed:
        return 0;
    case SearchOutcome::NoResults:
        return 1;
    default:
        return 2;
    }
}
