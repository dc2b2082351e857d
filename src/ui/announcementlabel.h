#pragma once

#include <QLabel>
#include <functional>

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

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect textArea() const;

    std::function<int()> m_clearFrom;
};

} // namespace jiujiu
