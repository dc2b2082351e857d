#pragma once

#include "runtime/uiservices.h"

#include <QObject>
#include <functional>
#include <memory>

class QMessageBox;

namespace jiujiu {

// UiServices over Qt: QMessageBox message boxes, the application clipboard, the event
// dispatcher. Make it on the GUI thread once the QApplication exists and install it with
// SetUiServices.
//
// A quit request is QEvent::Quit reaching the application (QCoreApplication::quit() while the
// loop runs, the last window closing). Once one has been seen, dispatchPendingEvents dispatches
// nothing more. One that arrives while it dispatches is held back and posted again when it
// returns, so it stays pending for the running loop, which ends once the handler returns
// (events already taken up in the same pass are still delivered). The mark is cleared when the
// application's main loop has ended.
class QtUiServices final : public QObject, public UiServices
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QtUiServices)

public:
    // Takes the place of the dialog when set (tests): gets text, style word and caption and
    // answers a button identifier.
    using Answerer = std::function<int(const Text &text, int style, const Text &caption)>;

    QtUiServices();
    ~QtUiServices() override;

    void setAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }

    int messageBox(const Text &text, int style, const Text &caption) override;
    // With an answerer set the details follow the text, as by default.
    int detailedMessageBox(const Text &text, int style, const Text &caption,
                           const Text &details) override;
    // With an answerer set: asked as an OK/Cancel box, as by default.
    int choose(const Text &text, const Text &caption, const std::vector<Text> &buttons) override;
    bool setClipboardText(const Text &text) override;
    void clearClipboard() override;
    bool dispatchPendingEvents() override;

    bool quitRequested() const { return m_quitRequested; }
    void clearQuitRequest() { m_quitRequested = false; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Answerer m_answerer;
    bool m_quitRequested = false;
    bool m_dispatching = false;
    bool m_quitHeld = false;
};

// The dialog for a message box style word: buttons (OK, OK/Cancel, Abort/Retry/Ignore,
// Yes/No/Cancel, Yes/No, Retry/Cancel), icon, default button, no owner, application-modal
// (and kept on top when system-modal is asked for).
std::unique_ptr<QMessageBox> MakeMessageBox(const Text &text, int style, const Text &caption);

// The technical details of detailedMessageBox, in the box's part below its text.
void SetDetails(QMessageBox &box, const Text &details);

// The question of `choose`: one button per choice, none of them taken by Esc or by closing.
std::unique_ptr<QMessageBox> MakeChoiceBox(const Text &text, const Text &caption,
                                           const std::vector<Text> &buttons);

// The identifier (IdOk ...) of the button a message box was closed with; IdCancel when it was
// closed without one and offers Cancel, else the only button's identifier.
int MessageBoxAnswer(const QMessageBox &box);

} // namespace jiujiu
