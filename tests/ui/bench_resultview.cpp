// Sorts and filters a shown result list of 100 000 rows and types into the filter box, the
// way a user does after a large search. Prints the times and the longest stretch in which
// the event loop did not run (what the user feels as a stall).
// Usage: bench_resultview [ROWS]   (QT_QPA_PLATFORM=offscreen)

#include "resultlistpage.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"
#include "ui/listcommands.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistproxy.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

// Longest time between two turns of the event loop while it is watched.
class StallProbe
{
public:
    StallProbe()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (now - m_last > m_longest) {
                m_longest = now - m_last;
                m_longestEnd = now;
            }
            m_last = now;
        });
    }
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    double stop()
    {
        m_timer.stop();
        return m_longest / 1e6;
    }
    // When the longest stall ended, in milliseconds since start().
    double longestEnd() const { return m_longestEnd / 1e6; }
    double now() const { return m_clock.nsecsElapsed() / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    qint64 m_longestEnd = 0;
};

std::string Hash(std::mt19937_64 &random)
{
    char hash[33];
    std::snprintf(hash, sizeof hash, "%016llX%016llX", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long long>(random()));
    return hash;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;

    test::ResultListPage shown;
    QWidget &page = shown.page;
    ReportListView *list = shown.list;
    ResultFilterBar *bar = shown.bar;
    page.resize(771, 414);
    page.show();
    if (!QTest::qWaitForWindowExposed(&page))
        return 1;

    // Names from a few series with Latin and Chinese words, sizes as the site writes them, and
    // one file in ten listed twice.
    const char *series[] = {"每日新闻", "啾啾历险记", "Tom & Jerry.Remix",   "Ocean.Blue",
                            "城市猎人", "山海经传说", "Morning.Coffee.Jazz", "星际旅行者"};
    std::mt19937_64 random(42);
    std::string lastLink;
    std::vector<ResultRow> all;
    all.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        const std::string name = std::string(series[random() % 8]) + ".第" +
                                 std::to_string(random() % 5000) + "期." +
                                 (random() % 2 ? "1080p.mkv" : "720p.mp4");
        const std::uint64_t bytes = 80ull * 1024 * 1024 + random() % (3ull << 30);
        char size[32];
        std::snprintf(size, sizeof size, "%.2f GB", bytes / 1073741824.0);
        const std::string link =
            i % 10 == 9 && !lastLink.empty()
                ? lastLink
                : "ed2k://|file|" + name + "|" + std::to_string(bytes) + "|" + Hash(random) + "|/";
        lastLink = link;
        all.emplace_back(std::to_string(i + 1), Utf8ToText(name), std::string(size),
                         std::to_string(random() % 4000), Utf8ToText(link));
    }

    // Listed the way a search lists them, a page of 50 rows at a time, the window served every
    // 20 pages (a search serves it between pages, but offscreen every turn repaints and copies
    // the whole window, which would be all this measures); once as listed, once sorted by size.
    QHeaderView *header = list->horizontalHeader();
    double unsortedMs = 0;
    for (const int sortColumn : {-1, 2}) {
        ListDeleteAllItems(*list);
        header->setSortIndicator(sortColumn, Qt::DescendingOrder);
        QCoreApplication::processEvents();
        StallProbe probe;
        probe.start();
        const auto start = std::chrono::steady_clock::now();
        // With BENCH_TRACE: the slowest 20 pages and the slowest event-loop turn of each 10 000
        // rows (whether they grow with the list).
        const bool trace = std::getenv("BENCH_TRACE") != nullptr;
        auto windowStart = std::chrono::steady_clock::now();
        double slowestPages = 0;
        double slowestTurn = 0;
        for (std::size_t first = 0; first < all.size(); first += 50) {
            std::vector<ResultRow> page(
                all.begin() + static_cast<std::ptrdiff_t>(first),
                all.begin() + static_cast<std::ptrdiff_t>(std::min(first + 50, all.size())));
            ListAppendRows(*list, std::move(page));
            if (first % 1000 == 950) {
                const auto served = std::chrono::steady_clock::now();
                QCoreApplication::processEvents();
                slowestPages = std::max(
                    slowestPages,
                    std::chrono::duration<double, std::milli>(served - windowStart).count());
                slowestTurn = std::max(slowestTurn, Milliseconds(served));
                if (trace && (first + 50) % 10000 == 0) {
                    std::printf("  to %zu rows: slowest 20 pages %.1f ms, slowest turn %.1f ms\n",
                                first + 50, slowestPages, slowestTurn);
                    slowestPages = slowestTurn = 0;
                }
                windowStart = std::chrono::steady_clock::now();
            }
        }
        const double ms = Milliseconds(start);
        const double stall = probe.stop();
        if (sortColumn < 0)
            unsortedMs = ms;
        std::printf(
            "%d rows listed a page of 50 at a time %s (merge on): %.1f ms%s, longest "
            "stall %.1f ms, %d shown\n",
            rows, sortColumn < 0 ? "as listed" : "while sorted by size", ms,
            sortColumn < 0
                ? ""
                : (" (" + std::to_string(ms / unsortedMs).substr(0, 4) + "x, target 1.5x)").c_str(),
            stall, list->shownModel()->rowCount());
    }
    header->setSortIndicator(-1, Qt::AscendingOrder);
    QCoreApplication::processEvents();
    auto start = std::chrono::steady_clock::now();

    const char *titles[] = {"序号", "名称", "大小", "资源数", "下载链接"};
    for (int pass = 0; pass < 2; ++pass) {
        for (int column : {1, 2, 3, 0}) {
            for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                start = std::chrono::steady_clock::now();
                header->setSortIndicator(column, order); // what a header click does
                QCoreApplication::processEvents();
                std::printf("sort by %s %s: %.1f ms\n", titles[column],
                            order == Qt::AscendingOrder ? "ascending" : "descending",
                            Milliseconds(start));
            }
        }
    }

    header->setSortIndicator(2, Qt::DescendingOrder);
    QCoreApplication::processEvents();
    const char *filters[] = {"新闻",          "新闻 第1", "jerry -720p", "\"ocean.blue\" size>=2GB",
                             "sources>=3000", "",         "zzz-nothing"};
    ResultListProxy *proxy = list->shownModel();
    StallProbe probe;
    for (const char *expression : filters) {
        probe.start();
        start = std::chrono::steady_clock::now();
        bar->filterBox()->setText(QString::fromUtf8(expression));
        bar->applyNow();
        while (proxy->isFiltering())
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        QCoreApplication::processEvents();
        const double total = Milliseconds(start);
        std::printf("filter \"%s\" (sorted by size): %.1f ms until shown, longest stall %.1f ms, "
                    "%d shown\n",
                    expression, total, probe.stop(), proxy->rowCount());
    }
    bar->filterBox()->clear();
    bar->applyNow();

    // The worst case of typing: every prefix applied at once, then deleted key by key.
    {
        const QString typed = QStringLiteral("每日新闻 第12期 mkv");
        double longest = 0;
        for (int length = 1; length <= typed.size(); ++length) {
            start = std::chrono::steady_clock::now();
            bar->filterBox()->setText(typed.left(length));
            bar->applyNow();
            while (proxy->isFiltering())
                QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            longest = std::max(longest, Milliseconds(start));
        }
        for (int length = typed.size() - 1; length >= 0; --length) {
            start = std::chrono::steady_clock::now();
            bar->filterBox()->setText(typed.left(length));
            bar->applyNow();
            while (proxy->isFiltering())
                QCoreApplication::processEvents();
            QCoreApplication::processEvents();
            longest = std::max(longest, Milliseconds(start));
        }
        std::printf("every prefix applied at once, typing and deleting: longest %.1f ms until "
                    "shown\n",
                    longest);
    }

    // Typing "每日新闻 第12期" and deleting it again, a key every 60 ms, with the rows sorted.
    QLineEdit *box = bar->filterBox();
    box->setFocus();
    const QString typed = QStringLiteral("每日新闻 第12期 mkv");
    if (std::getenv("BENCH_TRACE"))
        QObject::connect(list->shownModel(), &QAbstractItemModel::layoutChanged, list,
                         [&probe] { std::printf("  layout changed at %.0f ms\n", probe.now()); });
    probe.start();
    start = std::chrono::steady_clock::now();
    for (const QChar ch : typed) {
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::qWait(60);
    }
    QTest::qWait(ResultFilterBar::TypingPauseMs + 100);
    const int narrowed = list->shownModel()->rowCount();
    for (int i = 0; i < typed.size(); ++i) {
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::qWait(60);
    }
    QTest::qWait(ResultFilterBar::TypingPauseMs + 100);
    const double stall = probe.stop();
    std::printf("typing %lld keys and deleting them (%.0f ms): longest stall %.1f ms (ending at "
                "%.0f ms), %d then %d shown\n",
                static_cast<long long>(typed.size()), Milliseconds(start), stall,
                probe.longestEnd(), narrowed, list->shownModel()->rowCount());
    return 0;
}
