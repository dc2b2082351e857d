#include "ui/pagecontrol.h"

#include <QEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>

namespace jiujiu {

PageControl::PageControl(QWidget *parent)
    : QWidget(parent), m_tabs(new QTabBar(this)), m_pages(new QStackedWidget(this))
{
    m_tabs->setDrawBase(false);
    m_tabs->setExpanding(false);
    m_tabs->setFocusPolicy(Qt::TabFocus);
    m_pages->setFrameShape(QFrame::NoFrame);
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        m_pages->setCurrentIndex(index);
        emit currentChanged(index);
    });
    layOut();
}

PageControl::~PageControl() = default;

QWidget *PageControl::addPage(const QString &title)
{
    auto *page = new QWidget(m_pages);
    m_pages->addWidget(page);
    m_tabs->addTab(title);
    layOut();
    return page;
}

QWidget *PageControl::page(int index) const
{
    return m_pages->widget(index);
}

int PageControl::count() const
{
    return m_pages->count();
}

int PageControl::currentIndex() const
{
    return m_tabs->currentIndex();
}

void PageControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= count())
        return;
    m_tabs->setCurrentIndex(index);
}

bool PageControl::event(QEvent *event)
{
    // The tab strip asks for a new size when its tabs change size, e.g. when a style sheet
    // reaches it after this control was laid out; without a layout, that request comes here.
    if (event->type() == QEvent::LayoutRequest)
        layOut();
    return QWidget::event(event);
}

void PageControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    const int top = m_tabs->geometry().bottom() + 1 -
                    style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
    frame.rect = QRect(0, top, width(), height() - top);
    frame.tabBarSize = m_tabs->size();
    frame.tabBarRect = m_tabs->geometry();
    frame.shape = QTabBar::RoundedNorth;
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

void PageControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void PageControl::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        layOut();
}

void PageControl::layOut()
{
    m_pages->setGeometry(rect());
    const QSize tabs = m_tabs->sizeHint();
    m_tabs->setGeometry(2, 0, std::min(tabs.width(), width() - 4), tabs.height());
    m_tabs->raise();
    update();
}

} // namespace jiujiu
