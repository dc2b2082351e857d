// The filter row over a real result list: what it shows for a filter it cannot read.
#include "resultlistpage.h"
#include "runtime/codepage.h"
#include "ui/listcommands.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistproxy.h"

#include <QApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

std::vector<std::string> ShownSerials(const ResultListProxy &proxy)
{
    std::vector<std::string> out;
    for (int row = 0; row < proxy.rowCount(); ++row)
        out.push_back(proxy.index(row, 0).data().toString().toStdString());
    return out;
}

} // namespace

TEST(ResultFilterBar, ATermThatIsNoBoundShowsWhyAndKeepsTheLastFilter)
{
    test::ResultListPage shown;
    QWidget &page = shown.page;
    ReportListView *list = shown.list;
    ResultFilterBar *bar = shown.bar;
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    const struct
    {
        const char *name, *size, *sources, *link;
    } rows[] = {
        {"Tom & Jerry.mkv", "700 MB", "5", "ed2k://|file|tom.mkv|734003200|A|/"},
        {"Jerry.Harbor.mkv", "1.2 GB", "30", "ed2k://|file|harbor.mkv|1288490189|B|/"},
        {"每日新闻.mp4", "12.3KB", "40", "ed2k://|file|news.mp4|12595|C|/"},
    };
    for (const auto &r : rows) {
        const int row =
            ListInsertItem(*list, {}, Value(std::to_string(list->model()->rowCount() + 1)));
        ListSetItemText(*list, row, Value(1), Value(Utf8ToText(r.name)));
        ListSetItemText(*list, row, Value(2), Value(Utf8ToText(r.size)));
        ListSetItemText(*list, row, Value(3), Value(Utf8ToText(r.sources)));
        ListSetItemText(*list, row, Value(4), Value(Utf8ToText(r.link)));
    }
    QCoreApplication::processEvents();

    QLineEdit *box = bar->filterBox();
    const QColor normalText = box->palette().color(QPalette::Text);
    const QString help = box->toolTip();
    ResultListProxy *proxy = list->shownModel();
    const auto apply = [&](const char *text) {
        box->setText(QString::fromUtf8(text));
        bar->applyNow();
        for (int waited = 0; proxy->isFiltering() && waited < 2000; waited += 10)
            QTest::qWait(10);
    };
    const struct
    {
        const char *typed;
        std::vector<std::string> shown;
        const char *badTerm; // null when the text reads
    } steps[] = {
        {"jerry", {"1", "2"}, nullptr},
        {"jerry size>=", {"1", "2"}, "size>="},
        {"jerry size>=1GB", {"2"}, nullptr},
        {"jerry size>=lots", {"2"}, "size>=lots"},
        {"sources>=-1", {"2"}, "sources>=-1"},
        {"大小>=99999999999999999999TB", {"2"}, "大小>=99999999999999999999TB"},
        {"", {"1", "2", "3"}, nullptr},
        {"资源数<5", {"1", "2", "3"}, "资源数<5"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.typed);
        apply(step.typed);
        EXPECT_EQ(ShownSerials(*proxy), step.shown);
        if (step.badTerm) {
            EXPECT_TRUE(bar->filterError().contains(QString::fromUtf8(step.badTerm)))
                << bar->filterError().toStdString();
            EXPECT_EQ(box->toolTip(), bar->filterError());
            EXPECT_NE(box->palette().color(QPalette::Text), normalText);
        } else {
            EXPECT_EQ(bar->filterError(), QString());
            EXPECT_EQ(box->toolTip(), help);
            EXPECT_EQ(box->palette().color(QPalette::Text), normalText);
        }
    }
    // The other fields still apply while the box holds a term it cannot read.
    bar->findChild<QSpinBox *>(QStringLiteral("最少资源数"))->setValue(35);
    bar->applyNow();
    for (int waited = 0; proxy->isFiltering() && waited < 2000; waited += 10)
        QTest::qWait(10);
    EXPECT_EQ(ShownSerials(*proxy), (std::vector<std::string>{"3"}));
    EXPECT_FALSE(bar->filterError().isEmpty());
}
