#pragma once

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTimer;
class QToolButton;

namespace jiujiu {

class ResultFilter;
class ResultListProxy;

// The slim row above the result list: the filter box (words, -word, "phrase", size>=…,
// sources>=…, type:, ext: and status:… terms), a size range and minimum sources, the type
// choice, 隐藏可疑, the merge toggle, the 隐藏已有 toggle (leaves out files the ed2k client has),
// and "显示 x / 共 y" (inside the filter box, at its end)
// while a filter hides rows. Typing is applied once the keys pause, so a long list never
// stalls the box. A term that reads as a bound but is not one turns the box red with the
// reason as its tool tip and in a line of its own (problemLine, on the bar's parent, placed by
// it below the bar), and the list keeps the last filter the box could be read as. The size
// fields refuse letters that make no unit, saying so in that line. Down in the filter box asks
// for the list.
class ResultFilterBar final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultFilterBar)

public:
    static constexpr int TypingPauseMs = 150;
    // How long the line says why a typed letter was refused.
    static constexpr int RefusedInputShownMs = 4000;

    ResultFilterBar(ResultListProxy *proxy, QWidget *parent);
    ~ResultFilterBar() override;

    QLineEdit *filterBox() const { return m_text; }
    // Applies the fields at once instead of after the pause.
    void applyNow();
    QString statusText() const;
    // Why the filter box's text cannot be read (it is then shown in red, with this as its
    // tool tip); empty when it can.
    QString filterError() const;
    // Ctrl+F: the filter box takes the focus with its text selected.
    void focusFilter();
    // The line that says why the filter cannot be read, or why input was refused; a child of
    // the bar's parent, hidden while there is nothing to say.
    QLabel *problemLine() const { return m_problem; }
    // What the line says now; empty while it is hidden.
    QString problemText() const;

signals:
    // The problem line was shown, hidden or given another text.
    void problemChanged();
    // Down pressed in the filter box.
    void listWanted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void scheduleApply();
    void placeStatus();
    void scheduleStatus();
    void updateStatus();
    void updateOptionsButton();
    // Shows the text in the problem line (empty hides it); a passing one gives way to the
    // filter's own problem after a while.
    void showProblem(const QString &text, bool passing = false);

    ResultListProxy *m_proxy;
    std::unique_ptr<ResultFilter> m_expression; // the filter box's last readable text
    QString m_expressionError;
    QLineEdit *m_text;
    QLineEdit *m_minSize;
    QLineEdit *m_maxSize;
    QSpinBox *m_minSources;
    QCheckBox *m_merge;
    QLabel *m_status;
    QString m_statusFull;  // "显示 x / 共 y"
    QString m_statusShort; // "x/y", for a narrow box
    QTimer *m_typing;
    QTimer *m_statusUpdate;
    QComboBox *m_type;
    QCheckBox *m_hideSuspicious;
    QCheckBox *m_hideKnown;
    QToolButton *m_options; // drops the toggles down
    QLabel *m_problem;
    QTimer *m_problemTimer;
};

} // namespace jiujiu
