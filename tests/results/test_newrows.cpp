// Rows new since a saved search last ran: the result list marks them from the files earlier
// runs listed, and the filter's 新 and -新 select them, merged or not.
#include "results/collator.h"
#include "results/resultfilter.h"
#include "results/resultlist.h"
#include "runtime/codepage.h"
#include "store/seenfiles.h"

#include <gtest/gtest.h>

using namespace jiujiu;

namespace {

std::string Link(char digit, const char *name = "a.mkv")
{
    return std::string("ed2k://|file|") + name + "|1000|" + std::string(32, digit) + "|/";
}

ResultRow Row(int serial, const std::string &link)
{
    return ResultRow(Utf8ToText(std::to_string(serial)), Utf8ToText("a.mkv"), Utf8ToText("1 KB"),
                     Utf8ToText("3"), Utf8ToText(link));
}

std::vector<std::size_t> Accepted(const ResultList &list, const char *expression, bool merged)
{
    ResultFilter::Error error;
    const auto filter = ResultFilter::Parse(expression, error);
    EXPECT_TRUE(filter) << error.what();
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < list.count(); ++r)
        if (list.accepts(r, *filter, merged))
            rows.push_back(r);
    return rows;
}

} // namespace

TEST(NewRows, MarkedFromTheSeenFilesAndSelectedByTheFilter)
{
    // File 1 was listed before; 2 was not (listed twice now); the broken link never counts.
    const SeenFiles seen({SeenFiles::KeyOf(*Ed2kLink::Parse(Link('1')).file())}, true);
    const SeenFiles firstRun({}, false);
    for (const SeenFiles *files : {&seen, &firstRun, static_cast<const SeenFiles *>(nullptr)}) {
        ResultList list(Collator::ForEnvironment());
        list.setSeenFiles(files);
        list.append({Row(1, Link('1')), Row(2, Link('2')), Row(3, Link('2', "b.mkv")),
                     Row(4, Link('3').substr(0, 40))});
        const bool marks = files == &seen;
        const std::vector<bool> expected = {false, marks, marks, false};
        for (std::size_t r = 0; r < expected.size(); ++r)
            EXPECT_EQ(list.isNew(r), expected[r]) << "row " << r;
        using Rows = std::vector<std::size_t>;
        EXPECT_EQ(Accepted(list, "新", false), marks ? Rows({1, 2}) : Rows());
        EXPECT_EQ(Accepted(list, "new", true), marks ? Rows({1}) : Rows());
        EXPECT_EQ(Accepted(list, "-新", false), marks ? Rows({0, 3}) : Rows({0, 1, 2, 3}));
    }
}
