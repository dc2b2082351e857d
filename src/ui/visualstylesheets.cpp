#include "ui/visualstylesheets.h"

#include "ui/contrast.h"
#include "ui/markcolours.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>
#include <array>

namespace jiujiu {
namespace {

QString Css(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

QString Gradient(const QColor &top, const QColor &bottom)
{
    return QStringLiteral("qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2)")
        .arg(Css(top), Css(bottom));
}

// The scheme on the palette in use: on a dark one its light faces become the palette's button
// colour with a hint of their hue, its accent is lightened until it reads on the window, and
// the faces' text reads on the faces.
VisualStyleScheme OnPalette(const VisualStyleScheme &scheme, const QPalette &app)
{
    VisualStyleScheme s = scheme;
    const QColor window = app.color(QPalette::Window);
    if (IsDarkColour(window)) {
        const QColor button = app.color(QPalette::Button);
        for (QColor *face : {&s.light, &s.dark, &s.hover, &s.pressed})
            *face = MixedColour(button, *face, 0.12);
        s.frame = MixedColour(button, s.frame, 0.5);
    }
    s.accent = LegibleColour(s.accent, window);
    return s;
}

} // namespace

const VisualStyleScheme &VisualStyleSchemeFor(int style)
{
    static const std::array<VisualStyleScheme, 3> schemes = {{
        {QColor(123, 158, 189), QColor(0xF4F8FC), QColor(0xD6E3EF), QColor(0xFFFFFF),
         QColor(0xB9CFE4), QColor(0x3D6E99)},
        {QColor(164, 185, 127), QColor(0xF8FBF2), QColor(0xDDE8C8), QColor(0xFFFFFF),
         QColor(0xC2D6A0), QColor(0x5F7A32)},
        {QColor(198, 196, 215), QColor(0xFAFAFD), QColor(0xE4E3EE), QColor(0xFFFFFF),
         QColor(0xCCCADD), QColor(0x6A6690)},
    }};
    return schemes[static_cast<std::size_t>(std::clamp(style, 1, 3) - 1)];
}

QString VisualStyleSheet(StyledKind kind, int style)
{
    const QPalette app = QApplication::palette();
    const VisualStyleScheme s = OnPalette(VisualStyleSchemeFor(style), app);
    const QString faceText = Css(LegibleColour(app.color(QPalette::ButtonText), s.dark));
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
                   " padding: 2px 10px; min-height: 18px; color: %9; }"
                   "QPushButton:hover { background: %3; }"
                   "QPushButton:pressed, QPushButton:checked { background: %4; }"
                   "QPushButton:default, QPushButton:focus { border: 1px solid %5; }"
                   "QPushButton:disabled { border-color: %6; background: %7; color: %8; }")
            .arg(frame, normal, hover, pressed, accent, off, face, grey, faceText);
    case StyledKind::CheckBox:
        return QStringLiteral(
                   "QCheckBox { spacing: 5px; }"
                   "QCheckBox::indicator { width: 11px; height: 11px; border: 1px solid %1;"
                   " border-radius: 2px; background: %2; }"
                   "QCheckBox::indicator:hover, QCheckBox::indicator:focus { border-color: %3; }"
                   "QCheckBox:focus { color: %3; }"
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
                              "QLineEdit:disabled { border-color: %5; background: %4; color: %6; }"
                              "QLineEdit[invalid=\"true\"] { border: 2px solid %7; padding: 0px;"
                              " color: %7; }")
            .arg(frame, base, accent, face, off, grey, Css(FieldErrorColour(app)));
    case StyledKind::ComboBox:
        return QStringLiteral(
                   "QComboBox { border: 1px solid %1; border-radius: 2px; padding: 1px 18px 1px"
                   " 4px; background: %2; color: %9; }"
                   "QComboBox:editable { background: %3; }"
                   "QComboBox:hover { border-color: %4; }"
                   "QComboBox:focus { border: 2px solid %4; padding: 0px 17px 0px 3px; }"
                   "QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top"
                   " right; width: 16px; border-left: 1px solid %1; background: %5; }"
                   "QComboBox:disabled { border-color: %6; background: %7; color: %8; }")
            .arg(frame, normal, base, Css(s.accent), pressed, off, face, grey, faceText);
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
                   "QAbstractSpinBox:focus { border-color: %8; }"
                   "QAbstractSpinBox::up-button:pressed, QAbstractSpinBox::down-button:pressed"
                   " { background: %4; }"
                   "QAbstractSpinBox:disabled { border-color: %5; background: %6; color: %7; }")
            .arg(frame, base, normal, pressed, off, face, grey, accent);
    }
    return {};
}

} // namespace jiujiu
