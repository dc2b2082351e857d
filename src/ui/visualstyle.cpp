#include "ui/visualstyle.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QChildEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <array>
#include <vector>

namespace jiujiu {
namespace {

struct Scheme
{
    QColor frame;
    QColor light;   // top of the button gradient
    QColor dark;    // bottom of the button gradient
    QColor hover;   // top of the hovered gradient
    QColor pressed; // pressed and checked fill
    QColor accent;  // marks, titles, selection
};

const Scheme &SchemeFor(int style)
{
    static const std::array<Scheme, 3> schemes = {{
        {QColor(123, 158, 189), QColor(0xF4F8FC), QColor(0xD6E3EF), QColor(0xFFFFFF),
         QColor(0xB9CFE4), QColor(0x3D6E99)},
        {QColor(164, 185, 127), QColor(0xF8FBF2), QColor(0xDDE8C8), QColor(0xFFFFFF),
         QColor(0xC2D6A0), QColor(0x5F7A32)},
        {QColor(198, 196, 215), QColor(0xFAFAFD), QColor(0xE4E3EE), QColor(0xFFFFFF),
         QColor(0xCCCADD), QColor(0x6A6690)},
    }};
    return schemes[static_cast<std::size_t>(std::clamp(style, 1, 3) - 1)];
}

QString Css(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

QString Gradient(const QColor &top, const QColor &bottom)
{
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)")
        .arg(Css(top), Css(bottom));
}

QString SheetFor(StyledKind kind, int style)
{
    const Scheme &s = SchemeFor(style);
    const QPalette app = QApplication::palette();
    const QString frame = Css(s.frame);
    const QString off = Css(VisualStyleDisabledFrameColour());
    const QString face = Css(app.color(QPalette::Button));
    const QString base = Css(app.color(QPalette::Base));
    const QString grey = Css(app.color(QPalette::Disabled, QPalette::WindowText));
    const QString accent = Css(s.accent);
    const QString normal = Gradient(s.light, s.dark);
    const QString hover = Gradient(s.hover, s.light);
    const QString pressed = Gradient(s.pressed, s.dark);

    switch (kind) {
    case StyledKind::PushButton:
        return QStringLiteral(
                   "QPushButton { border: 1px solid %1; border-radius: 3px; background: %2;"
                   " padding: 2px 10px; min-height: 18px; }"
                   "QPushButton:hover { background: %3; }"
                   "QPushButton:pressed, QPushButton:checked { background: %4; }"
                   "QPushButton:default, QPushButton:focus { border: 1px solid %5; }"
                   "QPushButton:disabled { border-color: %6; background: %7; color: %8; }")
            .arg(frame, normal, hover, pressed, accent, off, face, grey);
    case StyledKind::CheckBox:
        return QStringLiteral(
                   "QCheckBox { spacing: 5px; }"
                   "QCheckBox::indicator { width: 11px; height: 11px; border: 1px solid %1;"
                   " border-radius: 2px; background: %2; }"
                   "QCheckBox::indicator:hover { border-color: %3; }"
                   "QCheckBox::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5,"
                   " radius:0.6, fx:0.5, fy:0.5, stop:0 %3, stop:0.55 %3, stop:0.62 %2,"
                   " stop:1 %2); }"
                   "QCheckBox::indicator:indeterminate { background: %4; }"
                   "QCheckBox:disabled { color: %6; }"
                   "QCheckBox::indicator:disabled { border-color: %5; background: %7; }")
            .arg(frame, base, accent, Css(s.pressed), off, grey, face);
    case StyledKind::RadioButton:
        return QStringLiteral(
                   "QRadioButton { spacing: 5px; }"
                   "QRadioButton::indicator { width: 11px; height: 11px; border: 1px solid %1;"
                   " border-radius: 6px; background: %2; }"
                   "QRadioButton::indicator:hover { border-color: %3; }"
                   "QRadioButton::indicator:checked { background: qradialgradient(cx:0.5,"
                   " cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 %3, stop:0.45 %3, stop:0.55 %2,"
                   " stop:1 %2); }"
                   "QRadioButton:disabled { color: %5; }"
                   "QRadioButton::indicator:disabled { border-color: %4; background: %6; }")
            .arg(frame, base, accent, off, grey, face);
    case StyledKind::GroupBox:
        return QStringLiteral(
                   "QGroupBox { border: 1px solid %1; border-radius: 4px; margin-top: 0.7em;"
                   " padding-top: 0.3em; }"
                   "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                   " left: 8px; padding: 0 3px; color: %2; }"
                   "QGroupBox:disabled { border-color: %3; }"
                   "QGroupBox::title:disabled { color: %4; }")
            .arg(frame, accent, off, grey);
    case StyledKind::EditBox:
        return QStringLiteral("QLineEdit { border: 1px solid %1; padding: 1px; background: %2;"
                              " selection-background-color: %3; }"
                              "QLineEdit:read-only { background: %4; }"
                              "QLineEdit:disabled { border-color: %5; background: %4; color: %6; }")
            .arg(frame, base, accent, face, off, grey);
    case StyledKind::ComboBox:
        return QStringLiteral(
                   "QComboBox { border: 1px solid %1; border-radius: 2px; padding: 1px 18px 1px"
                   " 4px; background: %2; }"
                   "QComboBox:editable { background: %3; }"
                   "QComboBox:hover { border-color: %4; }"
                   "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top"
                   " right; width: 16px; border-left: 1px solid %1; background: %5; }"
                   "QComboBox:disabled { border-color: %6; background: %7; color: %8; }")
            .arg(frame, normal, base, Css(s.accent), pressed, off, face, grey);
    case StyledKind::ComboList:
        return QStringLiteral(
                   "QAbstractItemView { border: 1px solid %1; background: %2; outline: 0;"
                   " selection-background-color: %3; selection-color: #ffffff; }"
                   "QAbstractItemView:disabled { border-color: %4; background: %5; }")
            .arg(frame, base, accent, off, face);
    case StyledKind::UpDown:
        return QStringLiteral(
                   "QAbstractSpinBox { border: 1px solid %1; padding: 1px 17px 1px 2px;"
                   " background: %2; }"
                   "QAbstractSpinBox::up-button { subcontrol-origin: border; subcontrol-position:"
                   " top right; width: 16px; border-left: 1px solid %1; background: %3; }"
                   "QAbstractSpinBox::down-button { subcontrol-origin: border;"
                   " subcontrol-position: bottom right; width: 16px; border-left: 1px solid %1;"
                   " border-top: 1px solid %1; background: %3; }"
                   "QAbstractSpinBox::up-button:pressed, QAbstractSpinBox::down-button:pressed"
                   " { background: %4; }"
                   "QAbstractSpinBox:disabled { border-color: %5; background: %6; color: %7; }")
            .arg(frame, base, normal, pressed, off, face, grey);
    }
    return {};
}

// What restyling changes, kept so that removal puts the widget back as it was.
struct StyledControl
{
    QWidget *widget;
    StyledKind kind;
    QMetaObject::Connection destroyed;
    QString styleSheet;
    QPalette palette;
    QFont font;
    bool ownPalette;
    bool ownFont;
    bool hover;
    bool styledBackground;
    bool autoFill;
};

// Plays the part of the window hook and the subclassing: an application-wide event filter
// that restyles eligible widgets as they are polished or added, and the registry.
class VisualStyler final : public QObject
{
public:
    static VisualStyler &instance()
    {
        static VisualStyler styler;
        return styler;
    }

