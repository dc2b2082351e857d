#include "memorysearchwindow.h"
#include "net/openaddress.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/resultactions.h"
#include "ui/qtuiservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace jiujiu;

namespace {

class Guard
{
public:
    explicit Guard(UiServices *ui) : m_previous(SetUiServices(ui)) {}
    ~Guard() { SetUiServices(m_previous); }

private:
    UiServices *m_previous;
};

// Counts the custom events it gets.
class Receiver final : public QObject
{
public:
    int events = 0;
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User) {
            ++events;
            return true;
        }
        return QObject::event(e);
    }
};

class QuitWatcher final : public QObject
{
public:
    int quits = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        quits += e->type() == QEvent::Quit;
        return false;
    }
};

} // namespace

TEST(MessageBoxDialog, StyleWordGivesButtonsIconAndDefault)
{
    using B = QMessageBox;
    struct Row
    {
        int style;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton defaultButton;
    } rows[] = {
        {0x00, B::Ok, B::NoIcon, B::Ok},
        {0x41, B::Ok | B::Cancel, B::Information, B::Ok},
        {0x141, B::Ok | B::Cancel, B::Information, B::Cancel},
        {0x12, B::Abort | B::Retry | B::Ignore, B::Critical, B::Abort},
        {0x223, B::Yes | B::No | B::Cancel, B::Question, B::Cancel},
        {0x34, B::Yes | B::No, B::Warning, B::Yes},
        {0x105, B::Retry | B::Cancel, B::NoIcon, B::Cancel},
        {0x304, B::Yes | B::No, B::NoIcon, B::Yes}, // no fourth button: the first
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.style);
        const auto box = MakeMessageBox(Utf8ToText("第一行\r\n第二行"), row.style | MbTaskModal,
                                        Utf8ToText("温馨提示"));
        EXPECT_EQ(box->standardButtons(), row.buttons);
        EXPECT_EQ(box->icon(), row.icon);
        ASSERT_NE(box->defaultButton(), nullptr);
        EXPECT_EQ(box->standardButton(box->defaultButton()), row.defaultButton);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("温馨提示"));
        EXPECT_EQ(box->text(), QStringLiteral("第一行\n第二行"));
        EXPECT_EQ(box->parentWidget(), nullptr) << "no owner";
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    }
    EXPECT_TRUE(MakeMessageBox("x", MbSystemModal, "c")->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST(MessageBoxStyle, ButtonsAreCaptionedInChinese)
{
    const std::pair<int, QStringList> rows[] = {
        {0x1, {QStringLiteral("确定"), QStringLiteral("取消")}},
        {0x2, {QStringLiteral("中止"), QStringLiteral("重试"), QStringLiteral("忽略")}},
        {0x3, {QStringLiteral("是"), QStringLiteral("否"), QStringLiteral("取消")}},
    };
    for (const auto &[style, expected] : rows) {
        SCOPED_TRACE(style);
        const auto box = MakeMessageBox("x", style, "c");
        QStringList captions;
        for (QAbstractButton *button : box->buttons())
            captions << button->text();
        captions.sort();
        QStringList sorted = expected;
        sorted.sort();
        EXPECT_EQ(captions, sorted);
    }
}

// The real dialog, answered by clicking its buttons once it is up.
TEST(MessageBoxDialog, AnswersThePressedButton)
{
    QtUiServices services;
    Guard guard(&services);
    struct Row
    {
        int style;
        QMessageBox::StandardButton press;
        int answer; // ShowMessageBox: identifier less one
    } rows[] = {
        {0x41, QMessageBox::Ok, 0},     {0x41, QMessageBox::Cancel, 1},
        {0x02, QMessageBox::Abort, 2},  {0x02, QMessageBox::Retry, 3},
        {0x02, QMessageBox::Ignore, 4}, {0x04, QMessageBox::Yes, 5},
        {0x04, QMessageBox::No, 6},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.style);
        bool pressed = false;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            box->button(row.press)->click();
            pressed = true;
        });
        EXPECT_EQ(ShowMessageBox(Value("x"), Value(row.style)), row.answer);
        EXPECT_TRUE(pressed);
    }
}

TEST(MessageBoxDialog, AnswererTakesThePlaceOfTheDialog)
{
    QtUiServices services;
    Guard guard(&services);
    Text text, caption;
    int style = -1;
    services.setAnswerer([&](const Text &t, int s, const Text &c) {
        text = t, style = s, caption = c;
        return IdNo;
    });
    EXPECT_EQ(ShowMessageBox(Value(Utf8ToText("确定离开？")), Value(0x24)), 6);
    EXPECT_EQ(text, Utf8ToText("确定离开？"));
    EXPECT_EQ(style, 0x24 | MbTaskModal);
    EXPECT_EQ(caption, Utf8ToText("信息："));
}

