#include "ui/controlproperties.h"

#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/fatalerror.h"
#include "ui/pagecontrol.h"
#include "ui/qttext.h"
#include "ui/reportlistview.h"
#include "ui/windowregistry.h"

#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>
#include <algorithm>

namespace jiujiu {
namespace {

// The tag and mouse pointer have no Qt counterpart; they are kept on the widget.
constexpr const char *TagProperty = "jiujiuTag";
constexpr const char *MousePointerProperty = "jiujiuMousePointer";

QWidget &Resolve(std::uint32_t window, std::uint32_t control, std::int32_t property)
{
    if (!LoadedWindow(window)) {
        static const Text message = Utf8ToText("未载入欲访问窗口组件所在的窗口");
        FatalError(message);
    }
    if (property >= PropertyText) {
        QWidget *widget = FindControl({window, control});
        if (!widget) {
            static const Text message = Utf8ToText("指定窗口尚未载入");
            FatalError(message);
        }
        return *widget;
    }
    return LookUpControl({window, control});
}

Value ReadCommon(const QWidget &widget, std::int32_t property)
{
    switch (property) {
    case PropertyLeft:
        return Value(static_cast<std::int32_t>(widget.x()));
    case PropertyTop:
        return Value(static_cast<std::int32_t>(widget.y()));
    case PropertyWidth:
        return Value(static_cast<std::int32_t>(widget.width()));
    case PropertyHeight:
        return Value(static_cast<std::int32_t>(widget.height()));
    case PropertyTag:
        return Value(Text(widget.property(TagProperty).toByteArray().toStdString()));
    case PropertyVisible:
        return Value(!widget.isHidden());
    case PropertyDisabled:
        return Value(!widget.isEnabled());
    case PropertyMousePointer:
        return Value(static_cast<std::int32_t>(widget.property(MousePointerProperty).toInt()));
    default:
        return {};
    }
}

void WriteCommon(QWidget &widget, std::int32_t property, const Value &value)
{
    switch (property) {
    case PropertyLeft:
        widget.move(ToInteger(value), widget.y());
        break;
    case PropertyTop:
        widget.move(widget.x(), ToInteger(value));
        break;
    case PropertyWidth:
        widget.resize(std::max(0, ToInteger(value)), widget.height());
        break;
    case PropertyHeight:
        widget.resize(widget.width(), std::max(0, ToInteger(value)));
        break;
    case PropertyTag: {
        const Text tag = ToText(value);
        widget.setProperty(TagProperty, QByteArray(tag.data(), static_cast<qsizetype>(tag.size())));
        break;
    }
    case PropertyVisible:
        widget.setVisible(ToInteger(value) != 0);
        break;
    case PropertyDisabled:
        widget.setEnabled(ToInteger(value) == 0);
        break;
    case PropertyMousePointer:
        widget.setProperty(MousePointerProperty, ToInteger(value));
        break;
    default:
        break;
    }
}

} // namespace

Value ReadControlProperty(std::uint32_t window, std::uint32_t control, std::int32_t property,
                          std::int32_t element)
{
    QWidget &widget = Resolve(window, control, property);
    if (element != -1)
        return {};
    if (property < PropertyText)
        return ReadCommon(widget, property);
    if (auto *edit = qobject_cast<QLineEdit *>(&widget); edit && property == PropertyText)
        return Value(ToRuntimeText(edit->text()));
    if (auto *label = qobject_cast<QLabel *>(&widget); label && property == PropertyText)
        return Value(ToRuntimeText(label->text()));
    if (auto *pages = qobject_cast<PageControl *>(&widget);
        pages && property == PropertyCurrentPage)
        return Value(static_cast<std::int32_t>(pages->currentIndex()));
    if (auto *list = qobject_cast<ReportListView *>(&widget);
        list && property == PropertyCurrentSelection)
        return Value(static_cast<std::int32_t>(list->currentSelection()));
    return {};
}

void WriteControlProperty(std::uint32_t window, std::uint32_t control, std::int32_t property,
                          std::int32_t element, const Value &value)
{
    QWidget &widget = Resolve(window, control, property);
    if (element != -1)
        return;
    if (property < PropertyText) {
        WriteCommon(widget, property, value);
    } else if (auto *edit = qobject_cast<QLineEdit *>(&widget); edit && property == PropertyText) {
        edit->setText(ToQString(ToText(value)));
    } else if (auto *label = qobject_cast<QLabel *>(&widget); label && property == PropertyText) {
        label->setText(
            ToQString(ToText(value)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    } else if (auto *pages = qobject_cast<PageControl *>(&widget);
               pages && property == PropertyCurrentPage) {
        pages->setCurrentIndex(ToInteger(value));
    } else if (auto *list = qobject_cast<ReportListView *>(&widget);
               list && property == PropertyCurrentSelection) {
        list->setCurrentSelection(std::max(ToInteger(value), -1));
    }
}

} // namespace jiujiu
