#pragma once

#include "runtime/value.h"

#include <QString>

namespace jiujiu {

// The Qt boundary: runtime texts are GB18030 bytes, Qt's are UTF-16.
QString ToQString(std::string_view text);
Text ToRuntimeText(const QString &text);

// A name or link set apart from the text around it (first-strong isolate ... pop directional
// isolate): a direction control inside cannot reorder what follows. Empty stays empty.
QString Isolated(const QString &text);
// The name with its direction controls spelt out (⟨RLO⟩), for a tool tip; the name itself when
// it holds none.
QString WithVisibleControls(const QString &text);

// A word of the core (UTF-8: a file type's or a status's name) in the interface's language.
QString UiWord(std::string_view utf8);

} // namespace jiujiu
