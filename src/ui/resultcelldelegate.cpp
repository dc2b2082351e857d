#include "ui/resultcelldelegate.h"

#include "ui/qttext.h"

namespace jiujiu {

ResultCellDelegate::ResultCellDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

ResultCellDelegate::~ResultCellDelegate() = default;

QString ResultCellDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    // Serial numbers, sizes and counts are neutral to it; names and links need it.
    return Isolated(QStyledItemDelegate::displayText(value, locale));
}

} // namespace jiujiu
