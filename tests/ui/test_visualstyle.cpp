#include "ui/visualstyle.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace jiujiu;

namespace {

// What removal must put back exactly.
struct Snapshot
{
    QString styleSheet;
    QPalette palette;
    QFont font;
    bool attributes[5];
    bool autoFill;

    explicit Snapshot(const QWidget &w)
        : styleSheet(w.styleSheet()), palette(w.palette()),
          font(w.font()), attributes{w.testAttribute(Qt::WA_SetPalette),
                                     w.testAttribute(Qt::WA_SetFont), w.testAttribute(Qt::WA_Hover),
                                     w.testAttribute(Qt::WA_StyledBackground),
                                     w.testAttribute(Qt::WA_SetStyle)},
          autoFill(w.autoFillBackground())
    {}
    bool operator==(const Snapshot &o) const
    {
        return styleSheet == o.styleSheet && palette == o.palette && font == o.font &&
               std::equal(std::begin(attributes), std::end(attributes), std::begin(o.attributes)) &&
               autoFill == o.autoFill;
    }
};

// A form with one widget of every kind the style looks at.
class Form
{
public:
    Form()
    {
        auto *layout = new QVBoxLayout(&root);
        auto add = [&](QWidget *w, bool eligible) {
            layout->addWidget(w);
            widgets.push_back({w, eligible});
            return w;
        };
        add(new QPushButton(QStringLiteral("确定")), true);
        add(new QCheckBox(QStringLiteral("选项")), true);
        auto *tristate = new QCheckBox(QStringLiteral("三态"));
        tristate->setTristate(true);
        tristate->setCheckState(Qt::PartiallyChecked);
        add(tristate, true);
        add(new QRadioButton(QStringLiteral("单选")), true);
        add(new QGroupBox(QStringLiteral("分组")), true);
        edit = static_cast<QLineEdit *>(add(new QLineEdit(QStringLiteral("文本")), true));
        auto *frameless = new QLineEdit;
        frameless->setFrame(false);
        add(frameless, false);
        combo = static_cast<QComboBox *>(add(new QComboBox, true));
        combo->addItems({QStringLiteral("一"), QStringLiteral("二")});
        add(new QSpinBox, true);
        add(new QPushButton, false); // no text, no picture, no default role
        add(new QDateTimeEdit, false);
        add(new QLabel(QStringLiteral("标签")), false);
        add(new QToolButton, false);
        add(new QScrollBar, false);
        add(new QSlider, false);
        add(new QProgressBar, false);
        add(new QListWidget, false);
        add(new QTreeView, false);
        add(new QTabBar, false);
        widgets.push_back({combo->view(), true});
        root.resize(300, 700);
        root.show();
    }

    QWidget root;
    QLineEdit *edit = nullptr;
    QComboBox *combo = nullptr;
    std::vector<std::pair<QWidget *, bool>> widgets;
};

class VisualStyleTest : public ::testing::Test
{
protected:
    void TearDown() override { SetVisualStyle(0); }
};

} // namespace

TEST_F(VisualStyleTest, RestylesEligibleKindsOnlyAndRemovesExactly)
{
    Form form;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form.root));
    std::vector<Snapshot> before;
    for (auto [w, eligible] : form.widgets)
        before.emplace_back(*w);

    EXPECT_FALSE(SetVisualStyle(0)) << "nothing to remove yet";
    EXPECT_TRUE(SetVisualStyle(2));
    EXPECT_EQ(VisualStyleNumber(), 2);
    std::size_t eligibleCount = 0;
    for (std::size_t i = 0; i < form.widgets.size(); ++i) {
        auto [w, eligible] = form.widgets[i];
        SCOPED_TRACE(w->metaObject()->className());
        EXPECT_EQ(IsStyled(w), eligible);
        EXPECT_EQ(Snapshot(*w) == before[i], !eligible) << "ineligible kinds stay untouched";
        eligibleCount += eligible;
    }
    EXPECT_GE(StyledControlCount(), eligibleCount);

    EXPECT_TRUE(SetVisualStyle(2));
    EXPECT_GE(StyledControlCount(), eligibleCount);
    const std::size_t count = StyledControlCount();
    EXPECT_TRUE(SetVisualStyle(2));
    EXPECT_EQ(StyledControlCount(), count) << "styling twice restyles nothing twice";

    EXPECT_TRUE(SetVisualStyle(0));
    EXPECT_EQ(StyledControlCount(), 0u);
    for (std::size_t i = 0; i < form.widgets.size(); ++i) {
        SCOPED_TRACE(form.widgets[i].first->metaObject()->className());
        EXPECT_FALSE(IsStyled(form.widgets[i].first));
        EXPECT_TRUE(Snapshot(*form.widgets[i].first) == before[i]);
    }
    EXPECT_FALSE(SetVisualStyle(0)) << "already off";
}

