// The result list's proxy against references: a proxy worked out from scratch over the same
// model, Qt's model tester, and jiujiu-cli's order for the same rows.
#include "childprocess.h"
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
#include <gtest/gtest.h>
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
