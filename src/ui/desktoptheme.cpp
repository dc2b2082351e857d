#include "ui/desktoptheme.h"

#include "ui/contrast.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QPalette>
#include <QStyleFactory>

namespace jiujiu {

ColourScheme DesktopColourScheme(const QPalette &palette, const QString &gtkTheme,
                                 int portalColourScheme)
{
    if (IsDarkColour(palette.color(QPalette::Window)))
        return ColourScheme::Dark;
    if (portalColourScheme == 1)
        return ColourScheme::Dark;
    if (portalColourScheme == 2)
        return ColourScheme::Light;
    const QString theme = gtkTheme.toLower();
    return theme.endsWith(QLatin1String(":dark")) || theme.endsWith(QLatin1String("-dark"))
               ? ColourScheme::Dark
               : ColourScheme::Light;
}

int PortalColourScheme()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return 0;
    QDBusMessage read = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    read << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
    // A desktop without the portal answers at once; a stuck one does not hold the start long.
    const QDBusMessage reply = bus.call(read, QDBus::Block, 300);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return 0;
    QVariant value = reply.arguments().constFirst();
    for (int depth = 0; depth < 3 && value.canConvert<QDBusVariant>(); ++depth)
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    return ok && scheme <= 2 ? static_cast<int>(scheme) : 0;
}

QPalette FusionDarkPalette()
{
    QPalette p;
    const QColor window(0x2B, 0x2D, 0x31), base(0x1E, 0x1F, 0x22), text(0xE6, 0xE8, 0xEB);
    const QColor disabled(0x8A, 0x8F, 0x96), highlight(0x2A, 0x74, 0xBF);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x26, 0x28, 0x2B));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Button, QColor(0x35, 0x37, 0x3C));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xFF, 0x6B, 0x6B));
    p.setColor(QPalette::Light, QColor(0x4A, 0x4D, 0x53));
    p.setColor(QPalette::Midlight, QColor(0x3F, 0x42, 0x47));
    p.setColor(QPalette::Mid, QColor(0x24, 0x26, 0x29));
    p.setColor(QPalette::Dark, QColor(0x18, 0x19, 0x1B));
    p.setColor(QPalette::Shadow, QColor(0x0C, 0x0C, 0x0D));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, QColor(Qt::white));
    p.setColor(QPalette::Link, QColor(0x7C, 0xB7, 0xF5));
    p.setColor(QPalette::LinkVisited, QColor(0xB9, 0x9C, 0xF0));
    p.setColor(QPalette::ToolTipBase, QColor(0x35, 0x37, 0x3C));
    p.setColor(QPalette::ToolTipText, text);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x4A, 0x4D, 0x53));
    return p;
}

bool FollowDesktopTheme()
{
    const QPalette palette = QApplication::palette();
    const ColourScheme scheme = DesktopColourScheme(
        palette, qEnvironmentVariable("GTK_THEME"),
        IsDarkColour(palette.color(QPalette::Window)) ? 0 : PortalColourScheme());
    if (scheme == ColourScheme::Dark && !IsDarkColour(palette.color(QPalette::Window))) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(FusionDarkPalette());
    }
    return scheme == ColourScheme::Light && qEnvironmentVariableIsEmpty("QT_STYLE_OVERRIDE");
}

} // namespace jiujiu
