#pragma once

class QFont;
class QString;

namespace jiujiu {

// The window forms ask for Windows fonts by name; these map them onto the CJK fonts the
// system has, so Chinese text renders. Idempotent; call once a QGuiApplication exists.
void InstallFontSubstitutions();

// A font as a Windows font description gives it: family and logical height (negative means
// character height in pixels), normal weight.
QFont FormFont(const QString &family, int logicalHeight);

} // namespace jiujiu
