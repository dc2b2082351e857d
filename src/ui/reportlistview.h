#pragma once

#include <QTableView>

namespace jiujiu {

class ResultListModel;

// A report-style list view over a ResultListModel: column headers shown and clickable, grid
// lines, whole-row single selection, no editing, no header dragging, and the selection drawn
// only while the view has the focus.
class ReportListView final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportListView)

public:
    explicit ReportListView(QWidget *parent = nullptr);
    ~ReportListView() override;

    ResultListModel *listModel() const { return m_model; }

    // First selected row in index order, -1 when none.
    int currentSelection() const;
    // Selects that row alone; -1 (and anything below) clears the selection.
    void setCurrentSelection(int row);

signals:
    void itemDoubleClicked(int row);

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyPalette();

    ResultListModel *m_model = nullptr;
};

} // namespace jiujiu
