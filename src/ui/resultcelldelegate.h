#pragma once

#include <QStyledItemDelegate>

namespace jiujiu {

// Draws the result list's cells with every text isolated from what follows it (a merged row's
// "×N", the next cell), so a direction control inside a name cannot reorder the rest; and the
// client's status tag (已有, 下载中 49%…) before a name, after its type tag, in words as well as
// in its colour.
class ResultCellDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultCellDelegate)

public:
    explicit ResultCellDelegate(QObject *parent = nullptr);
    ~ResultCellDelegate() override;

    QString displayText(const QVariant &value, const QLocale &locale) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace jiujiu
