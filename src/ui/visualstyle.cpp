#include "ui/visualstyle.h"

#include "ui/visualstylesheets.h"

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
#include <vector>

namespace jiujiu {
namespace {

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
        widget->setStyleSheet(VisualStyleSheet(*kind, style));
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
    return VisualStyleSchemeFor(style).frame;
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