TEST(Clipboard, PlainTextInAndOut)
{
    QtUiServices services;
    Guard guard(&services);
    const Text link =
        Utf8ToText("ed2k://|file|啾啾 新闻.mkv|1234|0123456789ABCDEF0123456789ABCDEF|/");
    EXPECT_TRUE(SetClipboardText(link));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8(TextToUtf8(link).c_str()));
    ClearClipboard();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
}

TEST(PendingEvents, DispatchesWhatIsPendingAndStopsAtAQuitRequest)
{
    QtUiServices services;
    Receiver receiver;
    while (services.dispatchPendingEvents()) {
    }
    EXPECT_FALSE(services.dispatchPendingEvents()) << "nothing pending";

    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    EXPECT_TRUE(services.dispatchPendingEvents());
    EXPECT_EQ(receiver.events, 2);

    // A quit request met while dispatching ends the dispatching and stays pending.
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    EXPECT_TRUE(services.dispatchPendingEvents());
    EXPECT_TRUE(services.quitRequested());
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    EXPECT_FALSE(services.dispatchPendingEvents());
    EXPECT_EQ(receiver.events, 2) << "nothing runs past a quit request";

    // The request is still in the queue for the loop.
    QuitWatcher watcher;
    QCoreApplication::instance()->installEventFilter(&watcher);
    services.clearQuitRequest();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::instance()->removeEventFilter(&watcher);
    EXPECT_EQ(watcher.quits, 1);
    EXPECT_EQ(receiver.events, 3);
    services.clearQuitRequest();
}

// Long lines of Chinese text are shown whole, on the plain style and under the built-in skin:
// wrapped where the box would grow too wide, never cut off at its edge.
TEST(MessageBoxDialog, LongLinesAreShownWhole)
{
    QFile skinFile(QStringLiteral(JIUJIU_SKIN_SOURCE_DIR "/jiujiu.qss"));
    ASSERT_TRUE(skinFile.open(QIODevice::ReadOnly));
    const QString skin = QString::fromUtf8(skinFile.readAll());
    const Text text =
        Utf8ToText("没有 ed2k 下载工具接收这个链接。\r\n"
                   "链接已复制到剪贴板，可以粘贴到下载工具里。\r\n"
                   "请安装 aMule 等 ed2k 下载工具，并把它设为 ed2k 链接的默认打开程序。");
    for (const QString &sheet : {QString(), skin}) {
        SCOPED_TRACE(sheet.isEmpty() ? "plain" : "skin");
        qApp->setStyleSheet(sheet);
        const std::unique_ptr<QMessageBox> box = MakeMessageBox(text, MbIconWarning, "title");
        box->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
        auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        // Every line fits the label as laid out, or the label wraps it into its height.
        const QRect room = label->contentsRect();
        const QFontMetrics metrics(label->font());
        const QRect needed =
            metrics.boundingRect(QRect(0, 0, room.width(), 10000),
                                 Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, label->text());
        EXPECT_LE(needed.width(), room.width());
        EXPECT_LE(needed.height(), room.height());
        // The label lies inside the box.
        EXPECT_LE(label->mapTo(box.get(), QPoint(label->width(), 0)).x(), box->width());
        box->hide();
    }
    qApp->setStyleSheet(QString());
}

// The double-click question names what each button does, and Esc or closing the box does
// neither: nothing is played, copied or handed to the ed2k client.
// In the suite of the dialogs: after a quit request no nested loop runs, and a later suite
// has one.
TEST(MessageBoxDialog, ChoiceEscAndCloseHandNothingOver)
{
    QtUiServices services;
    Guard guard(&services);
    std::vector<std::string> opened;
    const AddressOpener previous =
        SetAddressOpener([&opened](const std::string &a) { opened.push_back(a); });
    test::MemorySearchWindow window;
    window.addRow({"1", Utf8ToText("片.mkv"), "1 KB", "3",
                   "ed2k://|file|a.mkv|1024|0123456789ABCDEF0123456789ABCDEF|/"});
    window.selection = 0;
    SetClipboardText("before");

    const struct
    {
        const char *name;
        std::function<void(QMessageBox &)> dismiss;
    } cases[] = {
        {"Esc", [](QMessageBox &box) { QTest::keyClick(&box, Qt::Key_Escape); }},
        {"the close button", [](QMessageBox &box) { box.close(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QStringList captions;
        bool stayed = false;
        QTimer::singleShot(50, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton *button : box->buttons())
                captions << button->text();
            c.dismiss(*box);
            QTest::qWait(50);
            stayed = box->isVisible();
            box->done(0); // gone without a button, as a test can make it
        });
        int played = 0;
        ActOnSelectedResult(window, [&played](const Text &) { ++played; });
        EXPECT_EQ(captions, QStringList({QStringLiteral("云播放"), QStringLiteral("复制并下载")}));
        EXPECT_TRUE(stayed);
        EXPECT_EQ(played, 0);
        EXPECT_TRUE(opened.empty());
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }
    SetAddressOpener(previous);
}
