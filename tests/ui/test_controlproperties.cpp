#include "runtime/codepage.h"
#include "ui/controlproperties.h"
#include "ui/listcommands.h"
#include "ui/mainwindow.h"
#include "ui/pagecontrol.h"
#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"
#include "ui/windowregistry.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace jiujiu;

namespace {

constexpr std::uint32_t W = MainWindow::Reference.window;

// No UiServices are installed here: a fatal error prints its text to standard error and the
// process ends with -1.
class ControlProperties : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterMainWindowDescription();
        ASSERT_TRUE(LoadWindow(MainWindow::Reference));
        window = qobject_cast<MainWindow *>(LoadedWindow(W));
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { delete LoadedWindow(W); }

    MainWindow *window = nullptr;
};

void LoadMainWindowAndRead(std::uint32_t control, std::int32_t property)
{
    RegisterMainWindowDescription();
    LoadWindow(MainWindow::Reference);
    ReadControlProperty(W, control, property, -1);
}

} // namespace

TEST_F(ControlProperties, TheFourPropertiesTheProgramUses)
{
    auto *box = window->findChild<QLineEdit *>(QStringLiteral("编辑框1"));
    box->setText(QStringLiteral("每日新闻"));
    EXPECT_EQ(ReadControlProperty(W, MainWindow::KeywordBox, PropertyText),
              Value(Utf8ToText("每日新闻")));

    WriteControlProperty(W, MainWindow::Announcement, PropertyText, -1,
                         Value(Utf8ToText("共找到 12 个资源")));
    EXPECT_EQ(window->findChild<QLabel *>(QStringLiteral("标签3"))->text(),
              QStringLiteral("共找到 12 个资源"));
    EXPECT_EQ(window->announcement(), Utf8ToText("共找到 12 个资源"));

    WriteControlProperty(W, MainWindow::Pages, PropertyCurrentPage, -1, Value(1));
    EXPECT_EQ(window->currentPage(), 1);
    WriteControlProperty(W, MainWindow::Pages, PropertyCurrentPage, -1, Value(7));
    EXPECT_EQ(window->currentPage(), 1) << "no such page: unchanged";
    WriteControlProperty(W, MainWindow::Pages, PropertyCurrentPage, -1, Value(0));
    EXPECT_EQ(window->currentPage(), 0);

    const ControlReference list = MainWindow::control(MainWindow::ResultList);
    EXPECT_EQ(ReadControlProperty(W, MainWindow::ResultList, PropertyCurrentSelection), Value(-1));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ListInsertItem(list, {}, Value(std::to_string(i))), i);
    WriteControlProperty(W, MainWindow::ResultList, PropertyCurrentSelection, -1, Value(3));
    EXPECT_EQ(ReadControlProperty(W, MainWindow::ResultList, PropertyCurrentSelection), Value(3));
    EXPECT_EQ(ListCurrentSelection(list), 3);
    EXPECT_EQ(ListGetItemText(list, ListCurrentSelection(list)), "3");
    WriteControlProperty(W, MainWindow::ResultList, PropertyCurrentSelection, -1, Value(-9));
    EXPECT_EQ(ListCurrentSelection(list), -1) << "below -1 is taken as -1";
    ListDeleteAllItems(list);
    EXPECT_EQ(window->resultList().listModel()->count(), 0);
}

TEST_F(ControlProperties, CommonPropertiesAndWhatAControlDoesNotHave)
{
    const std::pair<std::int32_t, int> geometry[] = {
        {PropertyLeft, 237}, {PropertyTop, 211}, {PropertyWidth, 264}, {PropertyHeight, 48}};
    for (auto [property, value] : geometry)
        EXPECT_EQ(ReadControlProperty(W, MainWindow::SearchButton, property), Value(value))
            << property;
    WriteControlProperty(W, MainWindow::SearchButton, PropertyDisabled, -1, Value(true));
    EXPECT_FALSE(window->findChild<QWidget *>(QStringLiteral("按钮1"))->isEnabled());
    EXPECT_EQ(ReadControlProperty(W, MainWindow::SearchButton, PropertyDisabled), Value(true));
    WriteControlProperty(W, MainWindow::SearchButton, PropertyTag, -1, Value("t"));
    EXPECT_EQ(ReadControlProperty(W, MainWindow::SearchButton, PropertyTag), Value("t"));

    // Properties of another kind, and array elements, read as omitted and write nothing.
    EXPECT_TRUE(
        ReadControlProperty(W, MainWindow::SearchButton, PropertyCurrentSelection).isOmitted());
    EXPECT_TRUE(ReadControlProperty(W, MainWindow::KeywordBox, PropertyText, 0).isOmitted());
    WriteControlProperty(W, MainWindow::Disclaimer, PropertyCurrentPage, -1, Value(1));
    EXPECT_EQ(window->currentPage(), 0);
    // A list command on something that is not a list answers like an empty list.
    EXPECT_EQ(ListInsertItem(MainWindow::control(MainWindow::KeywordBox)), -1);
}

