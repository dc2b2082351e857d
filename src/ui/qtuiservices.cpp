#include "ui/qtuiservices.h"

#include "ui/coretexts.h"
#include "ui/qttext.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <array>

namespace jiujiu {
namespace {

// Enough passes to drain what is pending; a handler that keeps posting cannot hold the caller.
constexpr int MaxDispatchPasses = 64;

struct ButtonMapping
{
    QMessageBox::StandardButton button;
    int id;
};

constexpr std::array<ButtonMapping, 7> ButtonIds = {{
    {QMessageBox::Ok, IdOk},
    {QMessageBox::Cancel, IdCancel},
    {QMessageBox::Abort, IdAbort},
    {QMessageBox::Retry, IdRetry},
    {QMessageBox::Ignore, IdIgnore},
    {QMessageBox::Yes, IdYes},
    {QMessageBox::No, IdNo},
}};

QMessageBox::StandardButtons ButtonsFor(int style)
{
    switch (style & 0xF) {
    case MbOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MbAbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MbYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MbYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MbRetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    default:
        return QMessageBox::Ok;
    }
}

// Buttons in the order the style word counts them for its default-button bits.
std::vector<QMessageBox::StandardButton> ButtonOrder(int style)
{
    switch (style & 0xF) {
    case MbOkCancel:
        return {QMessageBox::Ok, QMessageBox::Cancel};
    case MbAbortRetryIgnore:
        return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case MbYesNoCancel:
        return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case MbYesNo:
        return {QMessageBox::Yes, QMessageBox::No};
    case MbRetryCancel:
        return {QMessageBox::Retry, QMessageBox::Cancel};
    default:
        return {QMessageBox::Ok};
    }
}

QMessageBox::Icon IconFor(int style)
{
    switch (style & 0xF0) {
    case MbIconError:
        return QMessageBox::Critical;
    case MbIconQuestion:
        return QMessageBox::Question;
    case MbIconWarning:
        return QMessageBox::Warning;
    case MbIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int IdFor(QMessageBox::StandardButton button)
{
    for (const auto &mapping : ButtonIds) {
        if (mapping.button == button)
            return mapping.id;
    }
    return 0;
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const Text &text, int style, const Text &caption)
{
    auto box = std::make_unique<QMessageBox>();
    // The search's own messages are Chinese; they show in the interface's language.
    box->setWindowTitle(InterfaceText(ToQString(caption)));
    // The text arrives with Windows line ends.
    box->setText(
        InterfaceText(ToQString(text)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box->setTextFormat(Qt::PlainText);
    box->setIcon(IconFor(style));
    box->setStandardButtons(ButtonsFor(style));
    // The program's own captions (Chinese, or its English translation), not Qt's.
    static const std::pair<QMessageBox::StandardButton, const char *> captions[] = {
        {QMessageBox::Ok, QT_TRANSLATE_NOOP("jiujiu", "确定")},
        {QMessageBox::Cancel, QT_TRANSLATE_NOOP("jiujiu", "取消")},
        {QMessageBox::Abort, QT_TRANSLATE_NOOP("jiujiu", "中止")},
        {QMessageBox::Retry, QT_TRANSLATE_NOOP("jiujiu", "重试")},
        {QMessageBox::Ignore, QT_TRANSLATE_NOOP("jiujiu", "忽略")},
        {QMessageBox::Yes, QT_TRANSLATE_NOOP("jiujiu", "是")},
        {QMessageBox::No, QT_TRANSLATE_NOOP("jiujiu", "否")},
    };
    for (const auto &[which, caption] : captions)
        if (QAbstractButton *button = box->button(which))
            button->setText(QCoreApplication::translate("jiujiu", caption));
    const auto order = ButtonOrder(style);
    const std::size_t defaultIndex = static_cast<std::size_t>((style >> 8) & 0xF);
    box->setDefaultButton(order[defaultIndex < order.size() ? defaultIndex : 0]);
    if (box->standardButtons() & QMessageBox::Cancel)
        box->setEscapeButton(QMessageBox::Cancel);
    else if (order.size() == 1)
        box->setEscapeButton(order.front());
    box->setWindowModality(Qt::ApplicationModal);
    if (style & MbSystemModal)
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

int MessageBoxAnswer(const QMessageBox &box)
{
    QAbstractButton *clicked = box.clickedButton();
    if (clicked)
        return IdFor(box.standardButton(clicked));
    if (box.standardButtons() & QMessageBox::Cancel)
        return IdCancel;
    return IdOk;
}

QtUiServices::QtUiServices()
{
    if (QCoreApplication *app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_quitRequested = false; });
    }
}

QtUiServices::~QtUiServices()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

int QtUiServices::messageBox(const Text &text, int style, const Text &caption)
{
    if (m_answerer)
        return m_answerer(text, style, caption);
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(text, style, caption);
    box->exec();
    return MessageBoxAnswer(*box);
}

int QtUiServices::detailedMessageBox(const Text &text, int style, const Text &caption,
                                     const Text &details)
{
    if (m_answerer || details.empty())
        return UiServices::detailedMessageBox(text, style, caption, details);
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(text, style, caption);
    SetDetails(*box, details);
    box->exec();
    return MessageBoxAnswer(*box);
}

void SetDetails(QMessageBox &box, const Text &details)
{
    // Below the text, smaller: what a technician asks for, not what the user must read.
    box.setInformativeText(QCoreApplication::translate("jiujiu", "技术原因：") +
                           ToQString(details));
}

std::unique_ptr<QMessageBox> MakeChoiceBox(const Text &text, const Text &caption,
                                           const std::vector<Text> &buttons)
{
    auto box = std::make_unique<QMessageBox>();
    box->setObjectName(QStringLiteral("选择框"));
    box->setWindowTitle(ToQString(caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box->setIcon(QMessageBox::Question);
    // Neither a reject nor a "no" role: QMessageBox then has no escape button, and Esc and the
    // title bar's close button are ignored.
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        QPushButton *button = box->addButton(
            ToQString(buttons[i]), i == 0 ? QMessageBox::AcceptRole : QMessageBox::ActionRole);
        button->setProperty("choice", static_cast<int>(i));
        if (i == 0)
            box->setDefaultButton(button);
    }
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

int QtUiServices::choose(const Text &text, const Text &caption, const std::vector<Text> &buttons)
{
    if (m_answerer)
        return UiServices::choose(text, caption, buttons);
    const std::unique_ptr<QMessageBox> box = MakeChoiceBox(text, caption, buttons);
    box->exec();
    const QAbstractButton *clicked = box->clickedButton();
    return clicked ? clicked->property("choice").toInt() : -1;
}

bool QtUiServices::setClipboardText(const Text &text)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return false;
    clipboard->setText(ToQString(text), QClipboard::Clipboard);
    return true;
}

void QtUiServices::clearClipboard()
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->clear(QClipboard::Clipboard);
}

bool QtUiServices::dispatchPendingEvents()
{
    QAbstractEventDispatcher *dispatcher =
        QAbstractEventDispatcher::instance(QThread::currentThread());
    if (!dispatcher)
        return false;
    bool any = false;
    m_dispatching = true;
    for (int pass = 0; pass < MaxDispatchPasses && !m_quitRequested; ++pass) {
        if (!dispatcher->processEvents(QEventLoop::AllEvents))
            break;
        any = true;
    }
    m_dispatching = false;
    if (m_quitHeld) {
        m_quitHeld = false;
        QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    }
    return any;
}

bool QtUiServices::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
        m_quitRequested = true;
        if (m_dispatching) {
            m_quitHeld = true;
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace jiujiu
