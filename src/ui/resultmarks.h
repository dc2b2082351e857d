#pragma once

#include <QSize>
#include <QString>
#include <QVariant>

namespace jiujiu {

class ResultListModel;

// How the result list paints the verdicts on its rows (ResultList works them out): a type tag and a
// warning mark before the name, a broken link's row greyed with the link struck through, the
// reasons in tool tips, and the view columns 类型 and 提示. merged: the row stands for every copy
// of its file (the merged list), whose warnings it shows together.

// The size of the tag and mark before a name.
QSize ResultMarkSize();

// The role's value for a cell (model row, view column); an invalid QVariant where the marks
// have nothing to say, so the caller's own value stands.
QVariant ResultMarkData(const ResultListModel &model, int row, int column, int role, bool merged);

// The listings a merged row stands for, its own first: "序号 3  Rerun.mkv  （资源 120）".
QStringList ListingLines(const ResultListModel &model, int row);

} // namespace jiujiu
