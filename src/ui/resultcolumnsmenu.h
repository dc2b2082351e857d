#pragma once

#include <QObject>

class QAction;
class QMenu;

namespace jiujiu {

class ReportListView;

// The list header's context menu: the view columns 类型 and 提示 after the five columns of the
// form, hidden until chosen. The choice holds for every result list while the program runs,
// and nothing of it is written anywhere.
class ResultColumnsMenu final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultColumnsMenu)

public:
    explicit ResultColumnsMenu(ReportListView *view);
    ~ResultColumnsMenu() override;

    QMenu *menu() const { return m_menu; }
    // The menu's entry for a view column (ResultListModel::TypeColumn or HintColumn).
    QAction *action(int column) const;

private:
    void apply();

    ReportListView *m_view;
    QMenu *m_menu;
    QAction *m_type;
    QAction *m_hint;
    QAction *m_status;
};

} // namespace jiujiu
