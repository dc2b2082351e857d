// The window's side of the client's marks: 100 000 rows listed, half of them files of a
// known.met of 50 000 files; the watcher reads the client's directory and the rows are marked.
// Prints the time until every row shows its mark and the longest stretch in which the event
// loop did not run, as listed and while sorted by size with 隐藏已有 on (targets: under 100 ms
// in all, no stall over 50 ms).
// Usage: bench_clientmarksview [ROWS] [KNOWN_FILES]   (QT_QPA_PLATFORM=offscreen)

#include "metwriter.h"
#include "resultlistpage.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"
#include "scratchdirectory.h"
#include "ui/clientmarkswatcher.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <random>

using namespace jiujiu;

namespace {

// Longest time between two turns of the event loop while it runs.
class StallProbe
{
public:
    StallProbe()
    {
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_longest = 0;
        m_last = 0;
        m_clock.start();
        m_timer.start();
    }
    double stop()
    {
        m_timer.stop();
        return m_longest / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rowCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int knownCount = argc > 2 ? std::max(1, std::atoi(argv[2])) : 50000;

    std::mt19937_64 random(11);
    std::vector<FileId> known(static_cast<std::size_t>(knownCount));
    for (FileId &file : known)
        file = test::RandomFileId(random);
    std::vector<ResultRow> rows;
    for (int i = 0; i < rowCount; ++i) {
        const FileId file =
            i % 2 == 0 ? known[random() % known.size()] : test::RandomFileId(random);
        rows.emplace_back(std::to_string(i + 1), "series.mkv", std::to_string(file.size) + " B",
                          std::to_string(random() % 4000),
                          Utf8ToText("ed2k://|file|series.mkv|" + std::to_string(file.size) + "|" +
                                     Md4Hex(file.hash) + "|/"));
    }
    const test::ScratchDirectory client("jiujiu-bench-marks");
    test::WriteFile(client.path() / "known.met", test::KnownMetFile(known));

    for (const bool sortedHidingKnown : {false, true}) {
        test::ResultListPage shown;
        QWidget &page = shown.page;
        ReportListView *list = shown.list;
        ResultFilterBar *bar = shown.bar;
        page.resize(771, 414);
        page.show();
        if (!QTest::qWaitForWindowExposed(&page))
            return 1;
        list->listModel()->appendRows(rows);
        if (sortedHidingKnown) {
            list->horizontalHeader()->setSortIndicator(SizeColumn, Qt::DescendingOrder);
            bar->findChild<QCheckBox *>(QStringLiteral("隐藏已有"))->setChecked(true);
        }
        QCoreApplication::processEvents();

        StallProbe probe;
        probe.start();
        QElapsedTimer clock;
        clock.start();
        auto *watcher = new ClientMarksWatcher(list->listModel(), client.path(), list);
        QSignalSpy updated(watcher, &ClientMarksWatcher::marksUpdated);
        const double readStarted = clock.nsecsElapsed() / 1e6;
        updated.wait(10000);
        const double read = clock.nsecsElapsed() / 1e6;
        // Every row marked, and the list showing what the marks make of it.
        const ResultListModel &model = *list->listModel();
        const auto done = [&] {
            if (model.mark(0).status != RowStatus::Known)
                return false;
            int shown = 0;
            for (int row = 0; row < model.count(); ++row)
                shown += model.duplicates().isFirst(static_cast<std::size_t>(row)) &&
                         !(sortedHidingKnown && model.mark(row).status == RowStatus::Known);
            return list->shownModel()->rowCount() == shown && !list->shownModel()->isFiltering();
        };
        while (!done() && clock.elapsed() < 20000)
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        const double all = clock.nsecsElapsed() / 1e6;
        std::printf(
            "%d rows, known.met of %d files, %s: watcher started %.1f ms, read %.1f ms, "
            "every row marked %.1f ms (target 100 ms), longest stall %.1f ms (target 50 ms),"
            " %d shown\n",
            rowCount, knownCount, sortedHidingKnown ? "sorted by size, 隐藏已有 on" : "as listed",
            readStarted, read, all, probe.stop(), list->shownModel()->rowCount());
    }
    return 0;
}
