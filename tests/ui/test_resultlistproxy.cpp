// The result list's proxy against references: a proxy worked out from scratch over the same
// model, Qt's model tester, and jiujiu-cli's order and filter for the same rows.
#include "childprocess.h"
#include "cliwindow.h"
#include "ed2kclient/clientstate.h"
#include "results/clientmarker.h"
#include "results/collator.h"
#include "results/resultfilter.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"
#include "ui/listcommands.h"
#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

std::vector<int> Shown(const ResultListProxy &proxy)
{
    std::vector<int> rows;
    for (int row = 0; row < proxy.rowCount(); ++row)
        rows.push_back(proxy.sourceRow(row));
    return rows;
}

// Qt's model tester reports through warnings of its own category: each one fails the test.
std::vector<std::string> g_testerFailures;

void RecordTesterFailures(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg && context.category && std::string(context.category) == "qt.modeltest")
        g_testerFailures.push_back(text.toStdString());
}

ResultRow RandomRow(std::mt19937 &random, int serial)
{
    static const char *const names[] = {"Abd", "abc",   "第10期",      "第2期", "张三", "李四",
                                        "",    "Jerry", "jerry remix", "Ｂ",    "b10",  "b9"};
    static const char *const sizes[] = {"700 MB", "1.2 GB", "?", "12.3KB", "700 MB", ""};
    static const char *const sources[] = {"12", "3", "", "300", "12", "x"};
    const int file = static_cast<int>(random() % 9); // few files: many copies to merge
    const std::string link = "ed2k://|file|f" + std::to_string(file) + ".mkv|" +
                             std::to_string(1000 + file) + "|0123456789ABCDEF0123456789ABCD" +
                             std::to_string(10 + file) + "|/";
    return {Utf8ToText(std::to_string(serial)), Utf8ToText(names[random() % 12]),
            Utf8ToText(sizes[random() % 6]), Utf8ToText(sources[random() % 6]),
            random() % 7 ? Utf8ToText(link) : Text("not a link")};
}

std::string Unescaped(const std::string &cell)
{
    std::string out;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] != '\\' || i + 1 == cell.size()) {
            out += cell[i];
            continue;
        }
        const char c = cell[++i];
        out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return out;
}

// TSV lines of jiujiu-cli: the first cell of each (the serial), or the whole rows.
std::vector<std::vector<std::string>> TsvRows(const std::string &out)
{
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    for (std::size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1) {
        std::vector<std::string> cells;
        const std::string line = out.substr(start, nl - start);
        std::size_t from = 0;
        for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            cells.push_back(Unescaped(line.substr(from, tab - from)));
        cells.push_back(Unescaped(line.substr(from)));
        rows.push_back(std::move(cells));
    }
    return rows;
}

} // namespace

