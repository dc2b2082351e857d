#include "ui/announcementlabel.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace jiujiu {

namespace {
constexpr int kGap = 6; // between the text and what it must stay clear of
} // namespace

AnnouncementLabel::AnnouncementLabel(QWidget *parent) : QLabel(parent) {}

AnnouncementLabel::~AnnouncementLabel() = default;

void AnnouncementLabel::setClearFrom(std::function<int()> clearFrom)
{
    m_clearFrom = std::move(clearFrom);
    update();
}

QRect AnnouncementLabel::textArea() const
{
    QRect area = contentsRect().adjusted(std::max(indent(), 0), 0, 0, 0);
    if (m_clearFrom)
        area.setRight(std::min(area.right(), m_clearFrom() - kGap));
    return area;
}

QString AnnouncementLabel::shownText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(textArea().width(), 0));
}

void AnnouncementLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style()->drawItemText(&painter, textArea(), static_cast<int>(alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

} // namespace jiujiu