TEST_F(VisualStyleTest, OwnStyleSheetAndPaletteComeBack)
{
    QPushButton button(QStringLiteral("自有"));
    button.setStyleSheet(QStringLiteral("QPushButton { color: red; }"));
    QPalette palette = button.palette();
    palette.setColor(QPalette::ButtonText, Qt::blue);
    button.setPalette(palette);
    button.show();
    const Snapshot before(button);
    SetVisualStyle(1);
    EXPECT_TRUE(IsStyled(&button));
    EXPECT_NE(button.styleSheet(), before.styleSheet);
    SetVisualStyle(7);
    EXPECT_TRUE(Snapshot(button) == before);
}

TEST_F(VisualStyleTest, FrameColoursOfTheThreeSchemes)
{
    const QColor frames[] = {QColor(123, 158, 189), QColor(164, 185, 127), QColor(198, 196, 215)};
    EXPECT_EQ(frames[0].rgb() & 0xFFFFFF, 0x7B9EBDu);
    QImage pictures[3];
    for (int style = 1; style <= 3; ++style) {
        SCOPED_TRACE(style);
        EXPECT_EQ(VisualStyleFrameColour(style), frames[style - 1]);
        QLineEdit edit(QStringLiteral("x"));
        edit.resize(120, 26);
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
        SetVisualStyle(style);
        ASSERT_TRUE(IsStyled(&edit));
        const QImage shot = edit.grab().toImage();
        // The outer one-pixel frame, left edge, middle row, and the top edge.
        EXPECT_EQ(QColor(shot.pixel(0, shot.height() / 2)), frames[style - 1]);
        EXPECT_EQ(QColor(shot.pixel(shot.width() / 2, 0)), frames[style - 1]);
        // Inside it, a ring in the window colour; in the button face when read-only.
        const QPalette app = QApplication::palette();
        EXPECT_EQ(QColor(shot.pixel(1, shot.height() / 2)), app.color(QPalette::Base));
        edit.setReadOnly(true);
        const QImage readOnly = edit.grab().toImage();
        EXPECT_EQ(QColor(readOnly.pixel(1, readOnly.height() / 2)), app.color(QPalette::Button));
        EXPECT_EQ(QColor(readOnly.pixel(0, readOnly.height() / 2)), frames[style - 1]);

        // The drop-down list of a combo box that holds items has the same frame.
        QComboBox combo;
        combo.addItems({QStringLiteral("一"), QStringLiteral("二")});
        combo.show();
        QAbstractItemView *list = combo.view();
        combo.showPopup();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
        ASSERT_TRUE(IsStyled(list));
        const QImage drop = list->grab().toImage();
        EXPECT_EQ(QColor(drop.pixel(0, drop.height() / 2)), frames[style - 1]);
        combo.hidePopup();

        QPushButton button(QStringLiteral("按钮"));
        button.resize(80, 28);
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
        pictures[style - 1] = button.grab().toImage();

        // Disabled: the button face less 0x202020.
        edit.setEnabled(false);
        const QImage off = edit.grab().toImage();
        EXPECT_EQ(QColor(off.pixel(0, off.height() / 2)), VisualStyleDisabledFrameColour());
        SetVisualStyle(0);
    }
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);
    EXPECT_NE(pictures[0], pictures[2]);
}

TEST_F(VisualStyleTest, WidgetsMadeLaterAreRestyledUntilRemoval)
{
    SetVisualStyle(2);
    auto later = std::make_unique<QPushButton>(QStringLiteral("后来的"));
    later->show(); // polished as it is shown
    EXPECT_TRUE(IsStyled(later.get()));

    QWidget parent;
    parent.show();
    auto *child = new QCheckBox(QStringLiteral("子"), &parent);
    QTest::qWait(10); // looked at once its constructor has finished
    EXPECT_TRUE(IsStyled(child)) << "restyled as it is added, before it is shown";

    const std::size_t count = StyledControlCount();
    later.reset();
    EXPECT_EQ(StyledControlCount(), count - 1) << "a destroyed widget leaves the registry";

    SetVisualStyle(0);
    QPushButton after(QStringLiteral("之后"));
    after.show();
    QTest::qWait(10);
    EXPECT_FALSE(IsStyled(&after));
    EXPECT_TRUE(after.styleSheet().isEmpty());
}
