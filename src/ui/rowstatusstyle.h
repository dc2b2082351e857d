#pragma once

#include "results/rowstatus.h"
#include "ui/contrast.h"

#include <QColor>
#include <QString>

namespace jiujiu {

// How the result list shows a row's status, in the manner of the ed2k clients' search lists:
// green for a file the client has, red for one it downloads, grey for a cancelled one, brown
// for one handed to it in this run; new rows keep the list's own colour.

// The text colour of a row of that status on that background, darkened or lightened until it
// reads at a contrast of at least 4.5 : 1 (WCAG's rule for text); invalid for new rows.
QColor RowStatusColour(RowStatus status, const QColor &background);

// The tag before the name: 已有, 下载中 49% (下载中 without a known share), 已取消, 已交给客户端;
// empty for a file the client has no record of.
QString RowStatusTag(const RowMark &mark);

// The line the name's tool tip gains: "已有：…", "下载中：… 42.5%"…; empty for new rows.
QString RowStatusToolTip(const RowMark &mark);

} // namespace jiujiu
