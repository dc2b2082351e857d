#pragma once

#include <QTableView>
#include <limits>
#include <vector>

namespace jiujiu {

class Collator;
class ResultColumnsMenu;
class ResultListModel;
class ResultListProxy;

// A report-style list view over a ResultListModel, shown through a ResultListProxy (merged,
// filtered, sorted): column headers shown and clickable (a click sorts, a second one reverses),
// grid lines, whole-row extended selection (Ctrl+A selects all), no editing, no header
// dragging. The selection stays visible, in a paler colour, while the view has no focus; Tab
// leaves the view (the arrow keys move within it). A wider view gives its room to the name and
// link columns; the size and sources columns are never narrowed past their texts.
//
// Rows in this interface are model rows: the numbers the list commands use, whatever the view
// shows. The row the user acts on is the current row when it is selected, otherwise the first
// selected row as shown.
class ReportListView final : public QTableView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportListView)

public:
    explicit ReportListView(QWidget *parent = nullptr);
    // Names sort by this collator (it must outlive the view) instead of the environment's.
    explicit ReportListView(const Collator &collator, QWidget *parent = nullptr);
    ~ReportListView() override;

    ResultListModel *listModel() const { return m_model; }
    ResultListProxy *shownModel() const { return m_proxy; }
    // The header's menu of the columns 类型 and 提示.
    ResultColumnsMenu *columnsMenu() const { return m_columnsMenu; }

    // The row the user acts on, -1 when none is selected.
    int currentSelection() const;
    // Selects that row alone and makes it current; -1, anything below, or a row not shown
    // clears the selection.
    void setCurrentSelection(int row);
    // Selected rows, in the order shown.
    std::vector<int> selectedRows() const;
    // Every shown row, in the order shown.
    std::vector<int> shownRows() const;

signals:
    // A double-click, or Enter, on the list: the row acted on, -1 after a double-click on empty
    // space (which clears the selection first).
    void itemDoubleClicked(int row);
    // Ctrl+C.
    void copyRequested();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void applyPalette();
    // Keeps the size or sources column wide enough for its widest shown text; the name pays.
    // The widest of the column's cells in rows first..last that are in view.
    int widthInView(int column, int first, int last) const;
    void keepReadable(int column, int first = 0, int last = std::numeric_limits<int>::max());

    ResultListModel *m_model = nullptr;
    ResultListProxy *m_proxy = nullptr;
    ResultColumnsMenu *m_columnsMenu = nullptr;
    int m_lastWidth = -1;
    bool m_fitting = false;
};

} // namespace jiujiu
