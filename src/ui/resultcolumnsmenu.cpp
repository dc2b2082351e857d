#include "ui/resultcolumnsmenu.h"

#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>

namespace jiujiu {
namespace {

// The choice of this run, shared by every list: 类型, 提示, 状态.
bool g_shown[3] = {false, false, false};

bool &Shown(int column)
{
    return g_shown[column - ResultListModel::TypeColumn];
}

constexpr int kViewColumns[] = {ResultListModel::TypeColumn, ResultListModel::HintColumn,
                                ResultListModel::StatusColumn};

} // namespace

ResultColumnsMenu::ResultColumnsMenu(ReportListView *view)
    : QObject(view), m_view(view), m_menu(new QMenu(view))
{
    m_menu->setObjectName(QStringLiteral("列菜单"));
    m_type = m_menu->addAction(QCoreApplication::translate("jiujiu", "类型"));
    m_hint = m_menu->addAction(QCoreApplication::translate("jiujiu", "提示"));
    m_status = m_menu->addAction(QCoreApplication::translate("jiujiu", "状态"));
    for (int column : kViewColumns) {
        QAction *entry = action(column);
        entry->setCheckable(true);
        connect(entry, &QAction::toggled, this, [this, column](bool on) {
            Shown(column) = on;
            apply();
        });
    }
    m_view->setColumnWidth(ResultListModel::TypeColumn, 56);
    m_view->setColumnWidth(ResultListModel::HintColumn, 260);
    m_view->setColumnWidth(ResultListModel::StatusColumn, 80);

    QHeaderView *header = m_view->horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
            [this, header](const QPoint &at) { m_menu->popup(header->mapToGlobal(at)); });
    // A reset of the list may bring the header's sections back as they were first made.
    connect(m_view->shownModel(), &QAbstractItemModel::modelReset, this, &ResultColumnsMenu::apply);
    apply();
}

ResultColumnsMenu::~ResultColumnsMenu() = default;

QAction *ResultColumnsMenu::action(int column) const
{
    return column == ResultListModel::TypeColumn     ? m_type
           : column == ResultListModel::HintColumn   ? m_hint
           : column == ResultListModel::StatusColumn ? m_status
                                                     : nullptr;
}

void ResultColumnsMenu::apply()
{
    for (int column : kViewColumns) {
        const bool shown = Shown(column);
        QAction *entry = action(column);
        const QSignalBlocker quiet(entry);
        entry->setChecked(shown);
        m_view->setColumnHidden(column, !shown);
    }
}

} // namespace jiujiu
