// jiujiu-cli [--json] KEYWORD: the search without a window, for scripts.
#include "cliwindow.h"
#include "runtime/codepage.h"
#include "runtime/outofmemory.h"
#include "search/regexobject.h"
#include "search/searchworkflow.h"

#include <cstdio>
#include <cstring>

using namespace jiujiu;

int main(int argc, char **argv)
{
    InstallAllocationFailureHandler();
    CliWindow::Format format = CliWindow::Format::Tsv;
    const char *keyword = nullptr;
    for (int i = 1; i < argc; ++i) {
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