TEST_F(ControlProperties, FocusControl)
{
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->activateWindow();
    FocusControl(MainWindow::control(MainWindow::KeywordBox));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return QApplication::focusWidget() ==
               window->findChild<QWidget *>(QStringLiteral("编辑框1"));
    }));
}

TEST(WindowRegistry, LoadWindowWithParentsAndModality)
{
    RegisterMainWindowDescription();
    const WindowReference dialog{0x7001, 0x7002};
    RegisterWindowDescription({dialog, [] { return new QWidget; }, {}});
    EXPECT_FALSE(LoadWindow(dialog, MainWindow::Reference)) << "the owner is not loaded";
    EXPECT_FALSE(IsWindowLoaded(dialog));
    EXPECT_FALSE(LoadWindow({0x7001, 0x9999})) << "the form identifier must match";
    EXPECT_FALSE(LoadWindow({0x4242, 0x4243})) << "unknown window";

    ASSERT_TRUE(LoadWindow(MainWindow::Reference));
    ASSERT_TRUE(LoadWindow(dialog, MainWindow::Reference));
    QWidget *owned = LoadedWindow(dialog.window);
    EXPECT_EQ(owned->parentWidget(), LoadedWindow(MainWindow::Reference.window));
    EXPECT_TRUE(owned->isWindow());
    EXPECT_EQ(owned->windowModality(), Qt::NonModal);
    owned->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !IsWindowLoaded(dialog); }));

    ASSERT_TRUE(LoadWindow(dialog, MainWindow::Reference, true));
    EXPECT_EQ(LoadedWindow(dialog.window)->parentWidget(), nullptr) << "the owner is ignored";
    EXPECT_EQ(LoadedWindow(dialog.window)->windowModality(), Qt::ApplicationModal);
    delete LoadedWindow(dialog.window);
    EXPECT_FALSE(IsWindowLoaded(dialog));
    delete LoadedWindow(MainWindow::Reference.window);
    EXPECT_FALSE(IsWindowLoaded(MainWindow::Reference));
    EXPECT_EQ(FindControl(MainWindow::control(MainWindow::KeywordBox)), nullptr);
}

TEST(FatalErrorDeathTest, PropertyOfAWindowThatIsNotLoaded)
{
    EXPECT_EXIT(ReadControlProperty(W, MainWindow::KeywordBox, PropertyText),
                ::testing::ExitedWithCode(255), "未载入欲访问窗口组件所在的窗口");
    EXPECT_EXIT(WriteControlProperty(W, MainWindow::Announcement, PropertyText, -1, Value("x")),
                ::testing::ExitedWithCode(255), "运行时出错!.*未载入欲访问窗口组件所在的窗口");
}

TEST(FatalErrorDeathTest, OwnPropertyOfAControlThatDoesNotExist)
{
    EXPECT_EXIT(LoadMainWindowAndRead(0x0BAD, PropertyText), ::testing::ExitedWithCode(255),
                "指定窗口尚未载入");
}

TEST(FatalErrorDeathTest, CommonPropertyOrCommandOnAControlThatDoesNotExist)
{
    EXPECT_EXIT(LoadMainWindowAndRead(0x0BAD, PropertyLeft), ::testing::ExitedWithCode(255),
                "指定窗口或窗口组件不存在或尚未载入");
    EXPECT_EXIT(FocusControl({0x4242, 1}), ::testing::ExitedWithCode(255),
                "指定窗口或窗口组件不存在或尚未载入");
    EXPECT_EXIT(ListInsertItem(MainWindow::control(MainWindow::ResultList)),
                ::testing::ExitedWithCode(255), "指定窗口或窗口组件不存在或尚未载入");
}
