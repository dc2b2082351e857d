#pragma once

#include <QLabel>
#include <functional>

class QTimer;

namespace jiujiu {

// The announcement line. It lies over the toolbar, whose buttons on the right must stay
// readable: a text too long for the room left of them is drawn cut short with "…", while
// text() keeps all of it.
class AnnouncementLabel final : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnnouncementLabel)

public:
    explicit AnnouncementLabel(QWidget *parent = nullptr);
    ~AnnouncementLabel() override;

    // Where, in the label's own coordinates, the room for the text ends; asked at each paint.
    // Unset: the label's width.
    void setClearFrom(std::function<int()> clearFrom);

    // The text as drawn.
    QString shownText() const;
    // Shows a passing message instead of the text for a while; a new text ends it at once.
    void showPassing(const QString &message, int ms);
    // The technical reason beside the text (a failure's), for the tool tip; a new text drops it.
    void setDetail(const QString &detail);
    // The whole text and the detail: the line's tool tip.
    QString wholeText() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textArea() const;

    // The message or text that is drawn now.
    QString current() const;

    std::function<int()> m_clearFrom;
    QString m_passing;
    QString m_passingOver; // the text the passing message lies over
    QTimer *m_passingTimer = nullptr;
    QString m_detail;
    QString m_detailOf; // the text the detail belongs to
};

} // namespace jiujiu
