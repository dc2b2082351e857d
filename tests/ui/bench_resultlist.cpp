// Fills the shown result list with 100 000 rows the way a search does (insert the caption,
// then four cells), then reads, scrolls to the end, and clears. Prints the times.
// Usage: bench_resultlist [ROWS]   (QT_QPA_PLATFORM=offscreen)

#include "runtime/codepage.h"
#include "ui/listcommands.h"
#include "ui/reportlistview.h"

#include <QApplication>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace jiujiu;

namespace {

double Milliseconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    ReportListView list;
    list.resize(771, 382);
    list.show();
    if (!QTest::qWaitForWindowExposed(&list))
        return 1;

    const Text name = Utf8ToText("每日新闻合集 第01期 高清版.mkv");
    const Text size = Utf8ToText("1.2 GB");
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rows; ++i) {
        const int row = ListInsertItem(list, {}, Value(std::to_string(i + 1)));
        ListSetItemText(list, row, Value(1), Value(name));
        ListSetItemText(list, row, Value(2), Value(size));
        ListSetItemText(list, row, Value(3), Value("12"));
        ListSetItemText(
            list, row, Value(4),
            Value("ed2k://|file|" + name + "|1288490188|0123456789ABCDEF0123456789ABCDEF|/"));
        if (i % 1000 == 999)
            QCoreApplication::processEvents(); // the search keeps the window live as it goes
    }
    QCoreApplication::processEvents();
    std::printf("fill %d rows (insert + 4 cells): %.1f ms\n", rows, Milliseconds(start));

    start = std::chrono::steady_clock::now();
    std::size_t bytes = 0;
    for (int i = 0; i < rows; i += 7)
        bytes += ListGetItemText(list, i, Value(4)).size();
    std::printf("read every 7th link: %.1f ms (%zu bytes)\n", Milliseconds(start), bytes);

    start = std::chrono::steady_clock::now();
    list.scrollToBottom();
    list.repaint();
    std::printf("scroll to the end and paint: %.1f ms\n", Milliseconds(start));

    start = std::chrono::steady_clock::now();
    ListDeleteAllItems(list);
    QCoreApplication::processEvents();
    std::printf("delete all: %.1f ms\n", Milliseconds(start));
    return 0;
}
