#include "ui/rowstatusstyle.h"

#include "ui/qttext.h"

#include <QCoreApplication>

namespace jiujiu {

QColor RowStatusColour(RowStatus status, const QColor &background)
{
    QColor colour;
    switch (status) {
    case RowStatus::New:
        return {};
    case RowStatus::Known:
        colour = QColor(0x1B, 0x7A, 0x1B);
        break;
    case RowStatus::Downloading:
        colour = QColor(0xC0, 0x10, 0x10);
        break;
    case RowStatus::Cancelled:
        colour = QColor(0x6B, 0x6B, 0x6B);
        break;
    case RowStatus::HandedOver:
        colour = QColor(0x9A, 0x52, 0x00);
        break;
    }
    return LegibleColour(colour, background);
}

QString RowStatusTag(const RowMark &mark)
{
    if (mark.status == RowStatus::New)
        return {};
    QString tag = UiWord(RowStatusWord(mark.status));
    if (mark.status == RowStatus::Downloading && mark.donePermille)
        tag += QStringLiteral(" %1%").arg(*mark.donePermille / 10);
    return tag;
}

QString RowStatusToolTip(const RowMark &mark)
{
    switch (mark.status) {
    case RowStatus::New:
        return {};
    case RowStatus::Known:
        return QCoreApplication::translate("jiujiu",
                                           "已有：ed2k 客户端里已有这个文件（下载过或正在共享）");
    case RowStatus::Downloading:
        if (mark.donePermille)
            return QCoreApplication::translate("jiujiu",
                                               "下载中：ed2k 客户端正在下载这个文件，已完成 %1%")
                .arg(*mark.donePermille / 10.0, 0, 'f', 1);
        return QCoreApplication::translate("jiujiu", "下载中：ed2k 客户端正在下载这个文件");
    case RowStatus::Cancelled:
        return QCoreApplication::translate("jiujiu", "已取消：这个文件曾在 ed2k 客户端里取消下载");
    case RowStatus::HandedOver:
        return QCoreApplication::translate(
            "jiujiu", "已交给客户端：这次已把链接交给 ed2k 客户端，它的下载列表里还没有");
    }
    return {};
}

} // namespace jiujiu
