#include "ui/reportlistview.h"

#include "results/collator.h"
#include "ui/resultcelldelegate.h"
#include "ui/resultcolumnsmenu.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"
#include "ui/resultmarks.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <algorithm>

namespace jiujiu {
namespace {

// Windows lists, like most desktop programs, point the arrow up for an ascending sort; Qt's
// header draws it the other way round.
class ListHeader final : public QHeaderView
{
public:
    explicit ListHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader *option, int logicalIndex) const override
    {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        if (option->sortIndicator == QStyleOptionHeader::SortDown)
            option->sortIndicator = QStyleOptionHeader::SortUp;
        else if (option->sortIndicator == QStyleOptionHeader::SortUp)
            option->sortIndicator = QStyleOptionHeader::SortDown;
    }
};

// The active selection colour a third of the way from the list's background: plainly there,
// plainly not the focused list's.
QColor InactiveSelection(const QPalette &palette)
{
    const QColor on = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor base = palette.color(QPalette::Active, QPalette::Base);
    const auto mix = [](int a, int b) { return (a * 2 + b * 3) / 5; };
    return QColor(mix(on.red(), base.red()), mix(on.green(), base.green()),
                  mix(on.blue(), base.blue()));
}

} // namespace

ReportListView::ReportListView(QWidget *parent) : ReportListView(Collator::ForEnvironment(), parent)
{}

ReportListView::ReportListView(const Collator &collator, QWidget *parent)
    : QTableView(parent), m_model(new ResultListModel(collator, this)),
      m_proxy(new ResultListProxy(m_model, this))
{
    setHorizontalHeader(new ListHeader(this));
    setModel(m_proxy);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(false); // no hot tracking
    // Tab moves on to the next control instead of walking the cells.
    setTabKeyNavigation(false);
    setItemDelegate(new ResultCellDelegate(this));

    QHeaderView *rows = verticalHeader();
    rows->hide();
    // Fixed row heights keep a list of 100 000 rows as cheap as a short one.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);

    QHeaderView *columns = horizontalHeader();
    columns->setSectionsClickable(true);
    columns->setSectionsMovable(false);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // No indicator until a column is clicked: the rows stand in the order they were listed.
    columns->setSortIndicatorShown(true);
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    columns->setMinimumSectionSize(
        8); // the form's narrow columns are narrower than the style's minimum
    const auto &titles = ResultListModel::Columns();
    for (int c = 0; c < ResultListModel::ColumnCount; ++c)
        setColumnWidth(c, titles[static_cast<std::size_t>(c)].width);

    // The type tag and warning mark before each name; the columns 类型 and 提示 on request.
    setIconSize(ResultMarkSize());
    m_columnsMenu = new ResultColumnsMenu(this);

    connect(columns, &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (column == SizeColumn || column == SourcesColumn)
            keepReadable(column);
    });
    // Texts wider than the form's columns may come with any page, in any order, or scroll
    // into view.
    const auto fitShown = [this] {
        keepReadable(SizeColumn);
        keepReadable(SourcesColumn);
    };
    // Rows listed below the view, as most are, cost nothing.
    connect(m_proxy, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                keepReadable(SizeColumn, first, last);
                keepReadable(SourcesColumn, first, last);
            });
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, fitShown);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, fitShown);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, fitShown);

    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &) { emit itemDoubleClicked(currentSelection()); });
    applyPalette();
}

ReportListView::~ReportListView() = default;

int ReportListView::currentSelection() const
{
    const QItemSelectionModel *selection = selectionModel();
    const QModelIndex current = currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), current.parent()))
        return m_proxy->sourceRow(current.row());
    int first = -1;
    for (const QModelIndex &index : selection->selectedRows()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return m_proxy->sourceRow(first);
}

void ReportListView::setCurrentSelection(int row)
{
    const int shown = m_proxy->shownRow(row);
    if (shown < 0) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(
        m_proxy->index(shown, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::vector<int> ReportListView::selectedRows() const
{
    std::vector<int> shown;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        shown.push_back(index.row());
    std::sort(shown.begin(), shown.end());
    std::vector<int> rows;
    rows.reserve(shown.size());
    for (int row : shown)
        rows.push_back(m_proxy->sourceRow(row));
    return rows;
}

std::vector<int> ReportListView::shownRows() const
{
    std::vector<int> rows;
    const int count = m_proxy->rowCount();
    rows.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        rows.push_back(m_proxy->sourceRow(row));
    return rows;
}

void ReportListView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested();
        event->accept();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !(event->modifiers() & Qt::AltModifier)) {
        emit itemDoubleClicked(currentSelection());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ReportListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Empty space below the rows, or beside the last column: nothing is chosen.
    if (event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid()) {
        selectionModel()->clearSelection();
        event->accept();
        emit itemDoubleClicked(-1);
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

int ReportListView::widthInView(int column, int first, int last) const
{
    // Only the rows in view are measured, visible or not: Qt's own measure takes a thousand
    // rows, or every row of a hidden list, and a page of 50 cost 12 ms.
    const int count = m_proxy->rowCount();
    if (count == 0)
        return 0;
    const int top = std::max(rowAt(0), 0);
    int bottom = rowAt(viewport()->height() - 1);
    if (bottom < 0)
        bottom = std::min(count - 1, top + viewport()->height() / std::max(rowHeight(top), 1));
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int width = 0;
    for (int row = std::max(top, first); row <= std::min(bottom, last); ++row) {
        const QModelIndex index = m_proxy->index(row, column);
        width = std::max(width, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return width + (showGrid() ? 1 : 0);
}

void ReportListView::keepReadable(int column, int first, int last)
{
    if (m_fitting)
        return;
    const int needed = widthInView(column, first, last);
    const int width = columnWidth(column);
    if (needed <= width)
        return;
    m_fitting = true;
    setColumnWidth(column, needed);
    setColumnWidth(NameColumn, std::max(columnWidth(NameColumn) - (needed - width), 40));
    m_fitting = false;
}

void ReportListView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    const int width = event->size().width();
    if (m_lastWidth >= 0 && width != m_lastWidth) {
        // The room goes to the name and the link, two parts to one; the widths the user gave
        // them stay, grown or shrunk by the same amount.
        const int delta = width - m_lastWidth;
        const int toName = delta * 2 / 3;
        m_fitting = true;
        setColumnWidth(NameColumn, std::max(columnWidth(NameColumn) + toName, 40));
        setColumnWidth(LinkColumn, std::max(columnWidth(LinkColumn) + delta - toName, 40));
        m_fitting = false;
    }
    m_lastWidth = width;
}

void ReportListView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        // Keep the inactive selection's own colour whatever palette arrives.
        const QPalette p = palette();
        if (p.color(QPalette::Inactive, QPalette::Highlight) != InactiveSelection(p))
            applyPalette();
    }
}

void ReportListView::applyPalette()
{
    // The selection stays in sight while the list has no focus, in a paler colour, with the
    // rows' own text colour on it.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, InactiveSelection(p));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::Text));
    setPalette(p);
}

} // namespace jiujiu
