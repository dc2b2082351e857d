#pragma once

#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistproxy.h"

#include <QVBoxLayout>
#include <QWidget>

namespace jiujiu::test {

// The result list with its filter row above it, as the window's result page lays them out.
struct ResultListPage
{
    ResultListPage()
    {
        auto *layout = new QVBoxLayout(&page);
        layout->addWidget(bar);
        layout->addWidget(list);
    }

    QWidget page;
    ReportListView *list = new ReportListView(&page);
    ResultFilterBar *bar = new ResultFilterBar(list->shownModel(), &page);
};

} // namespace jiujiu::test
