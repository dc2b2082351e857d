// jiujiu-cli [OPTIONS] KEYWORD: the search without a window, for scripts.
#include "cliwindow.h"
#include "runtime/codepage.h"
#include "search/regexobject.h"
#include "search/searchworkflow.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

using namespace jiujiu;

namespace {

const char kUsage[] = "usage: jiujiu-cli [--format tsv|json|csv|links] [--merge] "
                      "[--sort COLUMN[:desc]] [--filter EXPR] KEYWORD\n";

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
    "  --help           print this help and exit\n"
    "\n"
    "The page-source viewer service is JIUJIU_VIEWER_HOST (host[:port]).\n"
    "Exit status: 0 results listed, 1 no results, 2 empty keyword or bad usage.\n";

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

} // namespace

int main(int argc, char **argv)
{
    // Names sort by the user's collation (LC_COLLATE); nothing else follows the locale.
    std::setlocale(LC_COLLATE, "");
    CliOptions options;
    bool formatGiven = false;
    const char *keyword = nullptr;
    bool bad = false;
    for (int i = 1; i < argc && !bad; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 && !keyword) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--json") == 0 && !formatGiven) {
            options.format = CliOptions::Format::Json;
            formatGiven = true;
        } else if (const char *format = OptionValue("--format", argc, argv, i)) {
            const auto parsed = CliOptions::ParseFormat(format);
            bad = !parsed || formatGiven;
            options.format = parsed.value_or(options.format);
            formatGiven = true;
        } else if (std::strcmp(argv[i], "--merge") == 0) {
            options.merge = true;
        } else if (const char *sort = OptionValue("--sort", argc, argv, i)) {
            options.sort = SortSpec::Parse(sort);
            bad = !options.sort;
        } else if (const char *filter = OptionValue("--filter", argc, argv, i)) {
            options.filter = ResultFilter::Parse(filter);
        } else if (std::strcmp(argv[i], "--") == 0 && i + 1 == argc - 1 && !keyword) {
            keyword = argv[++i];
        } else if ((argv[i][0] == '-' && argv[i][1] != '\0') || keyword) {
            bad = true; // an unknown option, or a second keyword
        } else {
            keyword = argv[i];
        }
    }
    if (!keyword || bad) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // The headless services print message boxes to standard error as "title: text".
    CliWindow window(Utf8ToText(keyword), std::move(options), stdout, stderr);
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
