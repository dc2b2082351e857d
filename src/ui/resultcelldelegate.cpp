#include "ui/resultcelldelegate.h"

#include "results/resultrow.h"
#include "ui/qttext.h"
#include "ui/resultlistmodel.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace jiujiu {

ResultCellDelegate::ResultCellDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

ResultCellDelegate::~ResultCellDelegate() = default;

QString ResultCellDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    // A cell is drawn alone, so plain ASCII (serial numbers, sizes, counts, most links) has
    // nothing to isolate; leaving it keeps Qt's text layout off its bidirectional path.
    const QString text = QStyledItemDelegate::displayText(value, locale);
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return Isolated(text);
    return text;
}

namespace {

constexpr int kTagPadding = 4; // inside the tag, left and right
constexpr int kTagGap = 4;     // between the tag and the name

int TagWidth(const QFontMetrics &metrics, const QString &tag)
{
    return tag.isEmpty() ? 0 : metrics.horizontalAdvance(tag) + 2 * kTagPadding + kTagGap;
}

} // namespace

QSize ResultCellDelegate::sizeHint(const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QString tag = index.data(ResultListModel::StatusTagRole).toString();
    size.rwidth() += TagWidth(option.fontMetrics, tag);
    return size;
}

void ResultCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const QString tag = index.data(ResultListModel::StatusTagRole).toString();
    if (tag.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget *widget = item.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    const QString text = item.text;
    // Background, selection, type tag and focus as usual; then the status tag and the name.
    item.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    item.text = text;
    QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const QFontMetrics metrics(item.font);
    const bool selected = item.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
    const QColor ink = selected ? item.palette.color(group, QPalette::HighlightedText)
                                : item.palette.color(group, QPalette::Text);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    const QColor colour =
        selected || !foreground.isValid() ? ink : foreground.value<QBrush>().color();
    const int tagWidth = TagWidth(metrics, tag) - kTagGap;
    const QRect badge(room.left() + 1, room.center().y() - metrics.height() / 2, tagWidth,
                      metrics.height());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(colour);
    painter->setFont(item.font);
    painter->drawRoundedRect(QRectF(badge).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter->drawText(badge, Qt::AlignCenter, tag);
    room.setLeft(badge.right() + kTagGap + 1);
    painter->drawText(room, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(text, item.textElideMode, room.width()));
    painter->restore();
}

} // namespace jiujiu
