#pragma once

#include "results/resultjudgement.h"
#include "results/resultorder.h"

#include <QSize>
#include <QString>
#include <QVariant>
#include <vector>

namespace jiujiu {

class ResultListModel;

// What the result list shows of the verdicts on its rows: a type tag and a warning mark before
// the name, a broken link's row greyed with the link struck through, the reasons in tool tips,
// and the view columns 类型 and 提示. merged: the row stands for every copy of its file (the
// merged list), whose warnings it shows together.

// The size of the tag and mark before a name.
QSize ResultMarkSize();

// The role's value for a cell (model row, view column); an invalid QVariant where the marks
// have nothing to say, so the caller's own value stands.
QVariant ResultMarkData(const ResultListModel &model, int row, int column, int role, bool merged);

// What a row sorts by in the 类型 column (the type's order) and the 提示 column (none, a
// suspicion, a broken link).
SortKey ResultMarkSortKey(const ResultListModel &model, int row, int column, bool merged);

bool ShownSuspicious(const ResultListModel &model, int row, bool merged);
std::vector<Warning> ShownWarnings(const ResultListModel &model, int row, bool merged);
// The text of the 提示 column, and of an export's 提示 (with the file's other listings).
QString ShownHint(const ResultListModel &model, int row, bool merged, bool withListings);

// The listings a merged row stands for, its own first: "序号 3  Rerun.mkv  （资源 120）".
QStringList ListingLines(const ResultListModel &model, int row);

} // namespace jiujiu
