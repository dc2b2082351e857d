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

// The choice of this run, shared by every list: 类型, 提示.
bool g_shown[2] = {false, false};

bool &Shown(int column)
{
    return g_shown[column == ResultListModel::TypeColumn ? 0 : 1];
}

} // namespace

ResultColumnsMenu::ResultColumnsMenu(ReportListView *view)
    : QObject(view), m_view(view), m_menu(new QMenu(view))
{
    m_menu->setObjectName(QStringLiteral("列菜单"));
    m_type = m_menu->addAction(QCoreApplication::translate("jiujiu", "类型"));
    m_hint = m_menu->addAction(QCoreApplication::translate("jiujiu", "提示"));
    for (QAction *action : {m_type, m_hint}) {
        action->setCheckable(true);
        connect(action, &QAction::toggled, this, [this, action](bool on) {
            Shown(action == m_type ? ResultListModel::TypeColumn : ResultListModel::HintColumn) =
                on;
            apply();
        });
    }
    m_view->setColumnWidth(ResultListModel::TypeColumn, 56);
    m_view->setColumnWidth(ResultListModel::HintColumn, 260);

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
    return column == ResultListModel::TypeColumn   ? m_type
           : column == ResultListModel::HintColumn ? m_hint
                                                   : nullptr;
}

void ResultColumnsMenu::apply()
{
    for (int column : {ResultListModel::TypeColumn, ResultListModel::HintColumn}) {
        const bool shown = Shown(column);
        QAction *entry = action(column);
        const QSignalBlocker quiet(entry);
        entry->setChecked(shown);
        m_view->setColumnHidden(column, !shown);
    }
}

} // namespace jiujiu