    int style = 0;

    bool installed() const { return m_installed; }
    const std::vector<StyledControl> &registry() const { return m_registry; }

    void install()
    {
        if (!QCoreApplication::instance())
            return;
        for (QWidget *widget : QApplication::allWidgets())
            restyle(widget);
        qApp->installEventFilter(this);
        m_installed = true;
    }

    bool remove()
    {
        if (!m_installed)
            return false;
        if (QCoreApplication::instance())
            qApp->removeEventFilter(this);
        m_installed = false;
        // Newest first, as they were styled in reverse.
        while (!m_registry.empty())
            restore(m_registry.size() - 1);
        return true;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            restyle(static_cast<QWidget *>(watched));
        } else if (event->type() == QEvent::ChildAdded) {
            // The child is still being constructed: look at it once it is complete.
            QObject *child = static_cast<QChildEvent *>(event)->child();
            if (child->isWidgetType()) {
                QPointer<QWidget> added(static_cast<QWidget *>(child));
                QTimer::singleShot(0, this, [this, added] {
                    if (added && m_installed)
                        restyle(added.data());
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void restyle(QWidget *widget)
    {
        if (!widget || IsStyled(widget))
            return;
        const std::optional<StyledKind> kind = StyledKindOf(widget);
        if (!kind)
            return;
        StyledControl record{widget,
                             *kind,
                             {},
                             widget->styleSheet(),
                             widget->palette(),
                             widget->font(),
                             widget->testAttribute(Qt::WA_SetPalette),
                             widget->testAttribute(Qt::WA_SetFont),
                             widget->testAttribute(Qt::WA_Hover),
                             widget->testAttribute(Qt::WA_StyledBackground),
                             widget->autoFillBackground()};
        record.destroyed = connect(widget, &QObject::destroyed, this,
                                   [this](QObject *gone) { forget(static_cast<QWidget *>(gone)); });
        m_registry.push_back(std::move(record));
        widget->setStyleSheet(SheetFor(*kind, style));
        widget->update();
    }

    void restore(std::size_t index)
    {
        StyledControl record = std::move(m_registry[index]);
        m_registry.erase(m_registry.begin() + static_cast<std::ptrdiff_t>(index));
        disconnect(record.destroyed);
        QWidget *widget = record.widget;
        widget->setStyleSheet(record.styleSheet);
        widget->setPalette(record.ownPalette ? record.palette : QPalette());
        if (record.ownFont)
            widget->setFont(record.font);
        else
            widget->setFont(QFont());
        widget->setAttribute(Qt::WA_SetFont, record.ownFont);
        widget->setAttribute(Qt::WA_Hover, record.hover);
        widget->setAttribute(Qt::WA_StyledBackground, record.styledBackground);
        widget->setAutoFillBackground(record.autoFill);
        widget->update();
    }

    void forget(QWidget *widget)
    {
        const auto it =
            std::find_if(m_registry.begin(), m_registry.end(),
                         [widget](const StyledControl &r) { return r.widget == widget; });
        if (it != m_registry.end())
            m_registry.erase(it);
    }

    bool m_installed = false;
    std::vector<StyledControl> m_registry;
};

bool IsComboPopupList(const QWidget *widget)
{
    if (!qobject_cast<const QAbstractItemView *>(widget))
        return false;
    const QWidget *container = widget->parentWidget();
    if (!container || !container->inherits("QComboBoxPrivateContainer"))
        return false;
    const auto *combo = qobject_cast<const QComboBox *>(container->parentWidget());
    return combo && combo->view() == widget;
}

} // namespace

std::optional<StyledKind> StyledKindOf(const QWidget *widget)
{
    if (!widget)
        return std::nullopt;
    if (const auto *button = qobject_cast<const QPushButton *>(widget)) {
        // A bare button without text, picture or default role is a helper, not a control.
        if (button->text().isEmpty() && button->icon().isNull() && !button->isDefault())
            return std::nullopt;
        return StyledKind::PushButton;
    }
    if (qobject_cast<const QCheckBox *>(widget))
        return StyledKind::CheckBox;
    if (qobject_cast<const QRadioButton *>(widget))
        return StyledKind::RadioButton;
    if (qobject_cast<const QGroupBox *>(widget))
        return StyledKind::GroupBox;
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget)) {
        if (!edit->hasFrame())
            return std::nullopt;
        return StyledKind::EditBox;
    }
    if (qobject_cast<const QComboBox *>(widget))
        return StyledKind::ComboBox;
    if (IsComboPopupList(widget))
        return StyledKind::ComboList;
    if (qobject_cast<const QAbstractSpinBox *>(widget) &&
        !qobject_cast<const QDateTimeEdit *>(widget))
        return StyledKind::UpDown;
    return std::nullopt;
}

bool SetVisualStyle(int style)
{
    VisualStyler &styler = VisualStyler::instance();
    styler.style = style;
    if (style >= 1 && style <= 3) {
        styler.remove();
        styler.install();
        return true;
    }
    return styler.remove();
}

int VisualStyleNumber()
{
    return VisualStyler::instance().style;
}

std::size_t StyledControlCount()
{
    return VisualStyler::instance().registry().size();
}

bool IsStyled(const QWidget *widget)
{
    const auto &registry = VisualStyler::instance().registry();
    return std::any_of(registry.begin(), registry.end(),
                       [widget](const StyledControl &r) { return r.widget == widget; });
}

QColor VisualStyleFrameColour(int style)
{
    if (style < 1 || style > 3)
        return {};
    return SchemeFor(style).frame;
}

QColor VisualStyleDisabledFrameColour()
{
    const QColor face = QCoreApplication::instance()
                            ? QApplication::palette().color(QPalette::Button)
                            : QColor(0xF0F0F0);
    return QColor(std::max(face.red() - 0x20, 0), std::max(face.green() - 0x20, 0),
                  std::max(face.blue() - 0x20, 0));
}

} // namespace jiujiu
