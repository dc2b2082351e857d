#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTimer;

namespace jiujiu {

class ResultFilterBar;
class ResultListProxy;

// The slim row above the result list: the filter box (words, -word, "phrase", size>=… and
// sources>=… terms), a size range and minimum sources, the merge toggle, and "显示 x / 共 y"
// while a filter hides rows. Typing is applied once the keys pause, so a long list never
// stalls the box.
class ResultFilterBar final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultFilterBar)

public:
    static constexpr int TypingPauseMs = 150;

    ResultFilterBar(ResultListProxy *proxy, QWidget *parent);
    ~ResultFilterBar() override;

    QLineEdit *filterBox() const { return m_text; }
    // Applies the fields at once instead of after the pause.
    void applyNow();
    QString statusText() const;
    // Ctrl+F: the filter box takes the focus with its text selected.
    void focusFilter();

private:
    void scheduleApply();
    void scheduleStatus();
    void updateStatus();

    ResultListProxy *m_proxy;
    QLineEdit *m_text;
    QLineEdit *m_minSize;
    QLineEdit *m_maxSize;
    QSpinBox *m_minSources;
    QCheckBox *m_merge;
    QLabel *m_status;
    QTimer *m_typing;
    QTimer *m_statusUpdate;
};

} // namespace jiujiu
