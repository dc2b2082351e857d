#pragma once

#include <QWidget>

class QTabBar;
class QStackedWidget;

namespace jiujiu {

// A page control whose pages cover the whole control, tab strip included, so that the
// controls on a page are placed relative to the page control as the window forms give them.
// The tab strip lies over the top of the pages.
class PageControl final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageControl)

public:
    explicit PageControl(QWidget *parent = nullptr);
    ~PageControl() override;

    // Adds a page; answers it (owned by the control) for its controls.
    QWidget *addPage(const QString &title);
    QWidget *page(int index) const;
    int count() const;
    int currentIndex() const;
    // Out-of-range indexes change nothing.
    void setCurrentIndex(int index);
    QTabBar *tabBar() const { return m_tabs; }

signals:
    void currentChanged(int index);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void layOut();

    QTabBar *m_tabs = nullptr;
    QStackedWidget *m_pages = nullptr;
};

} // namespace jiujiu
