#pragma once

#include <QString>

class QPalette;

namespace jiujiu {

// Light or dark windows, as the desktop asks for them. Qt 6.4 has no colour-scheme hint of its
// own, so the desktop's wish is read where the desktops keep it.
enum class ColourScheme
{
    Light,
    Dark,
};

// What the desktop asks for, given its palette, GTK_THEME and the desktop portal's
// org.freedesktop.appearance color-scheme (0 none, 1 prefer dark, 2 prefer light): a palette
// that is dark already wins, then the portal, then a GTK theme named dark ("Adwaita:dark",
// "Yaru-dark").
ColourScheme DesktopColourScheme(const QPalette &palette, const QString &gtkTheme,
                                 int portalColourScheme);
// The portal's color-scheme from the session bus (0 where there is no bus or portal).
int PortalColourScheme();

// Fusion's colours in dark greys, for the plain style on a dark desktop.
QPalette FusionDarkPalette();

// Follows the desktop: on a dark desktop whose style draws light, the Fusion style with its
// dark palette. Answers whether the window takes the built-in skin, a light one: only on a light
// desktop and while QT_STYLE_OVERRIDE names no style of the user's choice.
bool FollowDesktopTheme();

} // namespace jiujiu
