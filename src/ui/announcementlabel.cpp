#include "ui/announcementlabel.h"

#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <algorithm>

namespace jiujiu {

namespace {
constexpr int kGap = 6; // between the text and what it must stay clear of
} // namespace

AnnouncementLabel::AnnouncementLabel(QWidget *parent)
    : QLabel(parent), m_passingTimer(new QTimer(this))
{
    m_passingTimer->setSingleShot(true);
    connect(m_passingTimer, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

void AnnouncementLabel::showPassing(const QString &message, int ms)
{
    m_passing = message;
    m_passingOver = text();
    m_passingTimer->start(ms);
    update();
}

void AnnouncementLabel::setDetail(const QString &detail)
{
    m_detail = detail;
    m_detailOf = text();
}

QString AnnouncementLabel::wholeText() const
{
    if (m_detail.isEmpty() || m_detailOf != text())
        return text();
    return text() + QLatin1Char('\n') + m_detail;
}

QString AnnouncementLabel::current() const
{
    return m_passingTimer->isActive() && m_passingOver == text() ? m_passing : text();
}

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
    return fontMetrics().elidedText(current(), Qt::ElideRight, std::max(textArea().width(), 0));
}

void AnnouncementLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    style()->drawItemText(&painter, textArea(), static_cast<int>(alignment()), palette(),
                          isEnabled(), shownText(), foregroundRole());
}

} // namespace jiujiu
