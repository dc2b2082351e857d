#pragma once

#include "results/resultrow.h"
#include "runtime/value.h"
#include "ui/controlreference.h"

#include <cstdint>
#include <vector>

namespace jiujiu {

class ReportListView;

// List view commands. Rows count from 0; column 0 is the caption. An omitted column is 0, an
// omitted text is empty. Out-of-range rows and columns read empty and write nothing.
Text ListGetItemText(ReportListView &list, std::int32_t row, const Value &column = {});
void ListSetItemText(ReportListView &list, std::int32_t row, const Value &column = {},
                     const Value &text = {});
// Row omitted or negative appends. Answers the new row's number, -1 when refused.
std::int32_t ListInsertItem(ReportListView &list, const Value &row = {}, const Value &caption = {},
                            const Value &image = {}, const Value &stateImage = {},
                            const Value &indent = {}, const Value &userValue = {});
// Appends typed result rows (a page of a search) in one insertion. Answers the first new
// row's number, -1 when refused.
std::int32_t ListAppendRows(ReportListView &list, std::vector<ResultRow> &&rows);
void ListDeleteAllItems(ReportListView &list);
// First selected row, -1 when none.
std::int32_t ListCurrentSelection(ReportListView &list);

// The same through a control reference, resolved by the control lookup (fatal when the control
// does not exist). A control that is not a list view reads empty and -1 and writes nothing.
Text ListGetItemText(const ControlReference &list, std::int32_t row, const Value &column = {});
void ListSetItemText(const ControlReference &list, std::int32_t row, const Value &column = {},
                     const Value &text = {});
std::int32_t ListInsertItem(const ControlReference &list, const Value &row = {},
                            const Value &caption = {}, const Value &image = {},
                            const Value &stateImage = {}, const Value &indent = {},
                            const Value &userValue = {});
std::int32_t ListAppendRows(const ControlReference &list, std::vector<ResultRow> &&rows);
void ListDeleteAllItems(const ControlReference &list);
std::int32_t ListCurrentSelection(const ControlReference &list);

} // namespace jiujiu
