#include "ui/reportlistview.h"

#include "ui/resultlistmodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>

namespace jiujiu {

ReportListView::ReportListView(QWidget *parent)
    : QTableView(parent), m_model(new ResultListModel(this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setMouseTracking(false); // no hot tracking

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
    columns->setMinimumSectionSize(
        8); // the form's narrow columns are narrower than the style's minimum
    const auto &titles = ResultListModel::Columns();
    for (int c = 0; c < ResultListModel::ColumnCount; ++c)
        setColumnWidth(c, titles[static_cast<std::size_t>(c)].width);

    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { emit itemDoubleClicked(index.row()); });
    applyPalette();
}

ReportListView::~ReportListView() = default;

int ReportListView::currentSelection() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex &index : rows) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

void ReportListView::setCurrentSelection(int row)
{
    if (row < 0 || row >= m_model->count()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
}

void ReportListView::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    } else if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        // Keep the inactive selection invisible whatever palette arrives.
        const QPalette p = palette();
        if (p.color(QPalette::Inactive, QPalette::Highlight) !=
            p.color(QPalette::Inactive, QPalette::Base))
            applyPalette();
    }
}

void ReportListView::applyPalette()
{
    // The selection is not kept visible while the list has no focus: inactive rows look
    // unselected.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Inactive, QPalette::Base));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Inactive, QPalette::Text));
    setPalette(p);
}

} // namespace jiujiu