// Pages listed, cells rewritten, rows inserted before others, sorts, filters, merging on and
// off, the list emptied: the proxy kept up to date step by step shows what a proxy made from
// scratch shows, and Qt's model tester finds nothing wrong with its signals.
TEST(ResultListProxy, StaysWhatAFreshProxyShows)
{
    const Collator collator("zh_CN");
    ResultListModel model(collator, nullptr);
    ResultListProxy proxy(&model);
    proxy.setFilterSliceRows(5);
    g_testerFailures.clear();
    const QtMessageHandler previous = qInstallMessageHandler(RecordTesterFailures);
    QAbstractItemModelTester tester(&proxy,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);

    const char *const filters[] = {"", "jerry", "-abc", "size>=1MB", "sources>=10", "b"};
    std::mt19937 random(17);
    int serial = 0;
    int compared = 0;
    for (int step = 0; step < 400; ++step) {
        switch (random() % 8) {
        case 0:
        case 1:
        case 2: { // a page of a search
            std::vector<ResultRow> page;
            for (int n = static_cast<int>(random() % 12); n > 0; --n)
                page.push_back(RandomRow(random, ++serial));
            model.appendRows(std::move(page));
            break;
        }
        case 3: { // a list command writes a cell
            if (model.count() == 0)
                break;
            const ResultRow row = RandomRow(random, 0);
            const int column = static_cast<int>(random() % kResultColumnCount);
            model.setCellText(static_cast<int>(random() % static_cast<unsigned>(model.count())),
                              column, row[column]);
            break;
        }
        case 4:
            if (random() % 3 == 0)
                model.insertItem(
                    static_cast<int>(random() % static_cast<unsigned>(model.count() + 1)),
                    {QString::number(++serial)});
            else
                proxy.setMergeDuplicates(!proxy.mergeDuplicates());
            break;
        case 5:
            proxy.sort(static_cast<int>(random() % (kResultColumnCount + 1)) - 1,
                       random() % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
            break;
        case 6:
            proxy.setFilter(ResultFilter::Parse(filters[random() % 6]));
            break;
        default:
            if (random() % 10 == 0)
                model.deleteAllItems();
            break;
        }
        QCoreApplication::processEvents();
        if (proxy.isFiltering())
            continue;
        ResultListProxy fresh(&model);
        fresh.setMergeDuplicates(proxy.mergeDuplicates());
        fresh.sort(proxy.sortColumn(), proxy.sortOrder());
        fresh.setFilter(proxy.filter());
        ASSERT_EQ(Shown(proxy), Shown(fresh)) << "step " << step;
        compared += proxy.rowCount();
    }
    qInstallMessageHandler(previous);
    EXPECT_GT(compared, 3000);
    EXPECT_EQ(g_testerFailures, std::vector<std::string>());
}

// The window and jiujiu-cli list the same rows in the same order, for every column and
// direction, merged or not, under a Chinese locale and under the root order.
TEST(ResultListProxy, ListsInTheOrderOfTheCommandLine)
{
    const test::DemoServiceProcess service;
    ASSERT_FALSE(service.host().empty());
    const char *const columns[] = {"serial", "name", "size", "sources", "link"};
    int compared = 0;
    for (const char *locale : {"zh_CN.UTF-8", "C"}) {
        const std::vector<std::string> env = {"JIUJIU_VIEWER_HOST=" + service.host(),
                                              std::string("LC_ALL=") + locale};
        const auto run = [&env](std::vector<std::string> args) {
            args.insert(args.begin(), JIUJIU_CLI);
            args.push_back("排序");
            test::ChildProcess cli(args, env);
            std::string out;
            EXPECT_EQ(cli.finish(&out), 0);
            return TsvRows(out);
        };
        const auto listed = run({});
        ASSERT_GE(listed.size(), 13u);

        const Collator collator(locale);
        ReportListView view(collator);
        std::vector<ResultRow> rows;
        for (const auto &cells : listed)
            rows.emplace_back(Utf8ToText(cells[0]), Utf8ToText(cells[1]), Utf8ToText(cells[2]),
                              Utf8ToText(cells[3]), Utf8ToText(cells[4]));
        ListAppendRows(view, std::move(rows));
        for (const bool merge : {false, true}) {
            view.shownModel()->setMergeDuplicates(merge);
            for (int column = SerialColumn; column < kResultColumnCount; ++column) {
                for (const bool descending : {false, true}) {
                    SCOPED_TRACE(std::string(locale) + " " + columns[column] +
                                 (descending ? ":desc" : "") + (merge ? " merged" : ""));
                    std::vector<std::string> args = {"--sort", std::string(columns[column]) +
                                                                   (descending ? ":desc" : "")};
                    if (merge)
                        args.push_back("--merge");
                    std::vector<std::string> cli;
                    for (const auto &cells : run(args))
                        cli.push_back(cells[0]);
                    view.sortByColumn(column,
                                      descending ? Qt::DescendingOrder : Qt::AscendingOrder);
                    std::vector<std::string> window;
                    for (int row : view.shownRows())
                        window.push_back(TextToUtf8(view.listModel()->row(row)[SerialColumn]));
                    EXPECT_EQ(window, cli);
                    compared += static_cast<int>(cli.size());
                }
            }
        }
    }
    EXPECT_GT(compared, 400);
}

// For every filter, merged or not, sorted or not, the window and jiujiu-cli's window show the
// same rows in the same order: they read one ResultList, but each drives it its own way (the
// window page by page with a kept order, the command line streaming or at the end).
TEST(ResultListProxy, FiltersAsTheCommandLineDoes)
{
    const auto row = [](int serial, const std::string &name, const char *size, const char *sources,
                        const std::string &link) {
        return ResultRow(Utf8ToText(std::to_string(serial)), Utf8ToText(name), Utf8ToText(size),
                         Utf8ToText(sources), Utf8ToText(link));
    };
    const auto link = [](const std::string &name, const char *bytes, char hash) {
        return "ed2k://|file|" + name + "|" + bytes + "|" + std::string(31, '0') + hash + "|/";
    };
    const std::vector<std::vector<ResultRow>> pages = {
        {row(1, "The Movie 2024.mkv", "1.37 GB", "10",
             link("The.Movie.2024.mkv", "1471026299", 'A')),
         row(2, "the movie 2024 copy", "1.37 GB", "50",
             link("The.Movie.2024.mkv", "1471026299", 'A')),
         row(3, "Song.mp3", "5.00 MB", "3", link("Song.mp3", "5242880", 'B')),
         row(4, "Setup.mp4.exe", "2.00 MB", "100", link("Setup.mp4.exe", "2097152", 'C')),
         row(5, "Broken.avi", "700 MB", "8", "ed2k://|file|Broken.avi|lots|zz|/"),
         row(6, "Notes.pdf", "300 KB", "", link("Notes.pdf", "307200", 'D'))},
        {row(7, "Movie Extras.mkv", "700 MB", "7", link("Movie.Extras.mkv", "734003200", 'E')),
         row(8, "Archive.rar", "100 MB", "5", link("Archive.rar", "104857600", 'F')),
         row(9, "The Movie 2024", "1.37 GB", "20", link("The.Movie.2024.mkv", "1471026299", 'A')),
         row(10, "Picture.jpg", "1.00 MB", "2", link("Picture.jpg", "1048576", '7'))},
    };
    std::size_t total = 0;
    for (const auto &page : pages)
        total += page.size();
    const ClientMarker marker(
        std::make_shared<const ClientState>(std::vector<FileId>{*pages[1][0].link().file()},
                                            std::vector<PartMet>{}, std::vector<Md4Hash>{}));
    ReportListView view(Collator::ForEnvironment());
    view.listModel()->setMarker(&marker);
    for (auto page : pages)
        ListAppendRows(view, std::move(page));

    const char *const filters[] = {"",
                                   "movie",
                                   "-movie",
                                   "\"movie 2024\"",
                                   "size>=1GB",
                                   "size<100MB sources>=5",
                                   "type:视频",
                                   "type:program",
                                   "-ext:mkv",
                                   "ext:mkv",
                                   "status:已有",
                                   "-status:已有",
                                   "可疑",
                                   "-可疑",
                                   "链接无效",
                                   "-链接无效"};
    const std::optional<SortRequest> sorts[] = {std::nullopt, SortRequest{NameColumn, false},
                                                SortRequest{SizeColumn, true},
                                                SortRequest{SourcesColumn, false}};
    for (const char *expression : filters) {
        ResultFilter::Error error;
        const std::optional<ResultFilter> filter = ResultFilter::Parse(expression, error);
        ASSERT_TRUE(filter) << expression << ": " << error.what();
        view.shownModel()->setFilter(*filter);
        for (const bool merge : {false, true}) {
            view.shownModel()->setMergeDuplicates(merge);
            for (const auto &sort : sorts) {
                SCOPED_TRACE(std::string(expression) + (merge ? " merged" : "") + " sort " +
                             (sort ? std::to_string(sort->column) : "none"));
                if (sort)
                    view.sortByColumn(sort->column,
                                      sort->descending ? Qt::DescendingOrder : Qt::AscendingOrder);
                else
                    view.shownModel()->sort(-1);
                std::vector<std::string> window;
                for (int shown : view.shownRows())
                    window.push_back(TextToUtf8(view.listModel()->row(shown)[SerialColumn]));

                CliOptions options;
                options.merge = merge;
                options.sort = sort;
                options.filter = *filter;
                std::unique_ptr<std::FILE, int (*)(std::FILE *)> out(std::tmpfile(), &std::fclose);
                ASSERT_TRUE(out);
                CliWindow cli(Text("k"), options, out.get(), stderr);
                cli.setClientMarker(marker);
                for (auto page : pages)
                    cli.appendRows(std::move(page));
                cli.finish();
                std::rewind(out.get());
                std::string printed;
                for (int c; (c = std::fgetc(out.get())) != EOF;)
                    printed += static_cast<char>(c);
                std::vector<std::string> command;
                for (const auto &cells : TsvRows(printed))
                    command.push_back(cells[0]);
                EXPECT_EQ(window, command);
                // Each filter tells rows apart: it shows some, and not all.
                if (*expression && !merge && !sort) {
                    EXPECT_GT(window.size(), 0u);
                    EXPECT_LT(window.size(), total);
                }
            }
        }
    }
}
