#include "ui/listcommands.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "ui/qttext.h"
#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"
#include "ui/windowregistry.h"

#include <algorithm>

namespace jiujiu {
namespace {

ReportListView *ListAt(const ControlReference &reference)
{
    return qobject_cast<ReportListView *>(&LookUpControl(reference));
}

} // namespace

Text ListGetItemText(ReportListView &list, std::int32_t row, const Value &column)
{
    const int c = column.isOmitted() ? 0 : ToInteger(column);
    const ResultListModel &model = *list.listModel();
    if (row < 0 || row >= model.count())
        return {};
    return model.row(row)[c];
}

void ListSetItemText(ReportListView &list, std::int32_t row, const Value &column, const Value &text)
{
    const int c = column.isOmitted() ? 0 : ToInteger(column);
    list.listModel()->setCellText(row, c, text.isOmitted() ? Text() : ToText(text));
}

std::int32_t ListInsertItem(ReportListView &list, const Value &row, const Value &caption,
                            const Value &image, const Value &stateImage, const Value &indent,
                            const Value &userValue)
{
    ResultListModel &model = *list.listModel();
    int at = row.isOmitted() ? -1 : ToInteger(row);
    if (at < 0)
        at = model.count();
    ResultListModel::Item item;
    if (!caption.isOmitted())
        item.caption = ToQString(ToText(caption));
    if (!image.isOmitted())
        item.image = std::max(ToInteger(image), -1);
    if (!stateImage.isOmitted()) {
        const std::int64_t n = static_cast<std::int64_t>(ToInteger(stateImage)) + 1;
        item.state =
            static_cast<int>(static_cast<std::uint32_t>(std::max<std::int64_t>(n, 0)) << 12);
    }
    if (!indent.isOmitted())
        item.indent = std::max(ToInteger(indent), 0);
    if (!userValue.isOmitted())
        item.userValue = ToInteger(userValue);
    return model.insertItem(at, item);
}

std::int32_t ListAppendRows(ReportListView &list, std::vector<ResultRow> &&rows)
{
    return list.listModel()->appendRows(std::move(rows));
}

void ListDeleteAllItems(ReportListView &list)
{
    list.listModel()->deleteAllItems();
}

std::int32_t ListCurrentSelection(ReportListView &list)
{
    return list.currentSelection();
}

Text ListGetItemText(const ControlReference &list, std::int32_t row, const Value &column)
{
    ReportListView *view = ListAt(list);
    return view ? ListGetItemText(*view, row, column) : Text();
}

void ListSetItemText(const ControlReference &list, std::int32_t row, const Value &column,
                     const Value &text)
{
    if (ReportListView *view = ListAt(list))
        ListSetItemText(*view, row, column, text);
}

std::int32_t ListInsertItem(const ControlReference &list, const Value &row, const Value &caption,
                            const Value &image, const Value &stateImage, const Value &indent,
                            const Value &userValue)
{
    ReportListView *view = ListAt(list);
    return view ? ListInsertItem(*view, row, caption, image, stateImage, indent, userValue) : -1;
}

std::int32_t ListAppendRows(const ControlReference &list, std::vector<ResultRow> &&rows)
{
    ReportListView *view = ListAt(list);
    return view ? ListAppendRows(*view, std::move(rows)) : -1;
}

void ListDeleteAllItems(const ControlReference &list)
{
    if (ReportListView *view = ListAt(list))
        ListDeleteAllItems(*view);
}

std::int32_t ListCurrentSelection(const ControlReference &list)
{
    ReportListView *view = ListAt(list);
    return view ? ListCurrentSelection(*view) : -1;
}

} // namespace jiujiu
